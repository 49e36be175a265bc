#include "RecordingSession.h"

#include "CameraController.h"
#include "DesktopNotifier.h"
#include "EventCommand.h"
#include "FtpText.h"
#include "Netrc.h"
#include "PasswordKeychain.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "TickGate.h"
#include "UserDefaults.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

double RecordingSession::intervalSeconds(const UserDefaults& settings)
{
    const double count = settingValue(settings, OXRecordingInterval);
    const double seconds = count * (settingValue(settings, OXIntervalUnit) == 0 ? 1.0 : 60.0);
    return std::clamp(seconds, kMinimumIntervalSeconds, kMaximumIntervalSeconds);
}

bool RecordingSession::uploading(const UserDefaults& settings)
{
    return !settingValue(settings, OXFTPServerAddress).trimmed().isEmpty();
}

bool RecordingSession::hasWork(const UserDefaults& settings)
{
    return settingValue(settings, OXSaveToDiskFlag) || uploading(settings);
}

bool RecordingSession::isAnonymousLogin(const QString& username)
{
    const QString user = username.trimmed().toLower();
    return user.isEmpty() || user == QLatin1String("anonymous") || user == QLatin1String("ftp");
}

RecordingSession::RecordingSession(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_settings(m_services.userDefaults)
    , m_naming(m_settings, m_services.clock)
{
    // Old pictures go by the owner's rules from the start, beside the delivery work.
    m_keeper = std::make_unique<DiskKeeper>();
    connect(m_keeper.get(), &DiskKeeper::cleaned, this, [this](const CleanupReport& report) {
        if (!m_keepRules.any()) { // nothing to tell while every rule is off
            m_cleanup.reset();
            return;
        }
        m_cleanup = report;
        Q_EMIT cleaned(report);
    }, Qt::QueuedConnection);
    connect(m_keeper.get(), &DiskKeeper::previewed, this, &RecordingSession::previewed, Qt::QueuedConnection);
    m_keepRules = KeepRules::fromUserDefaults(*m_settings);
    m_keeper->setRules(m_keepRules);
    if (m_keepRules.any()) // no thread and no folder read while every rule is off
        m_keeper->start();
    m_keeper->setPlace(SequencePlace::fromUserDefaults(*m_settings));
    connect(m_settings, &UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == OXSaveToDiskPath || key == OXImageFilename)
            m_keeper->setPlace(SequencePlace::fromUserDefaults(*m_settings));
        else if (key == OXKeepDays || key == OXKeepMaxMB || key == OXKeepFreeMB)
            keepRulesChanged();
        if (key == OXEventCommand)
            m_eventCommand->setCommand(settingValue(*m_settings, OXEventCommand));
        if (key == OXKeepDaysOnServer || key == OXFTPServerAddress || key == OXFTPPath || key == OXImageFilename ||
            key == OXFTPUsername)
            m_delivery->setServerCleanup(serverCleanup());
    });

    DeliveryWorker::Settings delivery =
        DeliveryWorker::Settings::fromUserDefaults(*m_settings, m_services.transfer, m_services.outboxFolder);
    delivery.firstRetryPause = m_services.firstRetryPause;
    delivery.saved = [keeper = m_keeper.get()](const QString& path, qint64 bytes) { keeper->pictureSaved(path, bytes); };
    m_delivery = std::make_unique<DeliveryWorker>(delivery);
    connect(m_delivery.get(), &DeliveryWorker::tickFinished, this, &RecordingSession::tickDidFinish, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::outboxChanged, this, [this](const OutboxState& state) {
        m_outbox = state;
        Q_EMIT outboxChanged(state);
    }, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::tlsSeen, this,
            [this](const QString& host) { DeliveryWorker::rememberTlsHost(*m_settings, host); }, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::serverCleaned, this, &RecordingSession::serverCleaned, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::hostKeyUnknown, this, &RecordingSession::hostKeyUnknown, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::certificateUnknown, this, &RecordingSession::certificateUnknown,
            Qt::QueuedConnection);
    m_delivery->setServerCleanup(serverCleanup());
    m_delivery->start();

    m_dailyFilm = std::make_unique<DailyFilm>(m_settings, m_services.clock);
    connect(m_dailyFilm.get(), &DailyFilm::made, this, &RecordingSession::uploadFilm);
    connect(m_dailyFilm.get(), &DailyFilm::notMade, this, &RecordingSession::dailyFilmFinished);

    // Problems are told once when they start and once when they end, on the desktop and to the owner's command.
    m_problems = std::make_unique<ProblemWatch>(m_settings, m_services.camController, m_services.clock);
    m_eventCommand = std::make_unique<EventCommand>();
    m_eventCommand->setCommand(settingValue(*m_settings, OXEventCommand));
    m_notifier = std::make_unique<DesktopNotifier>();
    connect(m_problems.get(), &ProblemWatch::event, this, [this](const ProblemEvent& event) {
        Q_EMIT problemEvent(event);
        m_notifier->post(event);
        m_eventCommand->post(event);
    });
    connect(m_eventCommand.get(), &EventCommand::finished, this, &RecordingSession::eventCommandFinished);
    connect(this, &RecordingSession::outboxChanged, m_problems.get(), &ProblemWatch::outboxChanged);
    connect(this, &RecordingSession::passwordProblemChanged, m_problems.get(), &ProblemWatch::passwordProblemChanged);

    // Ticks go on with the last frame while the camera is restarted.
    CameraController* cameras = m_services.camController;
    connect(cameras, &CameraController::cameraFailed, this, [this](const QString& text) {
        Q_EMIT cameraProblemChanged(text + QLatin1Char(' ') + tr("Trying again."));
    });
    connect(cameras, &CameraController::cameraRecovered, this, [this] { Q_EMIT cameraProblemChanged(QString()); });

    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RecordingSession::tick);
    m_keyringPatience.setSingleShot(true);
    m_keyringPatience.setInterval(kKeyringPatience);
    connect(&m_keyringPatience, &QTimer::timeout, this, &RecordingSession::keyringSilent);
}

RecordingSession::~RecordingSession()
{
    m_timer.stop();
    m_problems->setRecording(false); // nothing more to tell while the rest goes
    m_keychainCall.reset();
    m_delivery.reset();
    m_keeper.reset();
}

ServerCleanup RecordingSession::serverCleanup() const
{
    ServerCleanup cleanup;
    const QString name = settingValue(*m_settings, OXImageFilename);
    const QUrl sample = m_naming.uploadURL(settingValue(*m_settings, OXFTPServerAddress), settingValue(*m_settings, OXFTPPath),
                                           name + QStringLiteral("_00000000_000000.jpg"));
    if (!uploading(*m_settings) || !sample.isValid() || sample.isEmpty() || name.isEmpty())
        return cleanup;
    cleanup.folder = sample.adjusted(QUrl::RemoveFilename);
    cleanup.base = sample.fileName().chopped(QStringLiteral("_00000000_000000.jpg").size());
    cleanup.username = settingValue(*m_settings, OXFTPUsername);
    cleanup.days = std::max(0, settingValue(*m_settings, OXKeepDaysOnServer));
    return cleanup;
}

void RecordingSession::keepRulesChanged()
{
    const KeepRules rules = KeepRules::fromUserDefaults(*m_settings);
    if (rules == m_keepRules)
        return;
    if (rules.any())
        m_keeper->start();
    if (!m_services.confirmRemoval) {
        m_keepRules = rules;
        m_keeper->setRules(rules);
        return;
    }
    // Asked of what is on disk now; applied (or not) when the answer comes.
    m_keeper->requestPreview(rules, ++m_previewId);
}

void RecordingSession::previewed(quint64 id, const CleanupPreview& preview)
{
    if (id != m_previewId)
        return; // rules changed again meanwhile: their own preview follows
    const KeepRules rules = KeepRules::fromUserDefaults(*m_settings);
    if (preview.count < kAskAboveCount && preview.bytes < kAskAboveBytes) {
        m_keepRules = rules;
        m_keeper->setRules(rules);
        return;
    }
    const QLocale locale;
    const QString question = tr("This removes %1 pictures (%2) taken before %3.")
                                 .arg(locale.toString(preview.count), locale.formattedDataSize(preview.bytes),
                                      locale.toString(preview.before.date(), QStringLiteral("d MMMM yyyy")));
    m_services.confirmRemoval(question, [this, rules, asked = m_previewId](bool yes) {
        if (asked != m_previewId)
            return;
        if (yes) {
            m_keepRules = rules;
            m_keeper->setRules(rules);
            return;
        }
        // Cancelled: the rules stay as they were, in the settings too.
        const KeepRules kept = m_keepRules;
        setSettingValue(*m_settings, OXKeepDays, kept.days);
        setSettingValue(*m_settings, OXKeepMaxMB, int(kept.maxBytes / (1024 * 1024)));
        setSettingValue(*m_settings, OXKeepFreeMB, int(kept.freeBytes / (1024 * 1024)));
    });
}

QString RecordingSession::settingsProblem() const
{
    if (!hasWork(*m_settings))
        return tr("Nothing to do: the settings neither save pictures nor upload them (set OXSaveToDiskFlag or "
                  "OXFTPServerAddress in %1).")
            .arg(m_settings->filePath());
    return m_naming.namingProblem();
}

void RecordingSession::start()
{
    m_timer.start(std::chrono::milliseconds(std::llround(intervalSeconds(*m_settings) * 1000.0)));
    m_problems->setRecording(true);
}

void RecordingSession::stop()
{
    m_timer.stop();
    m_problems->setRecording(false);
}

void RecordingSession::tick()
{
    Q_EMIT aboutToTick();
    // Only what the moment decides is taken here; the picture is made on the worker.
    const QDateTime now = m_naming.now(); // one reading for the name, the stamp and what is said of it
    CameraController* cameras = m_services.camController;
    if (cameras->cameraSuspended()) {
        Q_EMIT tickSkipped(now, tr("the camera is turned off"));
        return;
    }
    TickJob job;
    // A frame no earlier tick took, waited for briefly (never so long that the pace slips).
    const auto bound = std::chrono::milliseconds(std::llround(std::min(intervalSeconds(*m_settings) * 500.0, 2000.0)));
    job.frame = cameras->takeNewFrame(bound);
    job.cameraSilent = !job.frame && cameras->hasHadFrames();
    if (const std::optional<QString> skipped = reasonToSkipTick(*m_settings, now, job.frame.get())) {
        Q_EMIT tickSkipped(now, *skipped);
        return;
    }
    if (const QString problem = m_naming.namingProblem(); !problem.isEmpty()) {
        Q_EMIT tickRefused(now, problem);
        return;
    }
    job.tick = ++m_tickNumber;
    job.time = now;
    job.quality = JpegQuality::fromFactor(settingValue(*m_settings, OXImageQuality));
    job.stamp = cameras->stampStyle();
    const bool sequence = settingValue(*m_settings, OXSaveSequenceFlag);
    // One name for the disk and the server; a sequence name given out earlier this run gets a counter.
    job.sequenceName = m_naming.imageWithSequence(sequence, now);
    job.fileName = sequence ? m_givenNames.unused(job.sequenceName) : job.sequenceName;
    job.replaceable = !sequence;

    Refusals refusals;
    if (settingValue(*m_settings, OXSaveToDiskFlag)) {
        // Without a folder the picture would land in whatever folder Ombrix was started from.
        if (settingValue(*m_settings, OXSaveToDiskPath).trimmed().isEmpty())
            refusals.save = tr("no save folder is chosen (Preferences, or OXSaveToDiskPath in the settings file)");
        else
            job.savePath = m_naming.saveToDiskPath(job.fileName);
    }
    if (uploading(*m_settings)) {
        const QString address = settingValue(*m_settings, OXFTPServerAddress);
        const QString user = settingValue(*m_settings, OXFTPUsername);
        const QString folder = settingValue(*m_settings, OXFTPPath);
        refusals.upload = controlCharacterProblem(job.fileName);
        if (refusals.upload.isEmpty()) {
            job.upload = true;
            job.username = user;
            if (isPasswordKnown())
                job.password = password();
            job.url = m_naming.uploadURL(address, folder, job.fileName);
        }
    }
    if (!refusals.save.isEmpty() || !refusals.upload.isEmpty())
        m_refusals.insert(job.tick, refusals);
    m_delivery->addTick(std::move(job));
}

QString RecordingSession::controlCharacterProblem(const QString& fileName) const
{
    // A control character would reach the server as a command of its own; the
    // password is checked also while it is not yet known to be the one.
    const std::pair<QString, QString> fields[] = {
        {tr("user name"), settingValue(*m_settings, OXFTPUsername)},
        {tr("password"), password()},
        {tr("server address"), settingValue(*m_settings, OXFTPServerAddress)},
        {tr("server folder"), settingValue(*m_settings, OXFTPPath)},
        {tr("picture name"), fileName},
    };
    for (const auto& [name, text] : fields) {
        if (hasControlCharacter(text))
            return tr("The %1 holds a control character (such as a line break), which would reach "
                      "the server as a command of its own. Retype the %1.")
                .arg(name);
    }
    return {};
}

void RecordingSession::uploadFilm(const QString& path, const QString& text)
{
    const QString address = settingValue(*m_settings, OXFTPServerAddress);
    const QString user = settingValue(*m_settings, OXFTPUsername);
    const QString folder = settingValue(*m_settings, OXFTPPath);
    if (!settingValue(*m_settings, OXDailyFilmUploadFlag) || !uploading(*m_settings)) {
        Q_EMIT dailyFilmFinished(text);
        return;
    }
    const QString fileName = QFileInfo(path).fileName();
    if (const QString problem = controlCharacterProblem(fileName); !problem.isEmpty()) {
        Q_EMIT dailyFilmFinished(tr("%1, not uploaded: %2").arg(text, problem));
        return;
    }
    TickJob job;
    job.tick = ++m_tickNumber;
    job.time = m_naming.now();
    job.file = path;
    job.upload = true;
    job.username = user;
    if (isPasswordKnown())
        job.password = password();
    job.url = m_naming.uploadURL(address, folder, fileName);
    m_films.insert(job.tick, text);
    m_delivery->addTick(std::move(job));
}

void RecordingSession::tickDidFinish(TickOutcome outcome)
{
    if (const auto film = m_films.constFind(outcome.tick); film != m_films.constEnd()) {
        // A film's upload is told once, by its first try; it waits in the outbox like a picture.
        QString how = tr("uploaded");
        if (outcome.upload == TickOutcome::Upload::Kept || outcome.upload == TickOutcome::Upload::Failed)
            how = tr("waiting in the outbox for the server");
        else if (outcome.upload != TickOutcome::Upload::Sent)
            how = tr("not uploaded: %1").arg(outcome.pictureMade ? outcome.uploadError.description : tr("the film cannot be read"));
        Q_EMIT dailyFilmFinished(QStringLiteral("%1, %2").arg(*film, how));
        m_films.erase(film);
        return;
    }
    const Refusals refused = m_refusals.take(outcome.tick);
    if (outcome.pictureMade) {
        if (!refused.save.isEmpty()) {
            outcome.save = TickOutcome::Save::Failed;
            outcome.saveProblem = refused.save;
        }
        if (!refused.upload.isEmpty()) {
            outcome.upload = TickOutcome::Upload::Refused;
            outcome.uploadError = Error{QStringLiteral("OmbrixUploadErrorDomain"), 1, refused.upload};
        }
    }
    Q_EMIT tickFinished(outcome);
    m_problems->tickFinished(outcome);
}

bool RecordingSession::trustHostKey(const SshHostKey& key, QString* problem)
{
    const QString& path = m_services.transfer.knownHostsPath;
    return retryIf(KnownHosts::add(path.isEmpty() ? KnownHosts::defaultPath() : path, key, problem));
}

bool RecordingSession::trustCertificate(const TrustedCertificate& certificate, QString* problem)
{
    const QString& path = m_services.transfer.trustedCertificatesPath;
    return retryIf(TrustedCertificates::add(path.isEmpty() ? TrustedCertificates::defaultPath() : path, certificate, problem));
}

bool RecordingSession::retryIf(bool trusted)
{
    if (trusted) // the pictures that waited for this server go at once
        m_delivery->retryNow();
    return trusted;
}

// ---- the FTP password --------------------------------------------------------------

QString RecordingSession::host() const
{
    return PasswordKeychain(m_settings, m_services.secretStore).storedHost();
}

QString RecordingSession::password() const
{
    return m_services.typedPassword ? m_services.typedPassword() : m_password.value_or(QString());
}

void RecordingSession::lookUpPassword()
{
    m_keychainCall.reset();
    m_password.reset();
    m_lookedElsewhere = false;
    m_passwordKnown = host().isEmpty(); // no server: nothing to ask for
    if (m_passwordKnown)
        return;
    // An anonymous login needs none; the keyring may still hold one for the field.
    if (isAnonymousLogin(settingValue(*m_settings, OXFTPUsername)))
        becomeKnown(tr("none needed (anonymous login)"));
    if (m_services.secretStore)
        m_keychainCall = PasswordKeychain(m_settings, m_services.secretStore)
                             .readLater([this](std::optional<QString> password, const Error& error) {
                                 keyringAnswered(password, error);
                             });
    if (!m_keychainCall) {
        noPasswordFromKeyring();
        return;
    }
    m_keyringPatience.start(); // the call goes on: a keyring unlocked later still delivers
}

void RecordingSession::keyringAnswered(const std::optional<QString>& password, const Error&)
{
    m_keyringPatience.stop();
    if (password && !m_typed)
        Q_EMIT keyringPasswordRead(*password);
    if (password && !password->isEmpty() && !m_typed) {
        m_password = password;
        becomeKnown(tr("the keyring"));
        return;
    }
    // Nothing stored, or no keyring service at all (a locked one does not answer).
    noPasswordFromKeyring();
}

void RecordingSession::noPasswordFromKeyring()
{
    if (m_passwordKnown || m_lookedElsewhere)
        return;
    m_lookedElsewhere = true;
    if (m_services.typedPassword) {
        becomeKnown(tr("the password field"));
        return;
    }
    if (!m_services.netrcPath.isEmpty()) {
        const NetrcLookup lookup =
            Netrc::passwordFor(m_services.netrcPath, host(), settingValue(*m_settings, OXFTPUsername));
        if (!lookup.problem.isEmpty())
            Q_EMIT passwordProblemChanged(lookup.problem);
        if (lookup.password) {
            m_password = lookup.password;
            becomeKnown(m_services.netrcPath);
            return;
        }
    }
    // An SSH server may take a key instead (the agent's or a key file): it says so if not.
    if (QUrl(settingValue(*m_settings, OXFTPServerAddress).trimmed()).scheme() == QLatin1String("sftp")) {
        becomeKnown(tr("none (the SSH key logs in)"));
        return;
    }
    Q_EMIT passwordProblemChanged(
        m_services.netrcPath.isEmpty()
            ? tr("No FTP password for %1 in the keyring: pictures to upload wait in the outbox.").arg(host())
            : tr("No FTP password for %1 in the keyring or in %2: pictures to upload wait in the outbox.")
                  .arg(host(), m_services.netrcPath));
}

void RecordingSession::keyringSilent()
{
    if (m_passwordKnown)
        return;
    if (!m_services.netrcPath.isEmpty())
        noPasswordFromKeyring();
    else
        Q_EMIT passwordProblemChanged(tr("The keyring has not answered (it may be locked): uploads wait for the FTP "
                                         "password; type it to upload now"));
}

void RecordingSession::passwordTyped()
{
    m_typed = true;
    becomeKnown(tr("typed"));
}

void RecordingSession::becomeKnown(const QString& source)
{
    m_passwordKnown = true;
    m_keyringPatience.stop();
    Q_EMIT passwordProblemChanged(QString());
    const QString server = host();
    if (server.isEmpty())
        return;
    m_delivery->setPassword(server, password());
    Q_EMIT passwordKnown(server, source);
}

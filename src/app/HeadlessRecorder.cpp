#include "HeadlessRecorder.h"

#include "CameraController.h"
#include "FtpText.h"
#include "JpegEncoder.h"
#include "Netrc.h"
#include "Outbox.h"
#include "PasswordKeychain.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "TickGate.h"
#include "UserDefaults.h"

#include <QFileInfo>

#include <cmath>

namespace {

using namespace std::chrono_literals;

constexpr auto kKeyringPatience = 5s;
constexpr double kMaximumIntervalSeconds = 2147483.0; // a timer's milliseconds in an int

} // namespace

HeadlessRecorder::HeadlessRecorder(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_naming(m_services.userDefaults, m_services.clock)
{
    UserDefaults* settings = m_services.userDefaults;
    m_delivery = std::make_unique<DeliveryWorker>(
        DeliveryWorker::Settings::fromUserDefaults(*settings, m_services.transfer, m_services.outboxFolder));
    connect(m_delivery.get(), &DeliveryWorker::tickFinished, this, &HeadlessRecorder::tickDidFinish, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::outboxChanged, this, [this](const OutboxState& state) { m_outbox = state; },
            Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::tlsSeen, this,
            [settings](const QString& host) { DeliveryWorker::rememberTlsHost(*settings, host); }, Qt::QueuedConnection);

    CameraController* cameras = m_services.camController;
    m_cameras = cameras->devicesDict().keys();
    connect(cameras, &CameraController::devicesDictChanged, this, &HeadlessRecorder::camerasChanged);
    connect(cameras, &CameraController::cameraSuspendedChanged, this, [this](bool suspended) {
        const CaptureDevicePtr& device = m_services.camController->userDevice();
        const QString name = device ? device->localizedDisplayName() : QString();
        m_services.log(suspended ? tr("%1 camera \"%2\" turned off: ticks are skipped until it is back")
                                       .arg(timeText(m_naming.now()), name)
                                 : tr("%1 camera \"%2\" is on").arg(timeText(m_naming.now()), name));
    });
    connect(cameras, &CameraController::cameraFailed, this,
            [this](const QString& text) { m_services.problem(text + QLatin1Char(' ') + tr("Trying again.")); });
    connect(cameras, &CameraController::cameraRecovered, this,
            [this] { m_services.log(tr("%1 the camera works again").arg(timeText(m_naming.now()))); });

    m_sequenceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sequenceTimer, &QTimer::timeout, this, &HeadlessRecorder::tick);
}

HeadlessRecorder::~HeadlessRecorder()
{
    m_sequenceTimer.stop();
    m_keychainCall.reset();
    m_delivery.reset();
}

QString HeadlessRecorder::timeText(const QDateTime& time) const
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool HeadlessRecorder::uploading() const
{
    return !settingValue(*m_services.userDefaults, OXFTPServerAddress).trimmed().isEmpty();
}

QString HeadlessRecorder::settingsProblem() const
{
    if (!settingValue(*m_services.userDefaults, OXSaveToDiskFlag) && !uploading())
        return tr("Nothing to do: the settings neither save pictures nor upload them (set OXSaveToDiskFlag or "
                  "OXFTPServerAddress in %1).")
            .arg(m_services.userDefaults->filePath());
    return m_naming.namingProblem();
}

void HeadlessRecorder::start()
{
    const int unit = settingValue(*m_services.userDefaults, OXIntervalUnit);
    double seconds = settingValue(*m_services.userDefaults, OXRecordingInterval) * (unit == 1 ? 60.0 : 1.0);
    // Zero, negative or unreadable would fire without pause; longer would wrap round.
    if (!std::isfinite(seconds) || seconds < 1.0)
        seconds = 1.0;
    seconds = std::min(seconds, kMaximumIntervalSeconds);
    m_sequenceTimer.start(std::chrono::milliseconds(std::llround(seconds * 1000.0)));
    m_services.log(tr("%1 recording every %2 s").arg(timeText(m_naming.now())).arg(seconds));
    if (uploading())
        lookUpPassword();
}

void HeadlessRecorder::camerasChanged()
{
    const QStringList now = m_services.camController->devicesDict().keys();
    for (const QString& name : now)
        if (!m_cameras.contains(name))
            m_services.log(tr("%1 camera \"%2\" connected").arg(timeText(m_naming.now()), name));
    for (const QString& name : std::as_const(m_cameras))
        if (!now.contains(name))
            m_services.log(tr("%1 camera \"%2\" disconnected").arg(timeText(m_naming.now()), name));
    m_cameras = now;
}

void HeadlessRecorder::tick()
{
    const QDateTime now = m_naming.now();
    if (m_services.camController->cameraSuspended()) {
        m_services.log(tr("%1 skipped: the camera is turned off").arg(timeText(now)));
        return;
    }
    TickJob job;
    job.frame = m_services.camController->newestFrame();
    if (const std::optional<QString> skipped = reasonToSkipTick(*m_services.userDefaults, now, job.frame.get())) {
        m_services.log(tr("%1 skipped: %2").arg(timeText(now), *skipped));
        return;
    }
    const QString namingProblem = m_naming.namingProblem();
    if (!namingProblem.isEmpty()) {
        m_services.problem(namingProblem);
        return;
    }
    UserDefaults* settings = m_services.userDefaults;
    job.tick = ++m_tickNumber;
    job.time = now;
    job.quality = JpegQuality::fromFactor(settingValue(*settings, OXImageQuality));
    job.stamp = m_services.camController->stampStyle();
    const bool sequence = settingValue(*settings, OXSaveSequenceFlag);
    QString fileName = m_naming.imageWithSequence(sequence, now);
    if (sequence)
        fileName = m_givenNames.unused(fileName);
    if (settingValue(*settings, OXSaveToDiskFlag)) {
        if (settingValue(*settings, OXSaveToDiskPath).trimmed().isEmpty())
            m_services.problem(tr("Not saved: no save folder is set (OXSaveToDiskPath)"));
        else
            job.savePath = m_naming.saveToDiskPath(fileName);
    }
    if (uploading()) {
        const QString address = settingValue(*settings, OXFTPServerAddress);
        const QString user = settingValue(*settings, OXFTPUsername);
        const QString folder = settingValue(*settings, OXFTPPath);
        if (hasControlCharacter(address) || hasControlCharacter(user) || hasControlCharacter(folder) ||
            hasControlCharacter(fileName) || (m_password && hasControlCharacter(*m_password))) {
            m_services.problem(tr("A setting for the upload holds a control character (such as a line break): the "
                                  "picture is not uploaded."));
        } else {
            job.upload = true;
            job.username = user;
            job.password = m_password;
            job.url = m_naming.uploadURL(address, folder, fileName);
            job.replaceable = !sequence;
            job.fileName = fileName;
        }
    }
    m_tickNames.insert(job.tick, fileName);
    m_delivery->addTick(std::move(job));
}

void HeadlessRecorder::tickDidFinish(const TickOutcome& outcome)
{
    const QString name = m_tickNames.take(outcome.tick);
    if (!outcome.pictureMade) {
        m_services.log(tr("%1 no picture from the camera yet").arg(timeText(outcome.time)));
        return;
    }
    QStringList done;
    if (outcome.save == TickOutcome::Save::Saved)
        done << tr("saved");
    else if (outcome.save == TickOutcome::Save::Failed)
        done << tr("not saved: %1").arg(outcome.saveProblem);
    switch (outcome.upload) {
    case TickOutcome::Upload::NotAsked:
        break;
    case TickOutcome::Upload::Sent:
        done << tr("uploaded");
        break;
    case TickOutcome::Upload::Kept:
        done << tr("kept in the outbox (%1 waiting)").arg(std::max(1, m_outbox.waiting));
        break;
    case TickOutcome::Upload::Failed:
        done << tr("kept in the outbox: %1").arg(outcome.uploadError.description);
        break;
    }
    const QString line = QStringLiteral("%1 %2: %3").arg(timeText(outcome.time), name, done.join(QStringLiteral(", ")));
    m_services.log(line);
    if (outcome.save == TickOutcome::Save::Failed)
        m_services.problem(tr("Not saved to %1: %2").arg(outcome.savePath, outcome.saveProblem));
}

void HeadlessRecorder::lookUpPassword()
{
    const PasswordKeychain keychain(m_services.userDefaults, m_services.secretStore);
    m_keychainCall = keychain.readLater([this](std::optional<QString> password, const Error&) {
        if (password && !password->isEmpty())
            setPassword(*password, tr("the keyring"));
        else
            usePasswordFromNetrc();
    });
    if (!m_keychainCall) {
        usePasswordFromNetrc();
        return;
    }
    // The call goes on: a keyring unlocked later still delivers the password.
    QTimer::singleShot(kKeyringPatience, this, [this] {
        if (!m_password)
            usePasswordFromNetrc();
    });
}

void HeadlessRecorder::usePasswordFromNetrc()
{
    if (m_netrcTried)
        return;
    m_netrcTried = true;
    const QString path = m_services.netrcPath.isEmpty() ? Netrc::defaultPath() : m_services.netrcPath;
    const QString host = PasswordKeychain(m_services.userDefaults, m_services.secretStore).storedHost();
    const NetrcLookup lookup =
        Netrc::passwordFor(path, host, settingValue(*m_services.userDefaults, OXFTPUsername));
    if (!lookup.problem.isEmpty())
        m_services.problem(lookup.problem);
    if (lookup.password) {
        setPassword(*lookup.password, path);
        return;
    }
    if (!m_password)
        m_services.problem(tr("No FTP password for %1 in the keyring or in %2: pictures to upload wait in the outbox.")
                               .arg(host, path));
}

void HeadlessRecorder::setPassword(const QString& password, const QString& source)
{
    m_password = password;
    const QString host = PasswordKeychain(m_services.userDefaults, m_services.secretStore).storedHost();
    m_services.log(tr("%1 FTP password for %2 from %3").arg(timeText(m_naming.now()), host, source));
    m_delivery->setPassword(host, password);
}

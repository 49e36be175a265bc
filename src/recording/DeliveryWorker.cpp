#include "DeliveryWorker.h"

#include "DiskKeeper.h"
#include "Outbox.h"
#include "PictureNaming.h"
#include "Paths.h"
#include "SettingsTable.h"
#include "UserDefaults.h"
#include "WholeFile.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <future>

namespace {

const QString kOutboxErrorDomain = QStringLiteral("OmbrixOutboxErrorDomain");

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Why an outbox entry can never be sent, or nothing when it can.
QString unsendable(const Outbox::Item& item, const QByteArray& picture)
{
    const QString scheme = item.url.scheme();
    if (scheme != QLatin1String("ftp") && scheme != QLatin1String("ftps") && scheme != QLatin1String("sftp"))
        return DeliveryWorker::tr("its address is not an FTP or SFTP address: %1").arg(item.url.toDisplayString());
    if (item.url.host().isEmpty() || item.url.fileName().isEmpty())
        return DeliveryWorker::tr("its address names no server or no file: %1").arg(item.url.toDisplayString());
    // A whole JPEG starts with its start-of-image marker and ends with its end-of-image one.
    if (Outbox::contentSuffix(item.url) == QLatin1String(".jpg") && (!picture.startsWith("\xff\xd8") || !picture.endsWith("\xff\xd9")))
        return DeliveryWorker::tr("it is not a whole JPEG picture (%1 bytes)").arg(picture.size());
    return {};
}

// The server a picture goes to: a pause after a failure holds only that server's pictures.
QString serverOf(const QUrl& url)
{
    return url.host() + QLatin1Char(':') + QString::number(url.port(url.scheme() == QLatin1String("sftp") ? 22 : 21));
}

QStringList tlsHosts(const UserDefaults& userDefaults)
{
    return settingValue(userDefaults, OXFTPTLSHosts).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

DeliveryWorker::Settings DeliveryWorker::Settings::fromUserDefaults(const UserDefaults& userDefaults,
                                                                    FTPTransferSettings transfer, const QString& outboxFolder)
{
    Settings settings;
    settings.transfer = std::move(transfer);
    if (const QString key = settingValue(userDefaults, OXSFTPKeyFile).trimmed(); !key.isEmpty())
        settings.transfer.sshKeyFile = expandTilde(key);
    settings.outboxFolder = outboxFolder.isEmpty() ? Outbox::defaultFolder() : outboxFolder;
    const qint64 limitMB = settingValue(userDefaults, OXOutboxLimitMB); // an int: no overflow below
    if (limitMB > 0)
        settings.outboxLimitBytes = limitMB * 1024 * 1024;
    const QStringList hosts = tlsHosts(userDefaults);
    settings.hostsRequiringTls = QSet<QString>(hosts.begin(), hosts.end());
    return settings;
}

void DeliveryWorker::rememberTlsHost(UserDefaults& userDefaults, const QString& host)
{
    QStringList hosts = tlsHosts(userDefaults);
    if (!hosts.contains(host))
        setSettingValue(userDefaults, OXFTPTLSHosts, (hosts << host).join(QLatin1Char(' ')));
}

DeliveryWorker::DeliveryWorker(Settings settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_ftp(m_settings.transfer)
    , m_secondLane(m_settings.transfer)
{
    m_ftp.setDelegate(this);
    m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
}

void DeliveryWorker::start()
{
    if (m_saver.joinable())
        return;
    m_saver = std::thread([this] { saveLoop(); });
    m_sender = std::thread([this] { sendLoop(); });
}

DeliveryWorker::~DeliveryWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_saveWake.notify_one();
    m_sendWake.notify_one();
    m_ftp.abortTransfers();
    m_secondLane.abortTransfers();
    if (m_saver.joinable()) {
        m_sender.join();
        m_saver.join();
    }
}

void DeliveryWorker::addTick(TickJob job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_saveWake.notify_one();
}

void DeliveryWorker::setPassword(const QString& host, const QString& password)
{
    {
        std::lock_guard lock(m_mutex);
        m_passwords.insert(host, password);
        m_attemptNow = true;
    }
    m_sendWake.notify_one();
}

void DeliveryWorker::retryNow()
{
    {
        std::lock_guard lock(m_mutex);
        m_nextTry = {};
        m_pausedServers.clear();
        m_attemptNow = true;
    }
    m_sendWake.notify_one();
}

void DeliveryWorker::setServerCleanup(const ServerCleanup& cleanup)
{
    {
        std::lock_guard lock(m_mutex);
        if (cleanup == m_serverCleanup)
            return;
        m_serverCleanup = cleanup;
        m_serverCleanupDue = {}; // soon
    }
    m_sendWake.notify_one();
}

// ---- saving thread ---------------------------------------------------------------

void DeliveryWorker::saveLoop()
{
    {
        std::lock_guard lock(m_mutex);
        m_outbox = std::make_unique<Outbox>(m_settings.outboxFolder, m_settings.outboxLimitBytes);
        m_attemptNow = true; // what an earlier run left is sent at once
    }
    m_sendWake.notify_one();
    publish();
    Lock lock(m_mutex);
    for (;;) {
        m_saveWake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty())
            return; // stopping, and every save asked for is done
        TickJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        if (job.upload && job.password)
            m_passwords.insert(job.url.host(), *job.password);
        lock.unlock();
        process(job);
        lock.lock();
    }
}

void DeliveryWorker::process(TickJob& job)
{
    TickOutcome outcome;
    outcome.tick = job.tick;
    outcome.time = job.time;
    outcome.fileName = job.fileName;
    const std::optional<QByteArray> still =
        job.file.isEmpty() ? m_stillMaker.makeStill(job.frame, job.quality, job.stamp, job.time) : readFile(job.file);
    job.frame = {}; // the camera's buffer goes back as soon as possible
    if (!still) {
        Q_EMIT tickFinished(outcome);
        return;
    }
    outcome.pictureMade = true;
    if (!job.savePath.isEmpty()) {
        if (!job.replaceable)
            stepPastTakenName(job);
        outcome.fileName = job.fileName;
        outcome.savePath = job.savePath;
        qint64 free = -1;
        const qint64 floor = DiskKeeper::floorBytes(QFileInfo(job.savePath).absolutePath(), &free);
        if (free >= 0 && free - still->size() < floor) { // never the disk's last bytes
            outcome.save = TickOutcome::Save::Failed;
            outcome.diskFloor = true;
            outcome.saveProblem = tr("the disk is nearly full (%1 free): nothing is saved there until room returns")
                                      .arg(QLocale().formattedDataSize(free));
        } else if (writeWholeFile(job.savePath, *still, &outcome.saveProblem)) {
            outcome.save = TickOutcome::Save::Saved;
            if (m_settings.saved)
                m_settings.saved(job.savePath, still->size());
        } else {
            outcome.save = TickOutcome::Save::Failed;
        }
    }
    if (!job.upload) {
        Q_EMIT tickFinished(outcome);
        return;
    }
    outcome.upload = TickOutcome::Upload::Kept; // until its first try says more
    {
        std::lock_guard lock(m_mutex);
        QString problem;
        if (m_outbox->add(*still, job.url, job.username, job.replaceable, &problem)) {
            const QString id = m_outbox->items().back().id;
            m_fresh.insert(id);
            m_awaiting.insert(id, outcome);
            m_keepProblem.clear();
        } else {
            m_keepProblem = problem;
            outcome.uploadError = Error{kOutboxErrorDomain, 1, problem};
            m_unkept.push_back(Unkept{outcome, *still, job.url, job.username});
        }
        m_attemptNow = true; // a tick's picture is tried at once, whatever the pause
    }
    m_sendWake.notify_one();
    publish();
}

void DeliveryWorker::stepPastTakenName(TickJob& job)
{
    // A sequence picture never replaces one on disk (from an earlier run, or an hour
    // the clocks repeated): it takes the next free counter, and the upload the same
    // name. The name may hold subfolders, so the URL takes the file's own name.
    if (!QFileInfo::exists(job.savePath) || !job.savePath.endsWith(job.fileName))
        return;
    const QString folder = job.savePath.chopped(job.fileName.size());
    const QString base = job.sequenceName.isEmpty() ? job.fileName : job.sequenceName;
    int n = 2;
    while (QFileInfo::exists(folder + PictureNaming::withCounter(base, n)))
        ++n;
    job.fileName = PictureNaming::withCounter(base, n);
    job.savePath = folder + job.fileName;
    if (job.upload)
        job.url = job.url.resolved(QUrl(QString::fromLatin1(
            QUrl::toPercentEncoding(QFileInfo(job.savePath).fileName()))));
}

// ---- sending thread --------------------------------------------------------------

void DeliveryWorker::sendLoop()
{
    using namespace std::chrono;
    Lock lock(m_mutex);
    m_sendWake.wait(lock, [this] { return m_outbox || m_stopping; });
    while (!m_stopping) {
        const auto now = steady_clock::now();
        if (m_nextTry != steady_clock::time_point{} && now >= m_nextTry) {
            m_nextTry = {}; // the pause is over: every waiting picture may go again
            m_pausedServers.clear();
            m_attemptNow = true;
        }
        const QDateTime wallClock = QDateTime::currentDateTime();
        for (const Outbox::Item& item : m_outbox->items())
            if (item.setAside && item.retryAfter.isValid() && item.retryAfter <= wallClock)
                m_attemptNow = true;
        if (m_attemptNow || !m_unkept.empty()) {
            m_attemptNow = false;
            sendPass(lock);
            continue;
        }
        if (m_serverCleanup.days > 0 && m_passwords.contains(m_serverCleanup.folder.host()) && now >= m_serverCleanupDue) {
            cleanServer(lock);
            continue;
        }
        // Set-aside pictures come due by the wall clock: look again now and then.
        auto until = m_nextTry != steady_clock::time_point{} ? std::min(m_nextTry, now + minutes(1)) : now + minutes(1);
        if (m_serverCleanup.days > 0)
            until = std::min(until, std::max(m_serverCleanupDue, now));
        m_sendWake.wait_until(lock, until);
    }
}

void DeliveryWorker::cleanServer(Lock& lock)
{
    using namespace std::chrono;
    const ServerCleanup cleanup = m_serverCleanup;
    const QString password = m_passwords.value(cleanup.folder.host());
    // A picture still waiting to go keeps its name on the server too.
    QSet<QString> waiting;
    for (const Outbox::Item& item : m_outbox->items())
        if (item.url.adjusted(QUrl::RemoveFilename) == cleanup.folder)
            waiting.insert(item.url.fileName());
    lock.unlock();
    const qint64 cutoff = DiskKeeper::keyOf(QDateTime::currentDateTime().addDays(-cleanup.days));
    QStringList old;
    const std::optional<QStringList> names = m_ftp.listNames(cleanup.folder, cleanup.username, password);
    for (const QString& name : names.value_or(QStringList())) {
        const auto key = DiskKeeper::sequenceKey(name, cleanup.base);
        if (key && key->first < cutoff && !waiting.contains(name))
            old << name;
    }
    const bool done = names && (old.isEmpty() || m_ftp.removeNames(cleanup.folder, old, cleanup.username, password));
    lock.lock();
    // Once an hour at most; a server that did not answer is asked again in a minute.
    m_serverCleanupDue = steady_clock::now() + (done ? duration_cast<steady_clock::duration>(hours(1))
                                                     : duration_cast<steady_clock::duration>(minutes(1)));
    if (done && !old.isEmpty())
        Q_EMIT serverCleaned(cleanup.folder.host(), int(old.size()));
}

void DeliveryWorker::sendUnkept(Lock& lock)
{
    Unkept unkept = std::move(m_unkept.front());
    m_unkept.pop_front();
    const auto password = m_passwords.constFind(unkept.url.host());
    bool sent = false;
    if (password != m_passwords.constEnd()) {
        const QString known = *password;
        lock.unlock();
        sent = m_ftp.uploadData(unkept.picture, unkept.url, unkept.username, known);
        lock.lock();
    } else {
        m_lastError = Error{kOutboxErrorDomain, 2, tr("the FTP password is not known yet")};
    }
    TickOutcome& outcome = unkept.outcome;
    outcome.upload = sent ? TickOutcome::Upload::Sent : TickOutcome::Upload::NotKept;
    if (!sent)
        outcome.uploadError.description = tr("The picture could not be kept for a later try (%1), and its upload failed: %2")
                                              .arg(outcome.uploadError.description, m_lastError.description);
    Q_EMIT tickFinished(outcome);
}

void DeliveryWorker::answer(const QString& id, TickOutcome::Upload how, const Error& error)
{
    auto waiting = m_awaiting.find(id);
    if (waiting == m_awaiting.end())
        return;
    TickOutcome outcome = *waiting;
    m_awaiting.erase(waiting);
    outcome.upload = how;
    outcome.uploadError = error;
    Q_EMIT tickFinished(outcome);
}

void DeliveryWorker::sendPass(Lock& lock)
{
    using namespace std::chrono;
    for (;;) {
        if (m_stopping)
            return;
        if (!m_unkept.empty()) { // tried before anything the outbox holds: it has no second chance
            sendUnkept(lock);
            continue;
        }
        // The next picture: oldest first; during a retry pause a paused server's only
        // when they are new, and set-aside ones when they are due.
        const QDateTime wallClock = QDateTime::currentDateTime();
        const auto due = [&](const Outbox::Item& item) {
            return item.setAside ? item.retryAfter.isValid() && item.retryAfter <= wallClock
                                 : !m_pausedServers.contains(serverOf(item.url)) || m_fresh.contains(item.id);
        };
        std::optional<Outbox::Item> next;
        QString password;
        for (const Outbox::Item& item : m_outbox->items()) {
            const auto known = m_passwords.constFind(item.url.host());
            if (due(item) && known != m_passwords.constEnd()) {
                next = item; // a copy: saves during the upload may change the outbox
                password = *known;
                break;
            }
        }
        if (!next)
            break;
        const bool fresh = m_fresh.remove(next->id);
        const std::optional<QByteArray> bytes = m_outbox->picture(*next);
        if (!bytes) {
            m_outbox->remove(next->id); // removed by hand meanwhile
            continue;
        }
        if (const QString why = unsendable(*next, *bytes); !why.isEmpty()) {
            const QString problem = tr("It can never be sent: %1").arg(why);
            m_outbox->setAside(next->id, problem, QDateTime());
            answer(next->id, TickOutcome::Upload::SetAside, Error{kOutboxErrorDomain, 3, problem});
            continue;
        }

        const QString host = next->url.host();
        const QString server = serverOf(next->url);
        // A backlog over SFTP goes two at a time, over a second connection: the two
        // pictures' round trips overlap. Not over FTP, whose servers often allow one
        // connection per address; an SFTP server that refuses the second gets one at a time.
        std::optional<Outbox::Item> second;
        std::optional<QByteArray> secondBytes;
        if (next->url.scheme() == QLatin1String("sftp") && !m_oneConnectionServers.contains(server)) {
            for (const Outbox::Item& item : m_outbox->items()) {
                if (item.setAside || !due(item) || item.id == next->id || item.url == next->url ||
                    serverOf(item.url) != server || item.url.scheme() != next->url.scheme())
                    continue;
                secondBytes = m_outbox->picture(item);
                if (secondBytes && unsendable(item, *secondBytes).isEmpty())
                    second = item;
                break;
            }
        }

        lock.unlock();
        std::future<bool> secondSent;
        if (second)
            secondSent = std::async(std::launch::async, [&] {
                return m_secondLane.uploadData(*secondBytes, second->url, second->username, password);
            });
        const bool sent = m_ftp.uploadData(*bytes, next->url, next->username, password);
        const bool permanent = !sent && m_ftp.lastFailureIsPermanent();
        const bool usedTls = sent && m_ftp.lastUploadUsedTls();
        const bool alsoSent = secondSent.valid() && secondSent.get();
        lock.lock();

        // A picture the second connection failed waits for the first; its failure is
        // told only when the first failed alike (the server is away).
        if (alsoSent) {
            m_fresh.remove(second->id);
            m_outbox->remove(second->id);
            answer(second->id, TickOutcome::Upload::Sent);
        } else if (second && sent && !m_stopping) {
            m_oneConnectionServers.insert(server); // one session at a time there
        } else if (second && !permanent && !m_stopping) {
            m_fresh.remove(second->id);
            answer(second->id, TickOutcome::Upload::Failed, m_lastError);
        }
        if (sent) {
            m_outbox->remove(next->id);
            if (usedTls && !m_settings.hostsRequiringTls.contains(host)) {
                m_settings.hostsRequiringTls.insert(host);
                m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
                Q_EMIT tlsSeen(host);
            }
            m_pausedServers.remove(server); // it answers again: send the rest at once
            if (m_pausedServers.isEmpty()) {
                m_pause = {};
                m_nextTry = {};
            }
            answer(next->id, TickOutcome::Upload::Sent);
        } else if (m_stopping) {
            return; // abandoned, not failed: the picture stays for the next start
        } else if (permanent) {
            // Refused for good: set aside, so that it does not hold the pictures behind it.
            const QDateTime retry = QDateTime::currentDateTime().addMSecs(m_settings.setAsidePause.count());
            m_outbox->setAside(next->id, m_lastError.description, retry);
            answer(next->id, TickOutcome::Upload::SetAside, m_lastError);
        } else {
            if (next->setAside) // still failing: its next try is as rare as before
                m_outbox->setAside(next->id, next->problem,
                                   QDateTime::currentDateTime().addMSecs(m_settings.setAsidePause.count()));
            // A new picture failing during its server's pause does not lengthen it.
            if (!m_pausedServers.contains(server) || !fresh) {
                m_pausedServers.insert(server);
                m_pause = m_pause.count() == 0 ? m_settings.firstRetryPause : std::min(m_pause * 2, m_settings.longestRetryPause);
                m_nextTry = steady_clock::now() + m_pause;
                m_nextTryWallClock = QDateTime::currentDateTime().addMSecs(m_pause.count());
            }
            answer(next->id, TickOutcome::Upload::Failed, m_lastError);
            const SshHostKey& key = m_ftp.lastUnknownHostKey();
            if (key.isValid() && !m_unknownKeysTold.contains(key.hostPattern() + key.fingerprint())) {
                m_unknownKeysTold.insert(key.hostPattern() + key.fingerprint());
                Q_EMIT hostKeyUnknown(key);
            }
            const TrustedCertificate& certificate = m_ftp.lastUnknownCertificate();
            const QString told = certificate.hostPattern() + QString::fromLatin1(certificate.pin);
            if (certificate.isValid() && !m_unknownKeysTold.contains(told)) {
                m_unknownKeysTold.insert(told);
                Q_EMIT certificateUnknown(certificate);
            }
        }
        lock.unlock();
        publish();
        lock.lock();
    }
    // Ticks whose picture could not be tried yet (no password known) hear that it waits.
    for (const QString& id : m_awaiting.keys())
        answer(id, TickOutcome::Upload::Kept);
    for (auto it = m_fresh.begin(); it != m_fresh.end();)
        it = m_outbox->contains(*it) ? std::next(it) : m_fresh.erase(it); // replaced or dropped meanwhile
    lock.unlock();
    publish();
    lock.lock();
}

void DeliveryWorker::publish()
{
    OutboxState state;
    {
        std::lock_guard lock(m_mutex);
        if (!m_outbox)
            return;
        state = stateLocked();
    }
    Q_EMIT outboxChanged(state);
}

OutboxState DeliveryWorker::stateLocked() const
{
    OutboxState state;
    state.dropped = m_outbox->droppedCount();
    state.keepProblem = m_keepProblem;
    bool anyPassword = false;
    for (const Outbox::Item& item : m_outbox->items()) {
        if (item.setAside) {
            ++state.setAside;
            state.setAsideName = item.url.fileName();
            state.setAsideProblem = item.problem;
            continue;
        }
        if (state.waiting++ == 0)
            state.host = item.url.host();
        anyPassword = anyPassword || m_passwords.contains(item.url.host());
    }
    if (state.waiting > 0) {
        state.needsPassword = !anyPassword;
        if (m_nextTry != std::chrono::steady_clock::time_point{})
            state.nextTry = m_nextTryWallClock;
    }
    return state;
}

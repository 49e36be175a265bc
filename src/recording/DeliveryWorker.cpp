#include "DeliveryWorker.h"

#include "DiskKeeper.h"
#include "Outbox.h"
#include "PictureNaming.h"
#include "Paths.h"
#include "SequenceName.h"
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
    settings.transfer.s3Endpoint = settingValue(userDefaults, OXS3Endpoint).trimmed();
    if (const QString region = settingValue(userDefaults, OXS3Region).trimmed(); !region.isEmpty())
        settings.transfer.s3Region = region;
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
    , m_plan(SendPlan::Rules{m_settings.firstRetryPause.count(), m_settings.longestRetryPause.count(),
                             m_settings.setAsidePause.count()})
    , m_ftp(m_settings.transfer)

{
    m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
    for (int n = 1; n < SendPlan::kMostConnections; ++n) {
        m_lanes.push_back(std::make_unique<FTPController>(m_settings.transfer));
        m_lanes.back()->setHostsRequiringTls(m_settings.hostsRequiringTls);
    }
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
    for (const auto& lane : m_lanes)
        lane->abortTransfers();
    if (m_saver.joinable()) {
        m_sender.join();
        m_saver.join();
    }
}

void DeliveryWorker::addTick(TickJob job)
{
    {
        std::lock_guard lock(m_mutex);
        if (job.upload)
            m_usernames.insert(job.url.host(), job.username);
        m_jobs.push_back(std::move(job));
    }
    m_saveWake.notify_one();
}

void DeliveryWorker::setPassword(const QString& host, const QString& password)
{
    {
        std::lock_guard lock(m_mutex);
        m_passwords.insert(host, password);
    }
    m_sendWake.notify_one();
}

void DeliveryWorker::retryNow()
{
    {
        std::lock_guard lock(m_mutex);
        m_plan.retryNow();
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
    outcome.cameraSilent = job.cameraSilent;
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
            m_plan.added(id);
            m_awaiting.insert(id, outcome);
            m_keepProblem.clear();
        } else {
            m_keepProblem = problem;
            outcome.uploadError = Error{kOutboxErrorDomain, 1, problem};
            m_unkept.push_back(Unkept{outcome, *still, job.url, job.username});
        }
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
    while (QFileInfo::exists(folder + SequenceName::withCounter(base, n)))
        ++n;
    job.fileName = SequenceName::withCounter(base, n);
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
    bool sentSinceIdle = true; // what an earlier run left is told once it is looked at
    while (!m_stopping) {
        if (!m_unkept.empty()) { // tried before anything the outbox holds: it has no second chance
            sendUnkept(lock);
            continue;
        }
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        if (SendPlan::Pick pick = m_plan.next(m_outbox->items(), hostsWithPassword(), nowMs); pick.first) {
            send(lock, std::move(pick));
            sentSinceIdle = true;
            continue;
        }
        if (sentSinceIdle || !m_awaiting.isEmpty()) {
            sentSinceIdle = false;
            // Ticks whose picture could not be tried yet (no password known) hear that it waits.
            for (const QString& id : m_awaiting.keys())
                answer(id, TickOutcome::Upload::Kept);
            m_plan.forgetGone(m_outbox->items()); // replaced or dropped meanwhile
            lock.unlock();
            publish();
            lock.lock();
            continue;
        }
        const auto now = steady_clock::now();
        if (m_serverCleanup.days > 0 && m_passwords.contains(m_serverCleanup.folder.host()) && now >= m_serverCleanupDue) {
            cleanServer(lock);
            continue;
        }
        // Until something comes due; a look at least every minute, whatever the wall clock does.
        const qint64 dueMs = m_plan.nextDueMs(m_outbox->items(), nowMs);
        auto until = now + minutes(1);
        if (dueMs != 0)
            until = std::min(until, now + milliseconds(std::max<qint64>(0, dueMs - nowMs)));
        if (m_serverCleanup.days > 0)
            until = std::min(until, std::max(m_serverCleanupDue, now));
        m_sendWake.wait_until(lock, until);
    }
}

QSet<QString> DeliveryWorker::hostsWithPassword() const
{
    QSet<QString> hosts;
    for (auto it = m_passwords.cbegin(); it != m_passwords.cend(); ++it)
        hosts.insert(it.key());
    return hosts;
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
    const qint64 cutoff = SequenceName::keyOf(QDateTime::currentDateTime().addDays(-cleanup.days));
    QStringList old;
    const TransferResult listed = m_ftp.listNames(cleanup.folder, cleanup.username, password);
    for (const QString& name : listed.names) {
        const auto parsed = SequenceName::parse(name, cleanup.base);
        if (parsed && parsed->key < cutoff && !waiting.contains(name))
            old << name;
    }
    const bool done = listed.ok && (old.isEmpty() || m_ftp.removeNames(cleanup.folder, old, cleanup.username, password).ok);
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
    TransferResult result = TransferResult::failed(Error{kOutboxErrorDomain, 2, tr("the FTP password is not known yet")});
    if (password != m_passwords.constEnd()) {
        const QString known = *password;
        lock.unlock();
        result = m_ftp.uploadData(unkept.picture, unkept.url, unkept.username, known);
        lock.lock();
    }
    const bool sent = result.ok;
    TickOutcome& outcome = unkept.outcome;
    outcome.upload = sent ? TickOutcome::Upload::Sent : TickOutcome::Upload::NotKept;
    if (!sent)
        outcome.uploadError.description = tr("The picture could not be kept for a later try (%1), and its upload failed: %2")
                                              .arg(outcome.uploadError.description, result.error.description);
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

void DeliveryWorker::send(Lock& lock, SendPlan::Pick pick)
{
    const Outbox::Item& first = *pick.first; // copies: saves during the upload may change the outbox
    const std::optional<QByteArray> bytes = m_outbox->picture(first);
    if (!bytes) {
        m_outbox->remove(first.id); // removed by hand meanwhile
        return;
    }
    if (const QString why = SendPlan::unsendable(first, *bytes); !why.isEmpty()) {
        const QString problem = tr("It can never be sent: %1").arg(why);
        m_outbox->setAside(first.id, problem, QDateTime());
        answer(first.id, TickOutcome::Upload::SetAside, Error{kOutboxErrorDomain, 3, problem});
        return;
    }
    // The others' pictures, each for a connection of its own; one that cannot go waits for the first's turn.
    std::vector<QByteArray> otherBytes;
    for (auto it = pick.others.begin(); it != pick.others.end();) {
        std::optional<QByteArray> other = m_outbox->picture(*it);
        if (other && SendPlan::unsendable(*it, *other).isEmpty()) {
            otherBytes.push_back(std::move(*other));
            ++it;
        } else {
            it = pick.others.erase(it);
        }
    }
    const QString password = m_passwords.value(first.url.host());
    const QString username = m_usernames.value(first.url.host(), first.username);

    lock.unlock();
    std::vector<std::future<TransferResult>> othersSent;
    for (size_t n = 0; n < pick.others.size(); ++n)
        othersSent.push_back(std::async(std::launch::async, [&, n] {
            return m_lanes[n]->uploadData(otherBytes[n], pick.others[n].url, username, password);
        }));
    const TransferResult result = m_ftp.uploadData(*bytes, first.url, username, password);
    std::vector<TransferResult> otherResults;
    for (std::future<TransferResult>& sent : othersSent)
        otherResults.push_back(sent.get());
    lock.lock();

    if (m_stopping) { // abandoned, not failed: what did not arrive stays for the next start
        if (result.ok)
            otherResults.push_back(result), pick.others.push_back(first);
        for (size_t n = 0; n < pick.others.size(); ++n)
            if (otherResults[n].ok) {
                m_outbox->remove(pick.others[n].id);
                answer(pick.others[n].id, TickOutcome::Upload::Sent);
            }
        return;
    }
    const SendPlan::Settled settled = m_plan.settle(pick, result, otherResults, QDateTime::currentMSecsSinceEpoch());
    carryOut(*pick.first, settled.first);
    for (size_t n = 0; n < pick.others.size(); ++n)
        carryOut(pick.others[n], settled.others[n]);
    const QString host = first.url.host();
    if (result.usedTls && !m_settings.hostsRequiringTls.contains(host)) {
        m_settings.hostsRequiringTls.insert(host);
        m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
        for (const auto& lane : m_lanes)
            lane->setHostsRequiringTls(m_settings.hostsRequiringTls);
        Q_EMIT tlsSeen(host);
    }
    const SshHostKey& key = result.unknownHostKey;
    if (key.isValid() && !m_unknownKeysTold.contains(key.hostPattern() + key.fingerprint())) {
        m_unknownKeysTold.insert(key.hostPattern() + key.fingerprint());
        Q_EMIT hostKeyUnknown(key);
    }
    const TrustedCertificate& certificate = result.unknownCertificate;
    const QString told = certificate.hostPattern() + QString::fromLatin1(certificate.pin);
    if (certificate.isValid() && !m_unknownKeysTold.contains(told)) {
        m_unknownKeysTold.insert(told);
        Q_EMIT certificateUnknown(certificate);
    }
    lock.unlock();
    publish();
    lock.lock();
}

void DeliveryWorker::carryOut(const Outbox::Item& item, const SendPlan::Fate& fate)
{
    using Action = SendPlan::Fate::Action;
    if (fate.action == Action::Remove)
        m_outbox->remove(item.id);
    else if (fate.action == Action::SetAside)
        m_outbox->setAside(item.id, fate.problem,
                           fate.retryAfterMs ? QDateTime::fromMSecsSinceEpoch(fate.retryAfterMs) : QDateTime());
    if (fate.told != TickOutcome::Upload::NotAsked)
        answer(item.id, fate.told, fate.error);
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
        if (m_plan.nextTryMs() != 0)
            state.nextTry = QDateTime::fromMSecsSinceEpoch(m_plan.nextTryMs());
    }
    return state;
}

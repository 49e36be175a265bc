#include "DeliveryWorker.h"

#include "Outbox.h"
#include "PictureNaming.h"
#include "SettingsTable.h"
#include "UserDefaults.h"
#include "WholeFile.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

Error notKept(const QString& why)
{
    return Error{QStringLiteral("OmbrixOutboxErrorDomain"), 1,
                 DeliveryWorker::tr("The picture could not be kept for its upload: %1").arg(why)};
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
{
    m_ftp.setDelegate(this);
    m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
    // While a transfer is slow, the ticks behind it are still saved on time.
    m_ftp.setBetweenWaits([this] { processJobs(); });
    m_thread = std::thread([this] { run(); });
}

DeliveryWorker::~DeliveryWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_ftp.abortTransfers();
    m_thread.join();
}

void DeliveryWorker::addTick(TickJob job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
    m_ftp.wakeUp();
}

void DeliveryWorker::setPassword(const QString& host, const QString& password)
{
    {
        std::lock_guard lock(m_mutex);
        m_passwords.insert(host, password);
        m_attemptNow = true;
    }
    m_wake.notify_one();
}

void DeliveryWorker::run()
{
    m_outbox = std::make_unique<Outbox>(m_settings.outboxFolder, m_settings.outboxLimitBytes);
    std::unique_lock lock(m_mutex);
    m_attemptNow = m_attemptNow || !m_outbox->isEmpty(); // what an earlier run left is sent at once
    lock.unlock();
    publish();
    lock.lock();
    for (;;) {
        if (!m_jobs.empty()) {
            lock.unlock();
            processJobs();
            lock.lock();
            continue;
        }
        if (m_stopping)
            break;
        const auto now = std::chrono::steady_clock::now();
        const bool due = m_attemptNow || (m_nextTry != std::chrono::steady_clock::time_point{} && now >= m_nextTry);
        if (due) {
            m_attemptNow = false;
            m_nextTry = {};
            lock.unlock();
            sendWaiting();
            lock.lock();
            continue;
        }
        if (m_nextTry != std::chrono::steady_clock::time_point{})
            m_wake.wait_until(lock, m_nextTry);
        else
            m_wake.wait(lock);
    }
}

void DeliveryWorker::processJobs()
{
    for (;;) {
        TickJob job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            if (job.upload && job.password)
                m_passwords.insert(job.url.host(), *job.password);
        }
        process(job);
    }
}

void DeliveryWorker::process(TickJob& job)
{
    TickOutcome outcome;
    outcome.tick = job.tick;
    outcome.time = job.time;
    outcome.fileName = job.fileName;
    const std::optional<QByteArray> still = m_stillMaker.makeStill(job.frame, job.quality, job.stamp, job.time);
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
        outcome.save = writeWholeFile(job.savePath, *still, &outcome.saveProblem) ? TickOutcome::Save::Saved
                                                                                 : TickOutcome::Save::Failed;
    }
    if (!job.upload) {
        Q_EMIT tickFinished(outcome);
        return;
    }
    QString problem;
    if (!m_outbox->add(*still, job.url, job.username, job.replaceable, &problem)) {
        m_keepProblem = problem;
        outcome.upload = TickOutcome::Upload::Failed;
        outcome.uploadError = notKept(problem);
        Q_EMIT tickFinished(outcome);
        publish();
        return;
    }
    m_keepProblem.clear();
    m_tickItems.insert(job.tick, m_outbox->items().back().id);
    outcome.upload = TickOutcome::Upload::Kept; // until its first try says more
    m_awaitingUpload.push_back(outcome);
    {
        std::lock_guard lock(m_mutex);
        m_attemptNow = true; // a tick's upload is tried at once, whatever the pause
    }
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

void DeliveryWorker::sendWaiting()
{
    // The ticks waiting for a try now get one: this pass answers them.
    std::deque<TickOutcome> answering = std::exchange(m_awaitingUpload, {});
    auto answer = [this](TickOutcome& outcome, TickOutcome::Upload how) {
        m_tickItems.remove(outcome.tick);
        outcome.upload = how;
        if (how == TickOutcome::Upload::Failed)
            outcome.uploadError = m_lastError;
        Q_EMIT tickFinished(outcome);
    };
    // A tick is answered as soon as its own picture is on the server, also one that
    // came during this pass: a pass lasts as long as pictures keep coming.
    auto answerSent = [&](const QString& id) {
        for (auto* list : {&answering, &m_awaitingUpload}) {
            for (auto it = list->begin(); it != list->end();) {
                if (m_tickItems.value(it->tick) == id) {
                    answer(*it, TickOutcome::Upload::Sent);
                    it = list->erase(it);
                } else {
                    ++it;
                }
            }
        }
    };

    bool failed = false;
    for (;;) {
        std::optional<Outbox::Item> next;
        QString password;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
            for (const Outbox::Item& item : m_outbox->items()) {
                const auto known = m_passwords.constFind(item.url.host());
                if (known != m_passwords.constEnd()) {
                    next = item; // a copy: ticks during the upload may change the outbox
                    password = *known;
                    break;
                }
            }
        }
        if (!next)
            break;
        const std::optional<QByteArray> bytes = m_outbox->picture(*next);
        if (!bytes) {
            m_outbox->remove(next->id); // removed by hand meanwhile
            continue;
        }
        if (m_ftp.uploadData(*bytes, next->url, next->username, password)) {
            m_outbox->remove(next->id);
            const QString host = next->url.host();
            if (m_ftp.lastUploadUsedTls() && !m_settings.hostsRequiringTls.contains(host)) {
                m_settings.hostsRequiringTls.insert(host);
                m_ftp.setHostsRequiringTls(m_settings.hostsRequiringTls);
                Q_EMIT tlsSeen(host);
            }
            m_pause = {};
            answerSent(next->id);
            publish();
            continue; // the server answers again: send the rest at once
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break; // abandoned, not failed: the picture stays for the next start
        }
        failed = true;
        m_pause = m_pause.count() == 0 ? m_settings.firstRetryPause
                                       : std::min(m_pause * 2, m_settings.longestRetryPause);
        m_nextTry = std::chrono::steady_clock::now() + m_pause;
        m_nextTryWallClock = QDateTime::currentDateTime().addMSecs(m_pause.count());
        break;
    }

    for (TickOutcome& outcome : answering)
        answer(outcome, failed ? TickOutcome::Upload::Failed : TickOutcome::Upload::Kept);
    publish();
}

void DeliveryWorker::publish()
{
    OutboxState state;
    state.waiting = static_cast<int>(m_outbox->items().size());
    state.dropped = m_outbox->droppedCount();
    state.keepProblem = m_keepProblem;
    if (!m_outbox->isEmpty()) {
        state.host = m_outbox->items().front().url.host();
        std::lock_guard lock(m_mutex);
        state.needsPassword = std::none_of(m_outbox->items().begin(), m_outbox->items().end(),
                                           [&](const Outbox::Item& item) { return m_passwords.contains(item.url.host()); });
        if (m_nextTry != std::chrono::steady_clock::time_point{})
            state.nextTry = m_nextTryWallClock;
    }
    Q_EMIT outboxChanged(state);
}

#include "SendPlan.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DeliveryWorker", text);
}

const QStringList kSchemes{QStringLiteral("ftp"), QStringLiteral("ftps"), QStringLiteral("sftp"), QStringLiteral("https"),
                           QStringLiteral("http"), QStringLiteral("s3")};

qint64 msOf(const QDateTime& time)
{
    return time.isValid() ? time.toMSecsSinceEpoch() : 0;
}

} // namespace

QString SendPlan::serverOf(const QUrl& url)
{
    const QString scheme = url.scheme();
    const int port = scheme == QLatin1String("sftp")                                  ? 22
        : scheme == QLatin1String("https") || scheme == QLatin1String("s3") ? 443
        : scheme == QLatin1String("http")                                   ? 80
                                                                            : 21;
    return url.host() + QLatin1Char(':') + QString::number(url.port(port));
}

QString SendPlan::unsendable(const Outbox::Item& item, const QByteArray& picture)
{
    const QString scheme = item.url.scheme();
    if (!kSchemes.contains(scheme))
        return tr("its address is not an FTP, SFTP, WebDAV or S3 address: %1").arg(item.url.toDisplayString());
    if (item.url.host().isEmpty() || item.url.fileName().isEmpty())
        return tr("its address names no server or no file: %1").arg(item.url.toDisplayString());
    // A whole JPEG starts with its start-of-image marker and ends with its end-of-image one.
    if (Outbox::contentSuffix(item.url) == QLatin1String(".jpg") && (!picture.startsWith("\xff\xd8") || !picture.endsWith("\xff\xd9")))
        return tr("it is not a whole JPEG picture (%1 bytes)").arg(picture.size());
    return {};
}

void SendPlan::retryNow()
{
    m_nextTryMs = 0;
    m_away.clear();
}

void SendPlan::endPauseIfOver(qint64 nowMs)
{
    // A pause never lasts longer than it was set for, even when the clock is put back.
    if (m_nextTryMs != 0 && (nowMs >= m_nextTryMs || m_nextTryMs - nowMs > m_pauseMs))
        retryNow();
}

bool SendPlan::isDue(const Outbox::Item& item, qint64 nowMs) const
{
    if (item.setAside) {
        const qint64 retry = msOf(item.retryAfter);
        return retry != 0 && (retry <= nowMs || retry - nowMs > m_rules.setAsidePauseMs);
    }
    return !m_away.contains(serverOf(item.url)) || m_fresh.contains(item.id);
}

SendPlan::Pick SendPlan::next(const std::vector<Outbox::Item>& items, const QSet<QString>& hostsWithPassword, qint64 nowMs)
{
    endPauseIfOver(nowMs);
    Pick pick;
    for (const Outbox::Item& item : items) {
        if (isDue(item, nowMs) && hostsWithPassword.contains(item.url.host())) {
            pick.first = item;
            break;
        }
    }
    if (!pick.first)
        return pick;
    pick.firstFresh = m_fresh.remove(pick.first->id);
    const QString server = serverOf(pick.first->url);
    const int connections = m_oneConnection.contains(server) ? 1 : connectionsFor(pick.first->url);
    QSet<QUrl> names{pick.first->url}; // never two to one name at once
    for (const Outbox::Item& item : items) {
        if (int(pick.others.size()) + 1 >= connections)
            break;
        if (item.setAside || !isDue(item, nowMs) || names.contains(item.url) || serverOf(item.url) != server ||
            item.url.scheme() != pick.first->url.scheme())
            continue;
        names.insert(item.url);
        pick.others.push_back(item);
    }
    return pick;
}

int SendPlan::connectionsFor(const QUrl& url)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("sftp"))
        return 2;
    return scheme.startsWith(QLatin1String("http")) || scheme == QLatin1String("s3") ? kMostConnections : 1;
}

SendPlan::Settled SendPlan::settle(const Pick& pick, const TransferResult& first, const std::vector<TransferResult>& others,
                                   qint64 nowMs)
{
    Settled settled;
    const Outbox::Item& item = *pick.first;
    const QString server = serverOf(item.url);
    Fate& fate = settled.first;
    fate.error = first.error;
    if (first.ok) {
        fate.action = Fate::Action::Remove;
        fate.told = TickOutcome::Upload::Sent;
        m_away.remove(server); // it answers again: the rest go at once
        if (m_away.isEmpty()) {
            m_pauseMs = 0;
            m_nextTryMs = 0;
        }
    } else if (first.permanent) {
        fate.action = Fate::Action::SetAside;
        fate.retryAfterMs = nowMs + m_rules.setAsidePauseMs;
        fate.problem = first.error.description;
        fate.told = TickOutcome::Upload::SetAside;
    } else {
        if (item.setAside) { // still failing: its next try is as rare as before
            fate.action = Fate::Action::SetAside;
            fate.retryAfterMs = nowMs + m_rules.setAsidePauseMs;
            fate.problem = item.problem;
        }
        fate.told = TickOutcome::Upload::Failed;
        // A new picture failing during its server's pause does not lengthen it.
        if (!m_away.contains(server) || !pick.firstFresh) {
            m_away.insert(server);
            m_pauseMs = m_pauseMs == 0 ? m_rules.firstRetryPauseMs : std::min(m_pauseMs * 2, m_rules.longestRetryPauseMs);
            m_nextTryMs = nowMs + m_pauseMs;
        }
    }

    // A picture another connection failed waits for the first; its failure is told
    // only when the first failed alike (the server is away).
    for (size_t n = 0; n < pick.others.size(); ++n) {
        Fate& other = settled.others.emplace_back();
        if (n < others.size() && others[n].ok) {
            other.action = Fate::Action::Remove;
            other.told = TickOutcome::Upload::Sent;
            m_fresh.remove(pick.others[n].id);
        } else if (first.ok) {
            m_oneConnection.insert(server); // one session at a time there
        } else if (!first.permanent) {
            other.told = TickOutcome::Upload::Failed;
            other.error = first.error;
            m_fresh.remove(pick.others[n].id);
        }
    }
    return settled;
}

void SendPlan::forgetGone(const std::vector<Outbox::Item>& items)
{
    QSet<QString> present;
    for (const Outbox::Item& item : items)
        present.insert(item.id);
    m_fresh.intersect(present);
}

qint64 SendPlan::nextDueMs(const std::vector<Outbox::Item>& items, qint64 nowMs) const
{
    qint64 due = m_nextTryMs;
    for (const Outbox::Item& item : items) {
        const qint64 retry = item.setAside ? msOf(item.retryAfter) : 0;
        if (retry > nowMs && (due == 0 || retry < due))
            due = retry;
    }
    return due;
}

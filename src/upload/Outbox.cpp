#include "Outbox.h"

#include "Paths.h"
#include "WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kAddressSuffix = QStringLiteral(".json");
const QStringList kContentPatterns{QStringLiteral("*.jpg"), QStringLiteral("*.mp4"), QStringLiteral("*.webm")};

} // namespace

Outbox::Outbox(QString folder, qint64 byteLimit)
    : m_folder(std::move(folder))
    , m_byteLimit(byteLimit)
{
    QDir().mkpath(m_folder);
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    load();
}

QString Outbox::defaultFolder()
{
    return stateFolder() + QStringLiteral("/outbox");
}

QString Outbox::path(const QString& id, const QString& suffix) const
{
    return m_folder + QLatin1Char('/') + id + suffix;
}

QString Outbox::contentSuffix(const QUrl& url)
{
    const QString name = url.fileName().toLower();
    for (const QString& film : {QStringLiteral(".mp4"), QStringLiteral(".webm")})
        if (name.endsWith(film))
            return film;
    return QStringLiteral(".jpg");
}

void Outbox::load()
{
    const QDir dir(m_folder);
    const QStringList addresses = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    QSet<QString> kept;
    for (const QString& file : addresses) {
        const QString id = file.chopped(5);
        QFile meta(dir.filePath(file));
        const QJsonObject json = meta.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(meta.readAll()).object() : QJsonObject();
        const QUrl url(json.value(QStringLiteral("url")).toString(), QUrl::StrictMode);
        const QFileInfo picture(path(id, contentSuffix(url)));
        if (!picture.isFile() || !url.isValid() || url.isEmpty()) {
            QFile::remove(meta.fileName());
            continue;
        }
        Item item{id, url, json.value(QStringLiteral("user")).toString(), json.value(QStringLiteral("replaceable")).toBool(),
                  picture.size(), false, {}, {}};
        item.setAside = json.value(QStringLiteral("setAside")).toBool();
        item.retryAfter = QDateTime::fromString(json.value(QStringLiteral("retryAfter")).toString(), Qt::ISODate);
        item.problem = json.value(QStringLiteral("problem")).toString();
        m_items.push_back(std::move(item));
        kept.insert(picture.fileName());
    }
    // A picture whose address was never written cannot be sent anywhere.
    for (const QString& file : dir.entryList(kContentPatterns, QDir::Files)) {
        if (!kept.contains(file))
            QFile::remove(dir.filePath(file));
    }
    enforceLimit();
}

bool Outbox::add(const QByteArray& picture, const QUrl& url, const QString& username, bool replaceable, QString* problem)
{
    // Ids are the time in milliseconds and a counter, so that names sort oldest first.
    const qint64 now = std::max(QDateTime::currentMSecsSinceEpoch(), m_lastStamp);
    m_sameStampCount = now == m_lastStamp ? m_sameStampCount + 1 : 0;
    m_lastStamp = now;
    QString id = QStringLiteral("%1-%2").arg(now, 15, 10, QLatin1Char('0')).arg(m_sameStampCount, 4, 10, QLatin1Char('0'));
    if (!m_items.empty() && id <= m_items.back().id)
        id = m_items.back().id + QStringLiteral("z"); // a clock set back keeps the order

    QDir().mkpath(m_folder);
    Item item{id, url, username, replaceable, picture.size(), false, {}, {}};
    if (!writeWholeFile(contentPath(item), picture, problem))
        return false;
    if (!writeAddress(item, problem)) {
        QFile::remove(contentPath(item));
        return false;
    }
    if (replaceable) {
        // Only the newest always-current picture for an address matters.
        for (auto it = m_items.begin(); it != m_items.end();) {
            if (it->replaceable && it->url == url) {
                erase(it);
                it = m_items.begin();
            } else {
                ++it;
            }
        }
    }
    m_items.push_back(std::move(item));
    enforceLimit();
    return true;
}

bool Outbox::writeAddress(const Item& item, QString* problem)
{
    QJsonObject json{{QStringLiteral("url"), item.url.toString(QUrl::FullyEncoded)},
                     {QStringLiteral("user"), item.username},
                     {QStringLiteral("replaceable"), item.replaceable}};
    if (item.setAside) {
        json.insert(QStringLiteral("setAside"), true);
        json.insert(QStringLiteral("problem"), item.problem);
        if (item.retryAfter.isValid())
            json.insert(QStringLiteral("retryAfter"), item.retryAfter.toString(Qt::ISODate));
    }
    return writeWholeFile(path(item.id, kAddressSuffix), QJsonDocument(json).toJson(QJsonDocument::Compact), problem);
}

bool Outbox::setAside(const QString& id, const QString& problem, const QDateTime& retryAfter)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const Item& item) { return item.id == id; });
    if (it == m_items.end())
        return false;
    it->setAside = true;
    it->problem = problem;
    it->retryAfter = retryAfter;
    return writeAddress(*it, nullptr);
}

std::optional<QByteArray> Outbox::picture(const Item& item) const
{
    QFile file(contentPath(item));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void Outbox::remove(const QString& id)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const Item& item) { return item.id == id; });
    if (it != m_items.end())
        erase(it);
}

bool Outbox::contains(const QString& id) const
{
    return std::any_of(m_items.begin(), m_items.end(), [&](const Item& item) { return item.id == id; });
}

void Outbox::erase(std::vector<Item>::iterator item)
{
    // The address goes first: a picture without one is removed at the next start.
    QFile::remove(path(item->id, kAddressSuffix));
    QFile::remove(contentPath(*item));
    m_items.erase(item);
}

qint64 Outbox::totalBytes() const
{
    qint64 total = 0;
    for (const Item& item : m_items)
        total += item.bytes;
    return total;
}

void Outbox::enforceLimit()
{
    // The newest picture is kept whatever its size: it is the one that matters most.
    while (m_items.size() > 1 && totalBytes() > m_byteLimit) {
        erase(m_items.begin());
        ++m_dropped;
    }
}

#include "DiskKeeper.h"

#include "Paths.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;

// The free space of the disk holding the path, or -1.
qint64 freeSpace(const QString& path, qint64* size = nullptr)
{
    struct statvfs disk {};
    if (::statvfs(QFile::encodeName(path).constData(), &disk) != 0)
        return -1;
    if (size)
        *size = qint64(disk.f_blocks) * qint64(disk.f_frsize);
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

qint64 timeKey(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return ((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 1000000 + t.hour() * 10000 + t.minute() * 100 + t.second();
}

QDateTime timeOf(qint64 key)
{
    const int seconds = int(key % 1000000);
    const qint64 day = key / 1000000;
    return QDateTime(QDate(int(day / 10000), int(day / 100 % 100), int(day % 100)),
                     QTime(seconds / 10000, seconds / 100 % 100, seconds % 100));
}

} // namespace

KeepRules KeepRules::fromUserDefaults(const UserDefaults& settings)
{
    KeepRules rules;
    rules.days = std::max(0, settingValue(settings, OXKeepDays));
    rules.maxBytes = std::max(0, settingValue(settings, OXKeepMaxMB)) * kMegabyte;
    rules.freeBytes = std::max(0, settingValue(settings, OXKeepFreeMB)) * kMegabyte;
    return rules;
}

SequencePlace SequencePlace::fromUserDefaults(const UserDefaults& settings)
{
    const QString folder = expandTilde(settingValue(settings, OXSaveToDiskPath).trimmed());
    const QString name = settingValue(settings, OXImageFilename);
    if (folder.isEmpty() || name.isEmpty() || name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return {};
    // A name with subfolders puts its pictures in them.
    const QFileInfo picture(folder + QLatin1Char('/') + name);
    return SequencePlace{QDir::cleanPath(picture.path()), picture.fileName()};
}

DiskKeeper::DiskKeeper(QObject* parent)
    : QObject(parent)
{
}

DiskKeeper::~DiskKeeper()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_quitting = true;
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void DiskKeeper::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void DiskKeeper::setPlace(const SequencePlace& place)
{
    {
        std::lock_guard lock(m_mutex);
        if (place == m_place)
            return;
        m_place = place;
        m_placeChanged = true;
    }
    m_wake.notify_one();
}

void DiskKeeper::setRules(const KeepRules& rules)
{
    {
        std::lock_guard lock(m_mutex);
        m_rules = rules;
        m_rulesChanged = true;
    }
    m_wake.notify_one();
}

void DiskKeeper::pictureSaved(const QString& path, qint64 bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_saved.emplace_back(path, bytes);
    }
    m_wake.notify_one();
}

void DiskKeeper::requestPreview(const KeepRules& rules, quint64 id)
{
    {
        std::lock_guard lock(m_mutex);
        m_previews.emplace_back(rules, id);
    }
    m_wake.notify_one();
}

qint64 DiskKeeper::floorBytes(const QString& folder, qint64* freeBytes)
{
    qint64 size = 0;
    const qint64 free = freeSpace(folder, &size);
    if (freeBytes)
        *freeBytes = free;
    return free < 0 ? 0 : std::min(size / 100, 100 * kMegabyte);
}

void DiskKeeper::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] {
            return m_stopping || m_placeChanged || m_rulesChanged || !m_saved.empty() || !m_previews.empty();
        });
        if (m_stopping)
            return;
        const bool rescan = std::exchange(m_placeChanged, false);
        const bool rulesChanged = std::exchange(m_rulesChanged, false);
        const SequencePlace place = m_place;
        auto saved = std::exchange(m_saved, {});
        auto previews = std::exchange(m_previews, {});
        lock.unlock();

        if (rescan) {
            m_scanned = place;
            scan();
        }
        const QString prefix = m_scanned.folder + QLatin1Char('/');
        for (const auto& [savedPath, bytes] : saved) {
            const QString path = QDir::cleanPath(savedPath);
            if (!m_scanned.isValid() || !path.startsWith(prefix))
                continue;
            if (const auto key = sequenceKey(path.mid(prefix.size()), m_scanned.base))
                add(Picture{key->first, key->second, bytes, path});
        }
        for (const auto& [rules, id] : previews) {
            CleanupPreview preview;
            const size_t count = toRemove(rules, freeSpace(m_scanned.folder), &preview.bytes);
            preview.count = int(count);
            if (count > 0)
                preview.before = count < m_pictures.size() ? timeOf(m_pictures[count].key) : QDateTime::currentDateTime();
            Q_EMIT previewed(id, preview);
        }
        clean(rescan || rulesChanged || !saved.empty());
        lock.lock();
    }
}

qint64 DiskKeeper::keyOf(const QDateTime& time)
{
    return timeKey(time);
}

std::optional<std::pair<qint64, int>> DiskKeeper::sequenceKey(const QString& fileName, const QString& base)
{
    // BASE_yyyyMMdd_HHmmss.jpg or BASE_yyyyMMdd_HHmmss_N.jpg, and nothing else.
    if (!fileName.startsWith(base) || !fileName.endsWith(QLatin1String(".jpg")) || fileName.size() < base.size() + 20)
        return std::nullopt;
    const QStringView rest = QStringView(fileName).mid(base.size(), fileName.size() - base.size() - 4);
    if (rest.size() < 16 || rest[0] != QLatin1Char('_') || rest[9] != QLatin1Char('_'))
        return std::nullopt;
    qint64 key = 0;
    for (int i = 1; i < 16; ++i) {
        if (i == 9)
            continue;
        if (!rest[i].isDigit() || rest[i].unicode() > '9')
            return std::nullopt;
        key = key * 10 + (rest[i].unicode() - '0');
    }
    int counter = 1;
    if (rest.size() > 16) {
        bool ok = false;
        if (rest[16] != QLatin1Char('_') || rest.size() == 17 || !rest[17].isDigit())
            return std::nullopt;
        counter = rest.mid(17).toInt(&ok);
        if (!ok || counter < 2)
            return std::nullopt;
    }
    // A real date and time (no 13th month), checked without building one: that costs
    // a time-zone look-up, too much for a folder of many thousand pictures.
    const qint64 day = key / 1000000;
    const int seconds = int(key % 1000000);
    if (!QDate::isValid(int(day / 10000), int(day / 100 % 100), int(day % 100)) ||
        !QTime::isValid(seconds / 10000, seconds / 100 % 100, seconds % 100))
        return std::nullopt;
    return std::pair{key, counter};
}

void DiskKeeper::scan()
{
    m_pictures.clear();
    m_totalBytes = 0;
    if (!m_scanned.isValid())
        return;
    // Files in this folder only, read with the system's own calls: a folder may hold
    // hundreds of thousands of pictures, and only the sequence's names are looked at twice.
    DIR* dir = ::opendir(QFile::encodeName(m_scanned.folder).constData());
    if (!dir)
        return;
    const QByteArray base = QFile::encodeName(m_scanned.base);
    const QString prefix = m_scanned.folder + QLatin1Char('/');
    while (const dirent* entry = m_quitting ? nullptr : ::readdir(dir)) {
        if ((entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) || ::strncmp(entry->d_name, base.constData(), base.size()) != 0)
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        const auto key = sequenceKey(name, m_scanned.base);
        struct stat info {};
        if (!key || ::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        m_totalBytes += info.st_size;
        m_pictures.push_back(Picture{key->first, key->second, info.st_size, prefix + name});
    }
    ::closedir(dir);
    std::sort(m_pictures.begin(), m_pictures.end());
}

void DiskKeeper::add(Picture picture)
{
    m_totalBytes += picture.bytes;
    // Pictures come newest last, so this is nearly always an append.
    if (m_pictures.empty() || !(picture < m_pictures.back())) {
        m_pictures.push_back(std::move(picture));
        return;
    }
    const auto at = std::upper_bound(m_pictures.begin(), m_pictures.end(), picture);
    if (at != m_pictures.begin() && (at - 1)->path == picture.path) { // the same file again
        m_totalBytes -= (at - 1)->bytes;
        *(at - 1) = std::move(picture);
        return;
    }
    m_pictures.insert(at, std::move(picture));
}

size_t DiskKeeper::toRemove(const KeepRules& rules, qint64 freeNow, qint64* bytes) const
{
    size_t count = 0;
    qint64 removed = 0;
    const qint64 cutoff = rules.days > 0 ? timeKey(QDateTime::currentDateTime().addDays(-rules.days)) : 0;
    while (count < m_pictures.size()) {
        const Picture& oldest = m_pictures[count];
        const bool tooOld = oldest.key < cutoff;
        const bool tooMuch = rules.maxBytes > 0 && m_totalBytes - removed > rules.maxBytes;
        const bool tooFull = rules.freeBytes > 0 && freeNow >= 0 && freeNow + removed < rules.freeBytes;
        if (!tooOld && !tooMuch && !tooFull)
            break;
        removed += oldest.bytes;
        ++count;
    }
    if (bytes)
        *bytes = removed;
    return count;
}

void DiskKeeper::clean(bool report)
{
    KeepRules rules;
    {
        std::lock_guard lock(m_mutex);
        rules = m_rules;
    }
    CleanupReport done;
    if (QDate::currentDate() != m_today) {
        m_today = QDate::currentDate();
        m_removedToday = 0;
    }
    if (rules.any() && m_scanned.isValid()) {
        size_t count = toRemove(rules, freeSpace(m_scanned.folder), nullptr);
        for (size_t n = 0; n < count; ++n) {
            if (m_quitting) { // the rest waits for the next start
                count = n;
                break;
            }
            const Picture& picture = m_pictures[n];
            // A file already gone counts as removed; one that cannot be removed is
            // skipped and counted, and leaves the list so that it is not tried again.
            if (QFile::remove(picture.path) || !QFileInfo::exists(picture.path)) {
                ++done.removed;
                done.removedBytes += picture.bytes;
            } else {
                ++done.failed;
            }
            m_totalBytes -= picture.bytes;
        }
        m_pictures.erase(m_pictures.begin(), m_pictures.begin() + qsizetype(count));
    }
    m_removedToday += done.removed;
    done.removedToday = m_removedToday;
    done.freeBytes = m_scanned.isValid() ? freeSpace(m_scanned.folder) : -1;
    done.kept = int(m_pictures.size());
    if (report || done.removed > 0 || done.failed > 0)
        Q_EMIT cleaned(done);
}

#include "DiskKeeper.h"

#include "Paths.h"
#include "SequenceName.h"
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
            if (const auto parsed = SequenceName::parse(QStringView(path).mid(prefix.size()), m_scanned.base))
                add(Picture{parsed->key, parsed->counter, bytes, path});
        }
        for (const auto& [rules, id] : previews) {
            CleanupPreview preview;
            const size_t count = toRemove(rules, freeSpace(m_scanned.folder), &preview.bytes);
            preview.count = int(count);
            if (count > 0)
                preview.before = count < m_pictures.size() ? SequenceName::timeOf(m_pictures[count].key) : QDateTime::currentDateTime();
            Q_EMIT previewed(id, preview);
        }
        clean(rescan || rulesChanged || !saved.empty());
        lock.lock();
    }
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
        const auto parsed = SequenceName::parse(name, m_scanned.base);
        struct stat info {};
        if (!parsed || ::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        m_totalBytes += info.st_size;
        m_pictures.push_back(Picture{parsed->key, parsed->counter, info.st_size, prefix + name});
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
    const qint64 cutoff = rules.days > 0 ? SequenceName::keyOf(QDateTime::currentDateTime().addDays(-rules.days)) : 0;
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

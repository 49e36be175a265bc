#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class UserDefaults;

// The owner's rules for old pictures; each is off at 0.
struct KeepRules {
    int days = 0;          // keep the sequence's pictures this many days (by the time in their names)
    qint64 maxBytes = 0;   // keep at most this much of them
    qint64 freeBytes = 0;  // keep at least this much free on their disk
    bool any() const { return days > 0 || maxBytes > 0 || freeBytes > 0; }
    bool operator==(const KeepRules&) const = default;
    static KeepRules fromUserDefaults(const UserDefaults& settings);
};

// Where the current sequence's pictures are: the folder (with any subfolder the
// picture name holds) and the name before "_yyyyMMdd_HHmmss[_N].jpg".
struct SequencePlace {
    QString folder;
    QString base;
    bool isValid() const { return !folder.isEmpty() && !base.isEmpty(); }
    bool operator==(const SequencePlace&) const = default;
    static SequencePlace fromUserDefaults(const UserDefaults& settings);
};

// What one clean-up did, and the disk as it left it.
struct CleanupReport {
    int removed = 0;           // by this clean-up
    qint64 removedBytes = 0;
    int failed = 0;            // could not be removed (skipped, not retried)
    int removedToday = 0;      // since midnight, this run
    qint64 freeBytes = -1;     // on the pictures' disk; -1: unknown
    int kept = 0;              // the sequence's pictures that stay
};

// What rules would remove from what is on disk now.
struct CleanupPreview {
    int count = 0;
    qint64 bytes = 0;
    QDateTime before; // the removed ones were taken before this (the oldest that stays)
};

// Keeps the disk from filling: applies the rules to the current sequence's
// pictures, oldest first, on a thread of its own. The folder is read once (and
// again when the place changes); after that the list is kept up to date from the
// pictures the saver reports, so no tick lists the folder. Only names of the
// sequence are ever removed: never other files, other names, films or the outbox.
class DiskKeeper : public QObject {
    Q_OBJECT
public:
    explicit DiskKeeper(QObject* parent = nullptr);
    ~DiskKeeper() override;
    // Starts its thread; connect to its signals first.
    void start();

    // Any thread.
    void setPlace(const SequencePlace& place);
    void setRules(const KeepRules& rules);
    void pictureSaved(const QString& path, qint64 bytes);
    void requestPreview(const KeepRules& rules, quint64 id);

    // The free space below which nothing is saved on the disk holding `folder`:
    // 1 % of its size or 100 MB, whichever is smaller. The disk is never written
    // to its last byte. Sets *freeBytes to the space free now (-1: unknown).
    static qint64 floorBytes(const QString& folder, qint64* freeBytes);

Q_SIGNALS:
    void cleaned(const CleanupReport& report);
    void previewed(quint64 id, const CleanupPreview& preview);

private:
    struct Picture {
        qint64 key = 0;     // yyyyMMddHHmmss as a number: sorts as the names' times do
        int counter = 1;
        qint64 bytes = 0;
        QString path;
        bool operator<(const Picture& other) const
        {
            return key != other.key ? key < other.key : counter < other.counter;
        }
    };
    void run();
    void scan();
    void add(Picture picture);
    // How many of the oldest the rules remove, and their bytes; freeNow: the disk's free space.
    size_t toRemove(const KeepRules& rules, qint64 freeNow, qint64* bytes) const;
    void clean(bool report);

    std::mutex m_mutex; // guards the members up to m_wake
    SequencePlace m_place;
    bool m_placeChanged = false;
    KeepRules m_rules;
    bool m_rulesChanged = false;
    std::deque<std::pair<QString, qint64>> m_saved;
    std::deque<std::pair<KeepRules, quint64>> m_previews;
    bool m_stopping = false;
    std::condition_variable m_wake;
    std::atomic<bool> m_quitting{false}; // read inside long reads and removals, so that quitting never waits for them

    // The keeper's thread only.
    SequencePlace m_scanned;
    std::deque<Picture> m_pictures; // oldest first; they leave from the front
    qint64 m_totalBytes = 0;
    QDate m_today;
    int m_removedToday = 0;

    std::thread m_thread;
};

#pragma once

#include "Error.h"
#include "FTPController.h"
#include "GstHandles.h"
#include "JpegEncoder.h"
#include "StillMaker.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class Outbox;
class UserDefaults;

// One tick's work, taken on the main thread as plain values: the frame, the
// tick's time and what the settings and fields said at that moment.
struct TickJob {
    quint64 tick = 0;
    GstSampleRef frame;
    QDateTime time; // also the stamp's time
    JpegQuality quality;
    std::optional<StampStyle> stamp;
    QString savePath; // empty: not saved
    bool upload = false;
    QUrl url;
    QString username;
    std::optional<QString> password; // none: not known yet (the keyring has not answered)
    bool replaceable = false;        // the always-current picture
    QString fileName;                // the name asked for; a sequence picture steps past one taken on disk
    QString sequenceName;            // the sequence's name before any counter the run gave it
};

// How a tick ended, once its picture was saved and its upload tried.
struct TickOutcome {
    enum class Save { NotAsked, Saved, Failed };
    // Refused: not uploaded at all (a setting would be unsafe to send).
    enum class Upload { NotAsked, Sent, Kept, Failed, Refused };
    quint64 tick = 0;
    QDateTime time;
    QString fileName; // the name actually written, past any taken one
    bool pictureMade = false;
    Save save = Save::NotAsked;
    QString savePath;    // empty when saving failed for want of a folder
    QString saveProblem;
    Upload upload = Upload::NotAsked;
    Error uploadError; // when Failed: why the picture is kept for later; when Refused: why not sent
};

// The pictures waiting for their server, as the status line tells it.
struct OutboxState {
    int waiting = 0;
    QString host;              // where the oldest waiting picture goes
    QDateTime nextTry;         // invalid: not scheduled (sending, or waiting for a password)
    bool needsPassword = false;
    int dropped = 0;           // pictures dropped for the outbox's bound since the start
    QString keepProblem;       // a picture could not be kept in the outbox
};

// Stamps, encodes, saves and uploads the ticks' pictures on a thread of its own,
// in the order of the ticks, so the window's thread never waits on the disk or the
// network. Every picture to upload is kept in the outbox first and leaves it only
// when the server has it whole; a failed upload is retried with a growing pause
// (and at once after the next tick or a success), also after a restart.
//
// Its signals are emitted on the worker thread; connect with queued connections.
// Destroying it finishes the saves already asked for, abandons the upload under
// way (its picture stays in the outbox) and returns promptly.
class DeliveryWorker : public QObject, private FTPControllerDelegate {
    Q_OBJECT
public:
    struct Settings {
        FTPTransferSettings transfer;
        QString outboxFolder;
        qint64 outboxLimitBytes = qint64(1024) * 1024 * 1024;
        std::chrono::milliseconds firstRetryPause{2000};
        std::chrono::milliseconds longestRetryPause{std::chrono::minutes(5)};
        QSet<QString> hostsRequiringTls;

        // As the settings file gives them: the outbox's bound and the hosts that must use TLS.
        static Settings fromUserDefaults(const UserDefaults& userDefaults, FTPTransferSettings transfer,
                                         const QString& outboxFolder);
    };
    // Remembers in the settings a host that spoke TLS, so that it never again gets the password in clear.
    static void rememberTlsHost(UserDefaults& userDefaults, const QString& host);

    explicit DeliveryWorker(Settings settings, QObject* parent = nullptr);
    ~DeliveryWorker() override;

    // Any thread: queues one tick's work behind the earlier ones.
    void addTick(TickJob job);
    // Any thread: the password for a host is known now (from the keyring or typed).
    void setPassword(const QString& host, const QString& password);

Q_SIGNALS:
    void tickFinished(const TickOutcome& outcome);
    void outboxChanged(const OutboxState& state);
    // The host spoke TLS for the first time: from now on it must.
    void tlsSeen(const QString& host);

private:
    void run();
    void processJobs(); // worker thread, with the lock not held
    void process(TickJob& job);
    void stepPastTakenName(TickJob& job);
    void sendWaiting();
    void publish();
    void uploadDidNotFinishWithError(const Error& error) override { m_lastError = error; }

    Settings m_settings;

    std::mutex m_mutex; // guards the members up to m_wake
    std::deque<TickJob> m_jobs;
    QHash<QString, QString> m_passwords; // by host
    bool m_attemptNow = false;
    bool m_stopping = false;
    std::condition_variable m_wake;

    // Worker thread only.
    std::unique_ptr<Outbox> m_outbox;
    FTPController m_ftp;
    StillMaker m_stillMaker;
    Error m_lastError;
    std::chrono::milliseconds m_pause{0};
    std::chrono::steady_clock::time_point m_nextTry{};
    QDateTime m_nextTryWallClock;
    std::deque<TickOutcome> m_awaitingUpload; // ticks whose picture waits for a first try
    QHash<quint64, QString> m_tickItems;      // tick -> its picture's id in the outbox
    QString m_keepProblem;

    std::thread m_thread; // last: starts when everything above exists
};

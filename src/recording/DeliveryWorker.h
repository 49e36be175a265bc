#pragma once

#include "DeliveryValues.h"
#include "Error.h"
#include "FTPController.h"
#include "GstHandles.h"
#include "JpegEncoder.h"
#include "SendPlan.h"
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
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class Outbox;
class UserDefaults;

// One tick's work, taken on the main thread as plain values: the frame, the
// tick's time and what the settings and fields said at that moment.
struct TickJob {
    quint64 tick = 0;
    GstSampleRef frame; // null: no new frame came for this tick
    bool cameraSilent = false;
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
    QString file;                    // set: this file (a film) is uploaded instead of a picture from the frame
};

// Stamps, encodes, saves and uploads the ticks' pictures on two threads of its
// own, so the window's thread never waits on the disk or the network: one saves
// the ticks' pictures in their order and keeps those to upload in the outbox; the
// other sends what the outbox holds. Saves never wait on the network.
//
// A picture leaves the outbox only when the server has it whole. A failed upload
// is retried with a growing pause, while each new tick's picture is still tried at
// once; a picture the server refuses for good (or that can never be sent) is set
// aside, counted and tried rarely, so it never holds the others. A picture the
// outbox cannot keep is tried once from memory.
//
// Its signals are emitted on its threads; connect with queued connections.
// Destroying it finishes the saves already asked for, abandons the upload under
// way (its picture stays in the outbox) and returns promptly.
class DeliveryWorker : public QObject {
    Q_OBJECT
public:
    struct Settings {
        FTPTransferSettings transfer;
        QString outboxFolder;
        qint64 outboxLimitBytes = qint64(1024) * 1024 * 1024;
        std::chrono::milliseconds firstRetryPause{2000};
        std::chrono::milliseconds longestRetryPause{std::chrono::minutes(5)};
        std::chrono::milliseconds setAsidePause{std::chrono::hours(1)};
        QSet<QString> hostsRequiringTls;
        // Told of every picture saved (its path and size), on the saving thread.
        std::function<void(const QString& path, qint64 bytes)> saved;

        // As the settings file gives them: the outbox's bound and the hosts that must use TLS.
        static Settings fromUserDefaults(const UserDefaults& userDefaults, FTPTransferSettings transfer,
                                         const QString& outboxFolder);
    };
    // Remembers in the settings a host that spoke TLS, so that it never again gets the password in clear.
    static void rememberTlsHost(UserDefaults& userDefaults, const QString& host);

    explicit DeliveryWorker(Settings settings, QObject* parent = nullptr);
    ~DeliveryWorker() override;
    // Starts its threads; connect to its signals first.
    void start();

    // Any thread: queues one tick's work behind the earlier ones.
    void addTick(TickJob job);
    // Any thread: the password for a host is known now (from the keyring or typed).
    void setPassword(const QString& host, const QString& password);
    // Any thread: try the waiting pictures now, whatever the pause (a host key was just trusted).
    void retryNow();
    // Any thread: old pictures to remove from the server, soon after the server
    // answers and then once an hour, between uploads.
    void setServerCleanup(const ServerCleanup& cleanup);

Q_SIGNALS:
    void tickFinished(const TickOutcome& outcome);
    void outboxChanged(const OutboxState& state);
    // The host spoke TLS for the first time: from now on it must.
    void tlsSeen(const QString& host);
    // Old pictures were removed from the server.
    void serverCleaned(const QString& host, int removed);
    // An SFTP server showed a host key known_hosts does not hold; once per key.
    void hostKeyUnknown(const SshHostKey& key);
    // An FTPS server showed a certificate no authority signed; once per key.
    void certificateUnknown(const TrustedCertificate& certificate);

private:
    using Lock = std::unique_lock<std::mutex>;
    // A picture the outbox could not keep, for its one try.
    struct Unkept {
        TickOutcome outcome;
        QByteArray picture;
        QUrl url;
        QString username;
    };
    void saveLoop();
    void process(TickJob& job);
    void stepPastTakenName(TickJob& job);
    void sendLoop();
    void send(Lock& lock, SendPlan::Pick pick);
    void carryOut(const Outbox::Item& item, const SendPlan::Fate& fate);
    QSet<QString> hostsWithPassword() const;
    void sendUnkept(Lock& lock);
    void cleanServer(Lock& lock);
    void answer(const QString& id, TickOutcome::Upload how, const Error& error = {});
    void publish();
    OutboxState stateLocked() const;

    Settings m_settings;

    mutable std::mutex m_mutex; // guards the members up to m_sendWake
    std::deque<TickJob> m_jobs;
    QHash<QString, QString> m_passwords; // by host
    // By host, the user name of the newest tick: a corrected name takes along what waits under the old one.
    QHash<QString, QString> m_usernames;
    std::unique_ptr<Outbox> m_outbox;    // made by the saving thread
    QHash<QString, TickOutcome> m_awaiting; // outbox id -> its tick, waiting for the first try
    std::deque<Unkept> m_unkept;
    bool m_stopping = false;
    SendPlan m_plan;
    ServerCleanup m_serverCleanup;
    std::chrono::steady_clock::time_point m_serverCleanupDue{};
    QString m_keepProblem;
    QSet<QString> m_unknownKeysTold; // fingerprints, with their servers
    std::condition_variable m_saveWake;
    std::condition_variable m_sendWake;

    StillMaker m_stillMaker; // saving thread only
    FTPController m_ftp;     // sending thread only (and abortTransfers)
    // A backlog's other connections, each used from a thread the sending thread waits for.
    std::vector<std::unique_ptr<FTPController>> m_lanes;

    std::thread m_saver; // last: they start when everything above exists
    std::thread m_sender;
};

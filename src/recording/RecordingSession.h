#pragma once

#include "Clock.h"
#include "DailyFilm.h"
#include "DeliveryWorker.h"
#include "DiskKeeper.h"
#include "PictureNaming.h"
#include "ProblemWatch.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CameraController;
class DesktopNotifier;
class EventCommand;
class SecretCall;
class SecretStore;
class UserDefaults;

// One recording, the same whichever front-end drives it (the window or the
// service): the timer, each tick assembled from one reading of the clock, gated,
// named and handed to the delivery worker, and the FTP password the uploads need.
// Outcomes and the outbox's state come back as signals on the thread that made it.
//
// Every rule a tick follows lives here once and reads the stored settings, so
// that what runs is what is stored, in the window and in the service alike.
class RecordingSession : public QObject {
    Q_OBJECT
public:
    struct Services {
        UserDefaults* userDefaults = nullptr;
        CameraController* camController = nullptr;
        SecretStore* secretStore = nullptr;
        FTPTransferSettings transfer;
        QString outboxFolder; // empty: the user's outbox
        std::chrono::milliseconds firstRetryPause{2000};
        Clock clock;
        // The password the person typed, for a front-end that has a field for it.
        std::function<QString()> typedPassword;
        // The netrc file to read a password from when the keyring has none, for a
        // front-end where nobody can type one; empty: none is read.
        QString netrcPath;
        // Asks the person whether a rule may remove this much at once, and calls the
        // answer back; a front-end without it (the service) applies the rule at once.
        std::function<void(const QString& question, std::function<void(bool)> answer)> confirmRemoval;
    };
    // A lowered rule that removes at least this many pictures, or this many bytes, is asked about first.
    static constexpr int kAskAboveCount = 1000;
    static constexpr qint64 kAskAboveBytes = qint64(1) << 30;

    // The interval runs between these, whatever is stored: shorter would fire
    // without pause, longer would wrap round a timer's milliseconds.
    static constexpr double kMinimumIntervalSeconds = 1.0;
    static constexpr double kMaximumIntervalSeconds = 2147483.0;
    // How long the keyring may take before the password is looked for elsewhere.
    static constexpr std::chrono::milliseconds kKeyringPatience{5000};

    // The stored interval in seconds: OXRecordingInterval in seconds for unit 0,
    // in minutes for any other unit, held between the bounds above.
    static double intervalSeconds(const UserDefaults& settings);
    // Uploading is on when a server address is stored.
    static bool uploading(const UserDefaults& settings);
    // Saving or uploading is switched on.
    static bool hasWork(const UserDefaults& settings);
    // User names that log in without a password of their own.
    static bool isAnonymousLogin(const QString& username);

    explicit RecordingSession(Services services, QObject* parent = nullptr);
    ~RecordingSession() override; // saves finish; an upload under way is kept in the outbox

    // The first tick comes one interval after the start.
    void start();
    void stop();
    bool isRecording() const { return m_timer.isActive(); }
    std::chrono::milliseconds timerInterval() const { return m_timer.intervalAsDuration(); }
    // Why recording with the settings would do nothing (neither saving nor
    // uploading) or could name no picture; empty when it can record.
    QString settingsProblem() const;
    // One tick now; the timer calls it at every interval.
    void tick();

    // Asks the keyring (then the netrc file, where allowed) for the password
    // without waiting; saving goes on meanwhile, uploads wait for it.
    void lookUpPassword();
    // The person typed the password: it is known from now on.
    void passwordTyped();
    bool isPasswordKnown() const { return m_passwordKnown; }
    // The person trusts an SFTP server's key: it goes into known_hosts and the
    // waiting pictures go at once. False with the reason when it cannot be written.
    bool trustHostKey(const SshHostKey& key, QString* problem);
    // The same for an FTPS server's certificate no authority signed: its key is pinned.
    bool trustCertificate(const TrustedCertificate& certificate, QString* problem);

    const OutboxState& outboxState() const { return m_outbox; }
    // The last clean-up, once the rules for old pictures have run.
    const std::optional<CleanupReport>& cleanup() const { return m_cleanup; }
    const PictureNaming& naming() const { return m_naming; }
    // The problems a person is told of that are open now.
    QList<ProblemEvent> openProblems() const { return m_problems->openProblems(); }

Q_SIGNALS:
    // Before a tick reads the settings: a front-end writes what is still being typed.
    void aboutToTick();
    void tickSkipped(const QDateTime& time, const QString& reason);
    // No picture at all this tick (it could not be named).
    void tickRefused(const QDateTime& time, const QString& problem);
    void tickFinished(const TickOutcome& outcome);
    void outboxChanged(const OutboxState& state);
    // The camera failed and is being restarted (with the words to say), or works
    // again (empty).
    void cameraProblemChanged(const QString& text);
    // The keyring held a password (for a password field to show).
    void keyringPasswordRead(const QString& password);
    // The password is known, and from where ("the keyring", a netrc file's path, "typed").
    void passwordKnown(const QString& host, const QString& source);
    // Why uploads wait for a password, or empty when they no longer do.
    void passwordProblemChanged(const QString& text);
    // A clean-up of old pictures ran (under rules that are on).
    void cleaned(const CleanupReport& report);
    // Old pictures were removed from the server.
    void serverCleaned(const QString& host, int removed);
    // An SFTP server's key is not in known_hosts: a front-end with a person may ask to trust it.
    void hostKeyUnknown(const SshHostKey& key);
    void certificateUnknown(const TrustedCertificate& certificate);
    // A problem started or ended; it is also shown on the desktop and given to the event command.
    void problemEvent(const ProblemEvent& event);
    // How a run of the event command ended, for the log.
    void eventCommandFinished(const QString& text);
    // The day's film was made (and uploaded, or why not), or why there is none.
    void dailyFilmFinished(const QString& text);

private:
    void tickDidFinish(TickOutcome outcome);
    bool retryIf(bool trusted);
    void keyringAnswered(const std::optional<QString>& password, const Error& error);
    void keyringSilent();
    void noPasswordFromKeyring();
    void becomeKnown(const QString& source);
    QString password() const;
    QString host() const;
    void keepRulesChanged();
    ServerCleanup serverCleanup() const;
    void previewed(quint64 id, const CleanupPreview& preview);
    void uploadFilm(const QString& path, const QString& text);
    // Why the server fields and the file's name must not be sent, or empty.
    QString controlCharacterProblem(const QString& fileName) const;

    Services m_services;
    UserDefaults* m_settings;
    PictureNaming m_naming;
    GivenSequenceNames m_givenNames;
    QTimer m_timer;
    quint64 m_tickNumber = 0;
    // Tick -> what the session decided before the worker saw it.
    struct Refusals {
        QString save;
        QString upload;
    };
    QHash<quint64, Refusals> m_refusals;
    OutboxState m_outbox;

    bool m_passwordKnown = true; // no server: nothing to wait for
    std::optional<QString> m_password; // from the keyring or the netrc file
    bool m_typed = false;              // a typed password wins over the keyring's
    bool m_lookedElsewhere = false;    // the netrc file (or the field) was asked once
    std::unique_ptr<SecretCall> m_keychainCall;
    QTimer m_keyringPatience;

    KeepRules m_keepRules;        // as applied
    quint64 m_previewId = 0;      // of the rules waiting for their preview
    std::optional<CleanupReport> m_cleanup;
    std::unique_ptr<DiskKeeper> m_keeper; // before the worker, which tells it of every save

    std::unique_ptr<ProblemWatch> m_problems;
    std::unique_ptr<EventCommand> m_eventCommand;
    std::unique_ptr<DesktopNotifier> m_notifier;

    std::unique_ptr<DailyFilm> m_dailyFilm;
    QHash<quint64, QString> m_films; // upload's tick -> what is said of its film

    std::unique_ptr<DeliveryWorker> m_delivery; // last: its thread stops before the rest goes
};

#pragma once

#include "AlertPresenter.h"
#include "DeliveryWorker.h"
#include "PictureNaming.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class CameraController;
class SecretCall;
class SecretStore;
class UserDefaults;

// Records with the settings file's values and no window, display or desktop, for
// a camera on a computer without a screen (over SSH, under systemd). A tick at
// the interval takes the newest frame and hands it to the delivery worker as the
// window does; each tick writes one line to the log (time, file name, saved /
// uploaded / kept in the outbox), problems go to the error log. Camera loss,
// suspension and return are logged; while the camera is turned off ticks are
// skipped (nobody is there to restart a recording), and it goes on when it returns.
//
// The FTP password comes from the keyring when one answers, otherwise from the
// netrc file (see Netrc); never from the command line or the environment.
class HeadlessRecorder : public QObject {
    Q_OBJECT
public:
    using Line = std::function<void(const QString& line)>;
    struct Services {
        UserDefaults* userDefaults = nullptr;
        CameraController* camController = nullptr;
        SecretStore* secretStore = nullptr;
        FTPTransferSettings transfer;
        QString outboxFolder; // empty: the user's outbox
        QString netrcPath;    // empty: the user's netrc file
        PictureNaming::Clock clock;
        Line log;     // standard output
        Line problem; // standard error
    };

    explicit HeadlessRecorder(Services services, QObject* parent = nullptr);
    ~HeadlessRecorder() override; // saves finish; an upload under way is kept in the outbox

    // Why it cannot record with these settings (nothing to save or upload); empty when it can.
    QString settingsProblem() const;
    void start();

private:
    void tick();
    void tickDidFinish(const TickOutcome& outcome);
    void lookUpPassword();
    void usePasswordFromNetrc();
    void setPassword(const QString& password, const QString& source);
    void camerasChanged();
    QString timeText(const QDateTime& time) const;
    bool uploading() const;

    Services m_services;
    PictureNaming m_naming;
    GivenSequenceNames m_givenNames;
    std::unique_ptr<DeliveryWorker> m_delivery;
    QTimer m_sequenceTimer;
    quint64 m_tickNumber = 0;
    QHash<quint64, QString> m_tickNames; // tick -> its file name, for its log line
    std::optional<QString> m_password;
    std::unique_ptr<SecretCall> m_keychainCall;
    bool m_netrcTried = false;
    QStringList m_cameras;
    OutboxState m_outbox;
};

// Camera alerts of a recorder without a window: one line each on the error log.
class LoggingAlertPresenter : public AlertPresenter {
public:
    explicit LoggingAlertPresenter(HeadlessRecorder::Line problem) : m_problem(std::move(problem)) {}
    void runModalAlert(const Error& error) override { m_problem(error.description); }

private:
    HeadlessRecorder::Line m_problem;
};

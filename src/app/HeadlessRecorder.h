#pragma once

#include "AlertPresenter.h"
#include "RecordingSession.h"
#include "ServiceStatus.h"

#include <QObject>
#include <QStringList>

#include <functional>

class CameraController;

// Records with the settings file's values and no window, display or desktop, for
// a camera on a computer without a screen (over SSH, under systemd). It drives a
// RecordingSession and tells what happens: each tick writes one line to the log
// (time, the file name written, saved / uploaded / kept in the outbox), problems go
// to the error log. Camera loss, suspension and return are logged; while the
// camera is turned off ticks are skipped (nobody is there to restart a
// recording), and it goes on when it returns.
//
// The FTP password comes from the keyring when one answers, otherwise from the
// netrc file (see Netrc); never from the command line or the environment.
class HeadlessRecorder : public QObject {
    Q_OBJECT
public:
    using Line = std::function<void(const QString& line)>;
    struct Services {
        RecordingSession::Services session; // its netrcPath empty: the user's netrc file
        Line log;     // standard output
        Line problem; // standard error
        QString statusFile; // where `ombrix --status` reads the state; empty: none kept
    };

    explicit HeadlessRecorder(Services services, QObject* parent = nullptr);
    ~HeadlessRecorder() override; // the state file goes: no service runs

    // Why it cannot record with these settings (nothing to save or upload); empty when it can.
    QString settingsProblem() const { return m_session->settingsProblem(); }
    void start();

private:
    void camerasChanged();
    QString now() const;
    void writeStatus();

    Services m_services;
    CameraController* m_cameras;
    QStringList m_cameraNames;
    bool m_saidSuspended = false;
    std::unique_ptr<RecordingSession> m_session;
    ServiceStatus m_status;
    bool m_statusProblemSaid = false;
};

// Camera alerts of a recorder without a window: one line each on the error log.
class LoggingAlertPresenter : public AlertPresenter {
public:
    explicit LoggingAlertPresenter(HeadlessRecorder::Line problem) : m_problem(std::move(problem)) {}
    void runModalAlert(const Error& error) override { m_problem(error.description); }

private:
    HeadlessRecorder::Line m_problem;
};

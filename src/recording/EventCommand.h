#pragma once

#include "ProblemWatch.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>

// Runs the owner's command (OXEventCommand) for each problem's start and end,
// without a shell, with the event in its environment: OMBRIX_EVENT, OMBRIX_CAMERA,
// OMBRIX_MESSAGE, OMBRIX_WAITING. It never holds recording up: one runs at a
// time, in a process group of its own that is killed after kTimeLimit, and events
// that come meanwhile go to the next run together (OMBRIX_EVENT the newest,
// OMBRIX_EVENTS all of them, OMBRIX_MESSAGE one line each).
class EventCommand : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kTimeLimit{30};

    explicit EventCommand(QObject* parent = nullptr);
    ~EventCommand() override; // a command still running is killed

    // The command line as stored; empty: no command.
    void setCommand(const QString& commandLine);
    void post(const ProblemEvent& event);

Q_SIGNALS:
    // How a run ended, for the log: its events, exit status and first line of output.
    void finished(const QString& text);

private:
    void runNext();
    void ended(int exitCode, QProcess::ExitStatus status);
    void killGroup();

    QString m_commandLine;
    std::deque<ProblemEvent> m_queue;
    std::unique_ptr<QProcess> m_process;
    QString m_running; // the events of the run under way
    QByteArray m_output;
    bool m_killed = false;
    QTimer m_limit;
};

#pragma once

#include "Clock.h"
#include "DeliveryValues.h"

#include <QObject>
#include <QTimer>

#include <array>

class CameraController;
class UserDefaults;

// The states of a recording a person must hear of, each once when it starts and
// once when it ends.
enum class Problem { Camera, Uploads, Saving, Disk, Password };

struct ProblemEvent {
    Problem problem = Problem::Camera;
    bool started = true;
    QString name;    // "camera-failed", "camera-back", ...
    QString title;   // a notification's summary: "Camera failed"
    QString message; // the status line's words
    QString camera;  // the camera in use, or the one last used
    int waiting = 0; // pictures in the outbox
    QDateTime time;
};

// Follows a recording's outcomes and its camera and turns them into problems that
// start and end: the camera failed, stalled, was disconnected or turned off; uploads
// or saves failed for longer than OXAlertAfterMinutes; the disk's floor held a save
// back; the FTP password is missing while pictures wait. Never one event per tick.
// The camera is watched while recording; stopping forgets every problem open
// without an event.
class ProblemWatch : public QObject {
    Q_OBJECT
public:
    ProblemWatch(UserDefaults* settings, CameraController* cameras, Clock clock, QObject* parent = nullptr);

    void setRecording(bool recording);
    void tickFinished(const TickOutcome& outcome);
    void outboxChanged(const OutboxState& state);
    void cameraFailed(const QString& text);
    void cameraRecovered();
    // Why uploads cannot have their password (empty: it is known).
    void passwordProblemChanged(const QString& text);

    // The events of the problems open now, oldest first.
    QList<ProblemEvent> openProblems() const;
    static QString eventName(Problem problem, bool started);

Q_SIGNALS:
    void event(const ProblemEvent& event);

private:
    struct State {
        bool open = false;
        ProblemEvent started;  // the event that opened it
        QDateTime failingSince; // uploads and saves: since their first failure in a row
        QString message;        // the words for when it opens
    };
    void cameraChanged();
    void setProblem(Problem problem, const QString& message);
    void endProblem(Problem problem, const QString& message);
    void checkDue();
    QString cameraName() const;
    State& state(Problem problem) { return m_states[size_t(problem)]; }

    UserDefaults* m_settings;
    CameraController* m_cameras;
    Clock m_clock;
    bool m_recording = false;
    QString m_cameraFailure;
    QString m_lastCamera;
    QString m_passwordProblem;
    OutboxState m_outbox;
    std::array<State, 5> m_states;
    QTimer m_due; // when a failing upload or save becomes a problem
};

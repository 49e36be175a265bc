#include "ProblemWatch.h"

#include "CameraController.h"
#include "SettingsTable.h"
#include "TickOutcomeText.h"

namespace {

struct Words {
    const char* startName;
    const char* endName;
    const char* startTitle;
    const char* endTitle;
};

// By Problem, in its order.
constexpr Words kWords[] = {
    {"camera-failed", "camera-back", QT_TRANSLATE_NOOP("ProblemWatch", "Camera failed"), QT_TRANSLATE_NOOP("ProblemWatch", "Camera back")},
    {"uploads-failing", "uploads-back", QT_TRANSLATE_NOOP("ProblemWatch", "Uploads failing"), QT_TRANSLATE_NOOP("ProblemWatch", "Uploads back")},
    {"saving-failing", "saving-back", QT_TRANSLATE_NOOP("ProblemWatch", "Saving failing"), QT_TRANSLATE_NOOP("ProblemWatch", "Saving back")},
    {"disk-full", "disk-back", QT_TRANSLATE_NOOP("ProblemWatch", "Disk full"), QT_TRANSLATE_NOOP("ProblemWatch", "Room on the disk again")},
    {"password-missing", "password-known", QT_TRANSLATE_NOOP("ProblemWatch", "FTP password missing"), QT_TRANSLATE_NOOP("ProblemWatch", "FTP password known")},
};

} // namespace

QString ProblemWatch::eventName(Problem problem, bool started)
{
    const Words& words = kWords[size_t(problem)];
    return QString::fromLatin1(started ? words.startName : words.endName);
}

ProblemWatch::ProblemWatch(UserDefaults* settings, CameraController* cameras, Clock clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_cameras(cameras)
    , m_clock(systemClockUnless(std::move(clock)))
{
    connect(m_cameras, &CameraController::devicesDictChanged, this, &ProblemWatch::cameraChanged);
    connect(m_cameras, &CameraController::cameraSuspendedChanged, this, &ProblemWatch::cameraChanged);
    connect(m_cameras, &CameraController::cameraFailed, this, &ProblemWatch::cameraFailed);
    connect(m_cameras, &CameraController::cameraRecovered, this, &ProblemWatch::cameraRecovered);
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &ProblemWatch::checkDue);
}

void ProblemWatch::setRecording(bool recording)
{
    m_recording = recording;
    if (!recording) { // nobody waits for the end of a problem of a recording that stopped
        m_due.stop();
        m_states = {};
        m_cameraFailure.clear();
        return;
    }
    cameraChanged();
}

QString ProblemWatch::cameraName() const
{
    const CaptureDevicePtr& device = m_cameras->userDevice();
    return device ? device->localizedDisplayName() : m_lastCamera;
}

void ProblemWatch::cameraFailed(const QString& text)
{
    m_cameraFailure = text;
    cameraChanged();
}

void ProblemWatch::cameraRecovered()
{
    m_cameraFailure.clear();
    cameraChanged();
}

void ProblemWatch::cameraChanged()
{
    if (!m_recording)
        return;
    const CaptureDevicePtr& device = m_cameras->userDevice();
    if (device)
        m_lastCamera = device->localizedDisplayName();
    const bool attached = device && m_cameras->devicesDict().values().contains(device->uniqueID());
    QString problem = m_cameraFailure;
    if (problem.isEmpty() && !attached)
        problem = device ? tr("The camera \"%1\" was disconnected: waiting for it to come back.").arg(m_lastCamera)
                         : tr("No camera is attached: waiting for one.");
    else if (problem.isEmpty() && m_cameras->cameraSuspended())
        problem = tr("The camera \"%1\" is turned off.").arg(m_lastCamera);
    if (problem.isEmpty())
        endProblem(Problem::Camera, tr("The camera \"%1\" works again.").arg(m_lastCamera));
    else
        setProblem(Problem::Camera, problem);
}

void ProblemWatch::tickFinished(const TickOutcome& outcome)
{
    const QDateTime now = m_clock();
    State& uploads = state(Problem::Uploads);
    switch (outcome.upload) {
    case TickOutcome::Upload::Sent:
        uploads.failingSince = {}; // the outbox emptying ends the problem
        break;
    case TickOutcome::Upload::Failed:
    case TickOutcome::Upload::SetAside:
    case TickOutcome::Upload::NotKept:
        if (!uploads.failingSince.isValid())
            uploads.failingSince = now;
        uploads.message = tr("Uploads have failed since %1: %2")
                              .arg(logTime(uploads.failingSince), outcome.uploadError.description);
        break;
    default:
        break;
    }
    State& saving = state(Problem::Saving);
    if (outcome.save == TickOutcome::Save::Saved) {
        saving.failingSince = {};
        endProblem(Problem::Saving, tr("Pictures are saved again."));
        endProblem(Problem::Disk, tr("There is room on the disk again: pictures are saved."));
    } else if (outcome.save == TickOutcome::Save::Failed && outcome.diskFloor) {
        setProblem(Problem::Disk, saveProblemText(outcome));
    } else if (outcome.save == TickOutcome::Save::Failed) {
        if (!saving.failingSince.isValid())
            saving.failingSince = now;
        saving.message = saveProblemText(outcome);
    }
    checkDue();
}

void ProblemWatch::outboxChanged(const OutboxState& outbox)
{
    m_outbox = outbox;
    if (outbox.waiting == 0) {
        state(Problem::Uploads).failingSince = {};
        endProblem(Problem::Uploads, tr("Uploads work again: the outbox is empty."));
    }
    if (!m_passwordProblem.isEmpty() && outbox.waiting > 0)
        setProblem(Problem::Password, m_passwordProblem);
    checkDue();
}

void ProblemWatch::passwordProblemChanged(const QString& text)
{
    m_passwordProblem = text;
    if (text.isEmpty())
        endProblem(Problem::Password, tr("The FTP password is known: uploads go on."));
    else if (m_outbox.waiting > 0)
        setProblem(Problem::Password, text);
}

void ProblemWatch::checkDue()
{
    const QDateTime now = m_clock();
    const qint64 afterMs = qint64(std::max(0, settingValue(*m_settings, OXAlertAfterMinutes))) * 60 * 1000;
    qint64 nextMs = -1;
    for (const Problem problem : {Problem::Uploads, Problem::Saving}) {
        State& s = state(problem);
        if (s.open || !s.failingSince.isValid() || (problem == Problem::Uploads && m_outbox.waiting == 0))
            continue;
        const qint64 leftMs = afterMs - s.failingSince.msecsTo(now);
        if (leftMs <= 0)
            setProblem(problem, s.message);
        else if (nextMs < 0 || leftMs < nextMs)
            nextMs = leftMs;
    }
    if (nextMs >= 0)
        m_due.start(std::chrono::milliseconds(nextMs));
    else
        m_due.stop();
}

void ProblemWatch::setProblem(Problem problem, const QString& message)
{
    State& s = state(problem);
    if (s.open)
        return;
    s.open = true;
    s.started = ProblemEvent{problem, true, eventName(problem, true), tr(kWords[size_t(problem)].startTitle), message,
                             cameraName(), m_outbox.waiting, m_clock()};
    Q_EMIT event(s.started);
}

void ProblemWatch::endProblem(Problem problem, const QString& message)
{
    State& s = state(problem);
    if (!s.open)
        return;
    s.open = false;
    Q_EMIT event(ProblemEvent{problem, false, eventName(problem, false), tr(kWords[size_t(problem)].endTitle), message,
                              cameraName(), m_outbox.waiting, m_clock()});
}

QList<ProblemEvent> ProblemWatch::openProblems() const
{
    QList<ProblemEvent> open;
    for (const State& s : m_states)
        if (s.open)
            open.append(s.started);
    std::sort(open.begin(), open.end(), [](const ProblemEvent& a, const ProblemEvent& b) { return a.time < b.time; });
    return open;
}

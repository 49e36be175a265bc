#include "HeadlessRecorder.h"

#include "CameraController.h"
#include "Netrc.h"
#include "Paths.h"
#include "SettingsTable.h"
#include "TickOutcomeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

HeadlessRecorder::HeadlessRecorder(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_cameras(m_services.session.camController)
{
    if (m_services.session.netrcPath.isEmpty())
        m_services.session.netrcPath = Netrc::defaultPath();
    m_session = std::make_unique<RecordingSession>(m_services.session);
    const Line log = m_services.log;
    const Line problem = m_services.problem;

    connect(m_session.get(), &RecordingSession::tickFinished, this, [this, log, problem](const TickOutcome& outcome) {
        m_status.lastPicture = logLine(outcome, m_session->outboxState().waiting);
        log(m_status.lastPicture);
        if (outcome.save == TickOutcome::Save::Failed)
            problem(saveProblemText(outcome));
        writeStatus();
    });
    connect(m_session.get(), &RecordingSession::outboxChanged, this, [this](const OutboxState& state) {
        m_status.waiting = state.waiting;
        writeStatus();
    });
    connect(m_session.get(), &RecordingSession::tickSkipped, this, [log](const QDateTime& time, const QString& reason) {
        log(tr("%1 skipped: %2").arg(logTime(time), reason));
    });
    connect(m_session.get(), &RecordingSession::tickRefused, this,
            [problem](const QDateTime&, const QString& why) { problem(why); });
    connect(m_session.get(), &RecordingSession::cameraProblemChanged, this, [this, log, problem](const QString& text) {
        if (text.isEmpty())
            log(tr("%1 the camera works again").arg(now()));
        else
            problem(text);
    });
    connect(m_session.get(), &RecordingSession::passwordKnown, this, [this, log](const QString& host, const QString& source) {
        log(tr("%1 FTP password for %2 from %3").arg(now(), host, source));
    });
    connect(m_session.get(), &RecordingSession::cleaned, this, [this, log](const CleanupReport& report) {
        if (report.removed > 0 || report.failed > 0)
            log(QStringLiteral("%1 %2").arg(now(), cleanupLogText(report)));
    });
    connect(m_session.get(), &RecordingSession::serverCleaned, this, [this, log](const QString& host, int removed) {
        log(tr("%1 removed %2 old pictures from %3").arg(now()).arg(removed).arg(host));
    });
    connect(m_session.get(), &RecordingSession::problemEvent, this, [this, log](const ProblemEvent& event) {
        log(QStringLiteral("%1 %2: %3").arg(logTime(event.time), event.name, event.message));
        m_status.problems = m_session->openProblems();
        writeStatus();
    });
    for (const auto said : {&RecordingSession::eventCommandFinished, &RecordingSession::dailyFilmFinished})
        connect(m_session.get(), said, this, [this, log](const QString& text) { log(QStringLiteral("%1 %2").arg(now(), text)); });
    connect(m_session.get(), &RecordingSession::passwordProblemChanged, this, [problem](const QString& text) {
        if (!text.isEmpty())
            problem(text);
    });

    m_cameraNames = m_cameras->devicesDict().keys();
    connect(m_cameras, &CameraController::devicesDictChanged, this, &HeadlessRecorder::camerasChanged);
    connect(m_cameras, &CameraController::cameraNote, this, [this, log](const QString& text) { log(QStringLiteral("%1 %2").arg(now(), text)); });
    connect(m_cameras, &CameraController::cameraSuspendedChanged, this, [this, log](bool suspended) {
        if (suspended == m_saidSuspended)
            return; // each restart of a camera says so again
        m_saidSuspended = suspended;
        const CaptureDevicePtr& device = m_cameras->userDevice();
        const QString name = device ? device->localizedDisplayName() : QString();
        log(suspended ? tr("%1 camera \"%2\" turned off: ticks are skipped until it is back").arg(now(), name)
                      : tr("%1 camera \"%2\" is on").arg(now(), name));
    });
}

HeadlessRecorder::~HeadlessRecorder()
{
    if (!m_services.statusFile.isEmpty())
        QFile::remove(m_services.statusFile);
}

void HeadlessRecorder::writeStatus()
{
    if (m_services.statusFile.isEmpty() || m_status.pid == 0)
        return;
    const CaptureDevicePtr& device = m_cameras->userDevice();
    m_status.camera = device && m_cameraNames.contains(device->localizedDisplayName()) ? device->localizedDisplayName() : QString();
    if (!m_status.save(m_services.statusFile) && !m_statusProblemSaid) {
        m_statusProblemSaid = true;
        m_services.problem(tr("The state for ombrix --status cannot be written to %1.").arg(m_services.statusFile));
    }
}

QString HeadlessRecorder::now() const
{
    return logTime(m_session->naming().now());
}

void HeadlessRecorder::start()
{
    m_session->start();
    m_services.log(tr("%1 recording every %2 s").arg(now()).arg(QString::number(m_session->timerInterval().count() / 1000.0, 'g', 12)));
    const UserDefaults& settings = *m_services.session.userDefaults;
    if (RecordingSession::uploading(settings))
        m_session->lookUpPassword();

    m_status.pid = ::getpid();
    m_status.recordingSince = m_session->naming().now();
    m_status.intervalSeconds = m_session->timerInterval().count() / 1000;
    if (settingValue(settings, OXSaveToDiskFlag))
        m_status.saveFolder = expandTilde(settingValue(settings, OXSaveToDiskPath));
    m_status.problems = m_session->openProblems();
    if (!m_services.statusFile.isEmpty())
        QDir().mkpath(QFileInfo(m_services.statusFile).absolutePath());
    writeStatus();
}

void HeadlessRecorder::camerasChanged()
{
    const QStringList names = m_cameras->devicesDict().keys();
    for (const QString& name : names)
        if (!m_cameraNames.contains(name))
            m_services.log(tr("%1 camera \"%2\" connected").arg(now(), name));
    for (const QString& name : std::as_const(m_cameraNames))
        if (!names.contains(name))
            m_services.log(tr("%1 camera \"%2\" disconnected").arg(now(), name));
    m_cameraNames = names;
    writeStatus();
}

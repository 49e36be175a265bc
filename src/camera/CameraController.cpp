#include "CameraController.h"

#include "CameraError.h"
#include "DateFormats.h"
#include "SettingsTable.h"
#include "StampSettings.h"
#include "UserDefaults.h"
#include "VideoFrame.h"

#include <QFileInfo>


CameraController* gCameraController = nullptr;

namespace {

using namespace std::chrono_literals;

// An error that comes this soon before the camera's unplugging is the unplugging.
constexpr auto kUnplugGrace = 1s;
constexpr auto kFirstRestartDelay = 2s;
constexpr auto kLongestRestartDelay = 30s;
// A camera that sends nothing this long while it should has failed.
constexpr qint64 kNoFrameLimitMs = 5000;
constexpr qint64 kFirstFrameLimitMs = 10000; // opening and negotiating take longer

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Error noLongerAvailable(const QString& name)
{
    return cameraError(CameraError::NoLongerAvailable, CameraController::tr("The camera \"%1\" is no longer available.").arg(name));
}

} // namespace

CameraController::CameraController(UserDefaults* userDefaults, AlertPresenter* alertPresenter, Clock clock,
                                   QObject* parent)
    : QObject(parent)
    , m_userDefaults(userDefaults)
    , m_alertPresenter(alertPresenter)
    , m_clock(systemClockUnless(std::move(clock)))
    , m_session(std::make_unique<CaptureSession>())
    , m_watcher(std::make_unique<DeviceWatcher>())
{
    prepareDevices();
    connect(m_watcher.get(), &DeviceWatcher::deviceConnected, this,
            [this](const CaptureDevicePtr& device) { updateCameras(device, true); });
    connect(m_watcher.get(), &DeviceWatcher::deviceDisconnected, this,
            [this](const CaptureDevicePtr& device) { updateCameras(device, false); });
    connect(m_watcher.get(), &DeviceWatcher::deviceChanged, this, &CameraController::cameraAttributeChanged);
    m_session->setFailureHandler([this](const Error& error) { sessionFailed(error); });
    m_frameWatch.setInterval(1000);
    connect(&m_frameWatch, &QTimer::timeout, this, &CameraController::checkFrames);
    m_frameWatch.start();
}

CameraController::~CameraController()
{
    m_watcher.reset();
    m_privacyWatcher.reset();
    // A pipeline must be brought down before it is dropped; this also stops frames.
    m_session.reset();
    m_output.reset();
    m_userDevice.reset();
    if (mCurrentImageBuffer)
        gst_sample_unref(mCurrentImageBuffer);
}

CameraController* CameraController::sharedCameraController()
{
    if (!gCameraController)
        gCameraController = new CameraController(UserDefaults::standardUserDefaults());
    return gCameraController;
}

void CameraController::setCameraSuspended(bool suspended)
{
    if (m_cameraSuspended && !suspended)
        m_startedMs = steadyMs(); // a camera coming back from its shutter gets time to send again
    m_cameraSuspended = suspended;
    Q_EMIT cameraSuspendedChanged(suspended);
}

void CameraController::prepareDevices()
{
    for (const CaptureDevicePtr& device : m_watcher->videoDevices())
        m_devicesDict.insert(device->localizedDisplayName(), device->uniqueID());
    Q_EMIT devicesDictChanged();
}

QString CameraController::cameraNamed(const QString& nameOrPath) const
{
    if (m_devicesDict.contains(nameOrPath))
        return nameOrPath;
    const QString node = QFileInfo(nameOrPath).canonicalFilePath();
    if (!nameOrPath.startsWith(QLatin1Char('/')) || node.isEmpty())
        return {};
    for (const CaptureDevicePtr& device : m_watcher->videoDevices())
        if (const QString path = device->v4l2Path(); !path.isEmpty() && QFileInfo(path).canonicalFilePath() == node)
            return device->localizedDisplayName();
    return {};
}

void CameraController::changeDevice(const QString& displayName)
{
    openCamera(displayName, false);
}

// A restart after a failure tells nobody when it fails too; it is tried again later.
bool CameraController::openCamera(const QString& displayName, bool restarting)
{
    if (!hasCamerasAvailable())
        return false;
    ++m_sessionGeneration;
    if (!restarting && m_failing) {
        m_failing = false;
        Q_EMIT cameraRecovered();
    }
    if (m_session->isRunning())
        m_session->stopRunning();
    releaseCamera(); // the camera let go may be wanted by another program

    Error error;
    m_userDevice = m_watcher->deviceWithUniqueID(devicesDict().value(displayName));
    m_privacyWatcher = m_userDevice ? PrivacyWatcher::watch(m_userDevice->v4l2Path()) : nullptr;
    if (m_privacyWatcher)
        connect(m_privacyWatcher.get(), &PrivacyWatcher::privacyChanged, this, &CameraController::suspendedAttributeChanged);
    setCameraSuspended(m_userDevice && m_userDevice->isSuspended());

    if (!m_userDevice) {
        // The camera went away while its name was still on offer (an open menu).
        if (!restarting)
            presentError(noLongerAvailable(displayName));
        return false;
    }
    const QString asked = settingValue(*m_userDefaults, OXPictureSize);
    const std::optional<PictureSize> size = PictureSize::parse(asked);
    m_session->setPictureSize(size.value_or(PictureSize{}));
    bool opened = m_userDevice->open(&error) && m_session->addInput(*m_userDevice, &error);
    if (opened) {
        const std::optional<CaptureMode>& mode = m_session->chosenMode();
        QString note;
        if (!size)
            note = tr("OXPictureSize=%1 is not auto, largest or WIDTHxHEIGHT: auto is used.").arg(asked);
        else if (size->kind == PictureSize::Kind::Exact && mode && (mode->width != size->width || mode->height != size->height))
            note = tr("The camera \"%1\" does not give %2x%3 pictures: it gives %4x%5, the nearest.")
                       .arg(displayName)
                       .arg(size->width)
                       .arg(size->height)
                       .arg(mode->width)
                       .arg(mode->height);
        if (note != m_lastNote && !note.isEmpty())
            Q_EMIT cameraNote(note);
        m_lastNote = note;
    }
    if (opened && !m_output) {
        m_output = std::make_unique<DecompressedVideoOutput>(static_cast<FrameDelegate*>(this), m_session->previews());
        opened = m_session->addOutput(m_output.get(), &error);
    }
    opened = opened && m_session->startRunning(&error);
    if (!opened) {
        // Nothing stays open until the next try: a driver can let a failed device go.
        releaseCamera();
        if (!restarting)
            presentError(error);
        return false;
    }
    m_startedMs = steadyMs();
    return true;
}

bool CameraController::userDeviceAttached() const
{
    if (!m_userDevice)
        return false;
    const QString id = m_userDevice->uniqueID();
    return std::any_of(m_devicesDict.cbegin(), m_devicesDict.cend(), [&](const QString& value) { return value == id; });
}

void CameraController::sessionFailed(const Error& error)
{
    if (!m_session->isRunning())
        return; // one failure often says so more than once
    m_session->stopRunning();
    // Nothing of a failed camera that Ombrix holds stays open between tries.
    releaseCamera();
    const quint64 generation = m_sessionGeneration;
    QTimer::singleShot(kUnplugGrace, this, [this, generation, error] { confirmFailure(generation, error); });
}

void CameraController::confirmFailure(quint64 generation, const Error& error)
{
    // Another camera was chosen meanwhile, or this one was unplugged: that is handled as such.
    if (generation != m_sessionGeneration || !userDeviceAttached())
        return;
    if (m_failing) {
        scheduleRestart();
        return;
    }
    m_failing = true;
    m_restartDelay = kFirstRestartDelay;
    const Error shown{error.domain, error.code,
                      tr("The camera \"%1\" stopped working: %2").arg(m_userDevice->localizedDisplayName(), error.description)};
    // The restart is under way before the alert, which may wait for a person for days.
    scheduleRestart();
    Q_EMIT cameraFailed(shown.description);
    presentError(shown);
}

void CameraController::scheduleRestart()
{
    const quint64 generation = m_sessionGeneration;
    QTimer::singleShot(m_restartDelay, this, [this, generation] {
        if (generation != m_sessionGeneration || !userDeviceAttached())
            return;
        if (!openCamera(m_userDevice->localizedDisplayName(), true))
            scheduleRestart();
    });
    m_restartDelay = std::min<std::chrono::milliseconds>(m_restartDelay * 2, kLongestRestartDelay);
}

void CameraController::checkFrames()
{
    if (!m_session->isRunning())
        return;
    const qint64 now = steadyMs();
    const qint64 last = m_lastFrameMs.load(std::memory_order_relaxed);
    const bool flowing = last > m_startedMs;
    if (m_failing && flowing) {
        m_failing = false;
        Q_EMIT cameraRecovered();
    }
    // A shutter may stop the frames; a camera unplugged is followed as such.
    if (m_cameraSuspended || !userDeviceAttached())
        return;
    const qint64 quietSince = flowing ? last : m_startedMs;
    if (now - quietSince > (flowing ? kNoFrameLimitMs : kFirstFrameLimitMs))
        sessionFailed(cameraError(CameraError::NoFrames,
                                  tr("it has sent no picture for %1 seconds.").arg((now - quietSince) / 1000)));
}

void CameraController::addAnyCaptureDevice()
{
    if (!hasCamerasAvailable())
        return;
    const QStringList names = m_devicesDict.keys();
    if (names.isEmpty())
        return;
    changeDevice(names.last());
}

void CameraController::updateCameras(const CaptureDevicePtr& device, bool connected)
{
    const QString name = device->localizedDisplayName();
    if (!connected) {
        m_devicesDict.remove(name);
        if (m_userDevice && m_userDevice->uniqueID() == device->uniqueID())
            addAnyCaptureDevice();
    } else {
        m_devicesDict.insert(name, device->uniqueID());
        changeDevice(name);
    }
    Q_EMIT devicesDictChanged();
}

void CameraController::cameraAttributeChanged(const CaptureDevicePtr& device, const CaptureDevicePtr& previous)
{
    // The monitor reports a new description of the device, not which attribute changed.
    const bool suspendedChanged = device->isSuspended() != previous->isSuspended();
    if (m_userDevice && m_userDevice->uniqueID() == device->uniqueID())
        m_userDevice->refresh(GstDeviceRef::ref(device->gstDevice()));
    if (suspendedChanged)
        suspendedAttributeChanged();
}

void CameraController::suspendedAttributeChanged()
{
    if (!m_userDevice)
        return;
    setCameraSuspended(m_userDevice->isSuspended());
}

void CameraController::presentError(const Error& error)
{
    if (m_alertPresenter)
        m_alertPresenter->runModalAlert(error);
}

void CameraController::captureOutput(GstSample* frame)
{
    m_lastFrameMs.store(steadyMs(), std::memory_order_relaxed);
    GstSample* newest = gst_sample_ref(frame);
    GstSample* previous;
    {
        std::lock_guard lock(m_frameLock);
        previous = mCurrentImageBuffer;
        mCurrentImageBuffer = newest;
        ++m_frameNumber;
    }
    m_frameArrived.notify_all();
    if (previous)
        gst_sample_unref(previous);
}

void CameraController::releaseCamera()
{
    const auto inputs = m_session->inputs();
    for (const GstElementRef& input : inputs)
        m_session->removeInput(input);
    m_privacyWatcher.reset();
    if (m_userDevice)
        m_userDevice->close();
}

GstSampleRef CameraController::takeNewFrame(std::chrono::milliseconds bound)
{
    std::unique_lock lock(m_frameLock);
    // A camera known to have failed sends nothing until it is restarted: no wait.
    if (m_frameNumber == m_takenFrame && m_session->isRunning() && !m_failing && !m_cameraSuspended)
        m_frameArrived.wait_for(lock, bound, [this] { return m_frameNumber != m_takenFrame; });
    if (m_frameNumber == m_takenFrame || !mCurrentImageBuffer)
        return {};
    m_takenFrame = m_frameNumber;
    return GstSampleRef::ref(mCurrentImageBuffer);
}

bool CameraController::hasHadFrames()
{
    std::lock_guard lock(m_frameLock);
    return m_frameNumber > 0;
}

GstSampleRef CameraController::newestFrame()
{
    std::lock_guard lock(m_frameLock);
    return GstSampleRef::ref(mCurrentImageBuffer);
}

std::optional<StampStyle> CameraController::stampStyle() const
{
    if (!settingValue(*m_userDefaults, OXInsertTimestampFlag))
        return std::nullopt;
    return StampStyle{makeStampFont(stampFontFromSettings(*m_userDefaults)), stampColorFromSettings(*m_userDefaults)};
}

std::optional<QByteArray> CameraController::takePictureWithFileType(FileType fileType, const QVariant& quality)
{
    const GstSampleRef frame = newestFrame();
    if (!frame || fileType != FileType::JPEG)
        return std::nullopt;
    return m_stillMaker.makeStill(frame, JpegQuality::fromFactor(quality), stampStyle(), m_clock());
}

void CameraController::drawCaptureDate(const QDateTime& date, QImage& image) const
{
    drawStamp(image, localizedLongDateFullTime(date), makeStampFont(stampFontFromSettings(*m_userDefaults)),
              stampColorFromSettings(*m_userDefaults));
}

#include "CameraController.h"

#include "DateFormats.h"
#include "SettingsKeys.h"
#include "StampSettings.h"
#include "UserDefaults.h"
#include "VideoFrame.h"


CameraController* gCameraController = nullptr;

namespace {

Error noLongerAvailable(const QString& name)
{
    return Error{QStringLiteral("OmbrixCameraErrorDomain"), 6,
                 CameraController::tr("The camera \"%1\" is no longer available.").arg(name)};
}

} // namespace

CameraController::CameraController(UserDefaults* userDefaults, AlertPresenter* alertPresenter, Clock clock,
                                   QObject* parent)
    : QObject(parent)
    , m_userDefaults(userDefaults)
    , m_alertPresenter(alertPresenter)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
    , m_session(std::make_unique<CaptureSession>())
    , m_watcher(std::make_unique<DeviceWatcher>())
{
    prepareDevices();
    connect(m_watcher.get(), &DeviceWatcher::deviceConnected, this,
            [this](const CaptureDevicePtr& device) { updateCameras(device, true); });
    connect(m_watcher.get(), &DeviceWatcher::deviceDisconnected, this,
            [this](const CaptureDevicePtr& device) { updateCameras(device, false); });
    connect(m_watcher.get(), &DeviceWatcher::deviceChanged, this, &CameraController::cameraAttributeChanged);
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
    m_cameraSuspended = suspended;
    Q_EMIT cameraSuspendedChanged(suspended);
}

void CameraController::prepareDevices()
{
    for (const CaptureDevicePtr& device : m_watcher->videoDevices())
        m_devicesDict.insert(device->localizedDisplayName(), device->uniqueID());
    Q_EMIT devicesDictChanged();
}

void CameraController::changeDevice(const QString& displayName)
{
    if (!hasCamerasAvailable())
        return;
    if (m_session->isRunning())
        m_session->stopRunning();
    const auto inputs = m_session->inputs();
    for (const GstElementRef& input : inputs)
        m_session->removeInput(input);
    if (m_userDevice && m_userDevice->isOpen())
        m_userDevice->close();

    Error error;
    m_userDevice = m_watcher->deviceWithUniqueID(devicesDict().value(displayName));
    m_privacyWatcher = m_userDevice ? PrivacyWatcher::watch(m_userDevice->v4l2Path()) : nullptr;
    if (m_privacyWatcher)
        connect(m_privacyWatcher.get(), &PrivacyWatcher::privacyChanged, this, &CameraController::suspendedAttributeChanged);
    setCameraSuspended(m_userDevice && m_userDevice->isSuspended());

    if (!m_userDevice) {
        // The camera went away while its name was still on offer (an open menu).
        presentError(noLongerAvailable(displayName));
        return;
    }
    if (!m_userDevice->open(&error) || !m_session->addInput(*m_userDevice, &error)) {
        presentError(error);
        return;
    }
    if (!m_output) {
        m_output = std::make_unique<DecompressedVideoOutput>(static_cast<FrameDelegate*>(this), m_session->previews());
        if (!m_session->addOutput(m_output.get(), &error)) {
            presentError(error);
            return;
        }
    }
    if (!m_session->startRunning(&error))
        presentError(error);
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
    GstSample* newest = gst_sample_ref(frame);
    GstSample* previous;
    {
        std::lock_guard lock(m_frameLock);
        previous = mCurrentImageBuffer;
        mCurrentImageBuffer = newest;
    }
    if (previous)
        gst_sample_unref(previous);
}

GstSampleRef CameraController::newestFrame()
{
    std::lock_guard lock(m_frameLock);
    return GstSampleRef::ref(mCurrentImageBuffer);
}

std::optional<StampStyle> CameraController::stampStyle() const
{
    if (!m_userDefaults->boolForKey(OXInsertTimestampFlag))
        return std::nullopt;
    return StampStyle{makeStampFont(stampFontFromSettings(*m_userDefaults)), stampColorFromSettings(*m_userDefaults)};
}

std::optional<QByteArray> CameraController::takePictureWithFileType(unsigned fileType, const QVariant& quality)
{
    const GstSampleRef frame = newestFrame();
    if (!frame || fileType != kJPEGFileType)
        return std::nullopt;
    return m_stillMaker.makeStill(frame, jpegQualityForFactor(quality), stampStyle(), m_clock());
}

void CameraController::drawCaptureDate(const QDateTime& date, QImage& image) const
{
    drawStamp(image, localizedLongDateFullTime(date), makeStampFont(stampFontFromSettings(*m_userDefaults)),
              stampColorFromSettings(*m_userDefaults));
}

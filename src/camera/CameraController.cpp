#include "CameraController.h"

#include "DateFormats.h"
#include "SettingsKeys.h"
#include "StampSettings.h"
#include "UserDefaults.h"
#include "VideoFrame.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cstring>


CameraController* gCameraController = nullptr;

namespace {

constexpr double kStampInsetPixels = 10.0;
// A dots-per-metre value of 72 dpi, at which one point of the font is one pixel.
constexpr int kOnePointPerPixelDpm = 2835;

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

std::optional<QByteArray> CameraController::takePictureWithFileType(unsigned fileType, const QVariant& quality)
{
    GstSampleRef frame;
    {
        std::lock_guard lock(m_frameLock);
        frame = GstSampleRef::ref(mCurrentImageBuffer);
    }
    if (!frame || fileType != kJPEGFileType)
        return std::nullopt;

    const MappedFrame mapped(frame.get());
    const QImage image = mapped.image();
    if (image.isNull())
        return std::nullopt;

    QByteArray bytes;
    if (m_userDefaults->boolForKey(OXInsertTimestampFlag)) {
        // Never draw on the frame itself: it may be encoded again. The copy goes into a
        // canvas kept between stills, so no tick allocates (and frees) a whole frame.
        if (m_stampCanvas.size() != image.size())
            m_stampCanvas = QImage(image.size(), QImage::Format_RGB32);
        const qsizetype rowBytes = qsizetype(image.width()) * 4;
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(m_stampCanvas.scanLine(y), image.constScanLine(y), static_cast<size_t>(rowBytes));
        drawCaptureDate(m_clock(), m_stampCanvas);
        bytes = m_encoder.encode(m_stampCanvas, jpegQualityForFactor(quality));
    } else {
        bytes = m_encoder.encode(image, jpegQualityForFactor(quality));
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

void CameraController::drawCaptureDate(const QDateTime& date, QImage& image) const
{
    const QString text = localizedLongDateFullTime(date);
    const StampFont stampFont = stampFontFromSettings(*m_userDefaults);
    const QColor color = stampColorFromSettings(*m_userDefaults);
    const QFont font = makeStampFont(stampFont);

    // The font's point size is its size in pixels of the picture, whatever its resolution.
    const int dpmX = image.dotsPerMeterX();
    const int dpmY = image.dotsPerMeterY();
    image.setDotsPerMeterX(kOnePointPerPixelDpm);
    image.setDotsPerMeterY(kOnePointPerPixelDpm);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(color);
        const QFontMetricsF metrics(font, &image);
        // The line box's lower-left corner sits at the inset; the baseline is a descent above it.
        const QPointF baseline(kStampInsetPixels, image.height() - kStampInsetPixels - metrics.descent());
        painter.drawText(baseline, text);
    }
    image.setDotsPerMeterX(dpmX);
    image.setDotsPerMeterY(dpmY);
}

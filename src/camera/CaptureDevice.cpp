#include "CaptureDevice.h"

#include "CameraError.h"
#include "GstError.h"
#include "V4l2Device.h"

#include <QCoreApplication>

#include <optional>

#include <linux/videodev2.h>

namespace {

QString stringProperty(const GstStructure* props, const char* name)
{
    const gchar* value = props ? gst_structure_get_string(props, name) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

// V4L2 cameras with a privacy shutter or switch report it through this control.
std::optional<bool> v4l2Privacy(const QString& path)
{
    const V4l2Device device(path);
    if (!device.isOpen())
        return std::nullopt;
    v4l2_control control{};
    control.id = V4L2_CID_PRIVACY;
    if (device.control(VIDIOC_G_CTRL, &control) != 0)
        return std::nullopt;
    return control.value != 0;
}

QString v4l2PathOf(const GstStructure* props)
{
    if (stringProperty(props, "device.api") != QLatin1String("v4l2"))
        return {};
    const QString path = stringProperty(props, "api.v4l2.path");
    return path.isEmpty() ? stringProperty(props, "device.path") : path;
}

} // namespace

CaptureDevice::CaptureDevice(GstDeviceRef device)
    : m_device(std::move(device))
    , m_displayName(displayNameOf(m_device.get()))
    , m_uniqueID(uniqueIdOf(m_device.get()))
{
}

CaptureDevice::~CaptureDevice()
{
    close();
}

QString CaptureDevice::displayNameOf(GstDevice* device)
{
    GCharPtr name(gst_device_get_display_name(device));
    return QString::fromUtf8(name.get());
}

QString CaptureDevice::uniqueIdOf(GstDevice* device)
{
    GstStructurePtr props(gst_device_get_properties(device));
    // Most stable first: a serial number survives a change of port, a bus path a
    // re-plug into the same port; a /dev/videoN node may be renumbered.
    // One device may offer two cameras on one bus path (its V4L2 bus info tells them apart).
    for (const char* key : {"device.serial", "device.bus_path", "api.v4l2.path", "device.path", "object.path"}) {
        const QString value = stringProperty(props.get(), key);
        if (value.isEmpty())
            continue;
        const QString busInfo = stringProperty(props.get(), "v4l2.device.bus_info");
        return QString::fromLatin1(key) + QLatin1Char(':') + value +
            (qstrcmp(key, "device.bus_path") == 0 && !busInfo.isEmpty() ? QLatin1Char('|') + busInfo : QString());
    }
    return QStringLiteral("name:") + displayNameOf(device);
}

bool CaptureDevice::isSuspended() const
{
    GstStructurePtr props(gst_device_get_properties(m_device.get()));
    if (!props)
        return false;
    gboolean suspended = FALSE;
    if (gst_structure_get_boolean(props.get(), "device.suspended", &suspended))
        return suspended;
    return v4l2Privacy(v4l2PathOf(props.get())).value_or(false);
}

QString CaptureDevice::v4l2Path() const
{
    GstStructurePtr props(gst_device_get_properties(m_device.get()));
    return v4l2PathOf(props.get());
}

void CaptureDevice::refresh(GstDeviceRef newer)
{
    if (newer)
        m_device = std::move(newer);
}

bool CaptureDevice::open(Error* error)
{
    if (m_element)
        return true;
    GstElementRef element = GstElementRef::refSink(gst_device_create_element(m_device.get(), nullptr));
    if (!element) {
        *error = cameraError(CameraError::CannotOpen,
                             QCoreApplication::translate("CaptureDevice", "The camera \"%1\" cannot be opened.").arg(m_displayName));
        return false;
    }
    // Outside a pipeline an element has no bus, so its error would be lost.
    GstBusRef bus = GstBusRef::adopt(gst_bus_new());
    gst_element_set_bus(element.get(), bus.get());
    const GstStateChangeReturn rc = gst_element_set_state(element.get(), GST_STATE_READY);
    gst_element_set_bus(element.get(), nullptr);
    if (rc == GST_STATE_CHANGE_FAILURE) {
        *error = errorFromBus(bus.get(), QCoreApplication::translate("CaptureDevice", "The camera \"%1\" cannot be opened.")
                                             .arg(m_displayName));
        gst_element_set_state(element.get(), GST_STATE_NULL);
        return false;
    }
    m_element = std::move(element);
    return true;
}

void CaptureDevice::close()
{
    if (!m_element)
        return;
    gst_element_set_state(m_element.get(), GST_STATE_NULL);
    m_element.reset();
}

Error errorFromBus(GstBus* bus, const QString& whatFailed)
{
    GstMessageRef message = GstMessageRef::adopt(gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR));
    std::optional<Error> error = message ? errorFromMessage(message.get()) : std::nullopt;
    return error.value_or(cameraError(CameraError::Failed, whatFailed));
}

GstCapsRef CaptureDevice::offeredCaps() const
{
    return GstCapsRef::adopt(gst_device_get_caps(m_device.get()));
}

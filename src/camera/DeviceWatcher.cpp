#include "DeviceWatcher.h"

#include <algorithm>

DeviceWatcher::DeviceWatcher(QObject* parent)
    : QObject(parent)
    , m_monitor(GstDeviceMonitorRef::adopt(gst_device_monitor_new()))
{
    gst_device_monitor_add_filter(m_monitor.get(), "Video/Source", nullptr);
    m_busWatch = std::make_unique<BusWatch>(GstBusRef::adopt(gst_device_monitor_get_bus(m_monitor.get())),
                                            [this](GstMessage* message) { announce(message); });
    gst_device_monitor_start(m_monitor.get());

    // Providers report the devices they find at start as additions too; those are
    // already in the first list and must not count as cameras plugged in later.
    GList* devices = gst_device_monitor_get_devices(m_monitor.get());
    for (GList* l = devices; l; l = l->next) {
        m_initialDevices.push_back(GstDeviceRef::adopt(static_cast<GstDevice*>(l->data)));
        m_attached.push_back(std::make_shared<CaptureDevice>(m_initialDevices.back()));
    }
    g_list_free(devices);
}

DeviceWatcher::~DeviceWatcher()
{
    gst_device_monitor_stop(m_monitor.get());
}

void DeviceWatcher::announce(GstMessage* message)
{
    GstDevice* raw = nullptr;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_DEVICE_ADDED: {
        gst_message_parse_device_added(message, &raw);
        GstDeviceRef device = GstDeviceRef::adopt(raw);
        const auto initial = std::find(m_initialDevices.begin(), m_initialDevices.end(), device);
        if (initial != m_initialDevices.end()) {
            m_initialDevices.erase(initial);
            return;
        }
        m_attached.push_back(std::make_shared<CaptureDevice>(std::move(device)));
        Q_EMIT deviceConnected(m_attached.back());
        return;
    }
    case GST_MESSAGE_DEVICE_REMOVED: {
        gst_message_parse_device_removed(message, &raw);
        GstDeviceRef device = GstDeviceRef::adopt(raw);
        std::erase(m_initialDevices, device);
        std::erase_if(m_attached, [&](const CaptureDevicePtr& attached) { return attached->gstDevice() == device.get(); });
        Q_EMIT deviceDisconnected(std::make_shared<CaptureDevice>(std::move(device)));
        return;
    }
    case GST_MESSAGE_DEVICE_CHANGED: {
        GstDevice* rawPrevious = nullptr;
        gst_message_parse_device_changed(message, &raw, &rawPrevious);
        GstDeviceRef device = GstDeviceRef::adopt(raw);
        GstDeviceRef previous = GstDeviceRef::adopt(rawPrevious);
        std::replace(m_initialDevices.begin(), m_initialDevices.end(), previous, device);
        for (const CaptureDevicePtr& attached : m_attached)
            if (attached->gstDevice() == previous.get())
                attached->refresh(device); // keeps its open state
        Q_EMIT deviceChanged(std::make_shared<CaptureDevice>(std::move(device)),
                             std::make_shared<CaptureDevice>(std::move(previous)));
        return;
    }
    default:
        return;
    }
}

CaptureDevicePtr DeviceWatcher::deviceWithUniqueID(const QString& uniqueID) const
{
    if (uniqueID.isEmpty())
        return nullptr;
    const auto found = std::find_if(m_attached.begin(), m_attached.end(),
                                    [&](const CaptureDevicePtr& device) { return device->uniqueID() == uniqueID; });
    return found == m_attached.end() ? nullptr : *found;
}

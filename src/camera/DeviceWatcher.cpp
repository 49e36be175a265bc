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
    // Alike cameras are numbered by where they are attached, not by which the monitor found first.
    std::vector<CaptureDevicePtr> byPlace = m_attached;
    std::stable_sort(byPlace.begin(), byPlace.end(), [](const CaptureDevicePtr& a, const CaptureDevicePtr& b) {
        return a->uniqueID() < b->uniqueID();
    });
    for (const CaptureDevicePtr& device : byPlace)
        device->setLocalizedDisplayName(QString()); // not named yet: takes no name from another
    for (const CaptureDevicePtr& device : byPlace)
        nameApart(device);
}

void DeviceWatcher::nameApart(const CaptureDevicePtr& device)
{
    const QString base = CaptureDevice::displayNameOf(device->gstDevice());
    QString name = base;
    const auto taken = [&] {
        return std::any_of(m_attached.begin(), m_attached.end(), [&](const CaptureDevicePtr& other) {
            return other != device && other->localizedDisplayName() == name;
        });
    };
    for (int n = 2; taken(); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    device->setLocalizedDisplayName(name);
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
        nameApart(m_attached.back());
        Q_EMIT deviceConnected(m_attached.back());
        return;
    }
    case GST_MESSAGE_DEVICE_REMOVED: {
        gst_message_parse_device_removed(message, &raw);
        GstDeviceRef device = GstDeviceRef::adopt(raw);
        std::erase(m_initialDevices, device);
        const auto gone = std::find_if(m_attached.begin(), m_attached.end(),
                                       [&](const CaptureDevicePtr& attached) { return attached->gstDevice() == device.get(); });
        // Told by the name it was known by.
        const CaptureDevicePtr removed = gone == m_attached.end() ? std::make_shared<CaptureDevice>(std::move(device)) : *gone;
        if (gone != m_attached.end())
            m_attached.erase(gone);
        Q_EMIT deviceDisconnected(removed);
        return;
    }
    case GST_MESSAGE_DEVICE_CHANGED: {
        GstDevice* rawPrevious = nullptr;
        gst_message_parse_device_changed(message, &raw, &rawPrevious);
        GstDeviceRef device = GstDeviceRef::adopt(raw);
        GstDeviceRef previous = GstDeviceRef::adopt(rawPrevious);
        std::replace(m_initialDevices.begin(), m_initialDevices.end(), previous, device);
        auto newer = std::make_shared<CaptureDevice>(device);
        auto older = std::make_shared<CaptureDevice>(std::move(previous));
        for (const CaptureDevicePtr& attached : m_attached)
            if (attached->gstDevice() == older->gstDevice()) {
                attached->refresh(device); // keeps its open state and its name
                newer->setLocalizedDisplayName(attached->localizedDisplayName());
                older->setLocalizedDisplayName(attached->localizedDisplayName());
            }
        Q_EMIT deviceChanged(newer, older);
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

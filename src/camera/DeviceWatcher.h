#pragma once

#include "BusWatch.h"
#include "CaptureDevice.h"
#include "GstHandles.h"

#include <QObject>

#include <memory>
#include <vector>

// Owns the device monitor on "Video/Source" and the watch on its bus. Each
// message is announced on this object's thread, one at a time and in order, never
// from inside another announcement (a handler may run a modal alert).
class DeviceWatcher : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatcher(QObject* parent = nullptr);
    ~DeviceWatcher() override;

    // The video input devices attached now, in the order they were reported. Kept
    // from the monitor's messages, so a lookup neither asks the monitor nor reads
    // any device's properties again.
    const std::vector<CaptureDevicePtr>& videoDevices() const { return m_attached; }
    bool hasCamerasAvailable() const { return !m_attached.empty(); }
    // The attached device with that ID, or none.
    CaptureDevicePtr deviceWithUniqueID(const QString& uniqueID) const;

Q_SIGNALS:
    void deviceConnected(const CaptureDevicePtr& device);
    void deviceDisconnected(const CaptureDevicePtr& device);
    void deviceChanged(const CaptureDevicePtr& device, const CaptureDevicePtr& previous);

private:
    void announce(GstMessage* message);
    // "NAME", or "NAME (2)", "NAME (3)"… when an attached camera has that name already.
    void nameApart(const CaptureDevicePtr& device);

    GstDeviceMonitorRef m_monitor;
    std::unique_ptr<BusWatch> m_busWatch;
    std::vector<GstDeviceRef> m_initialDevices; // reported again by the providers' start-up
    std::vector<CaptureDevicePtr> m_attached;
};

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

    // The video input devices attached now, in the monitor's order.
    std::vector<CaptureDevicePtr> videoDevices() const;
    bool hasCamerasAvailable() const;
    // The attached device with that ID, or none.
    CaptureDevicePtr deviceWithUniqueID(const QString& uniqueID) const;

Q_SIGNALS:
    void deviceConnected(const CaptureDevicePtr& device);
    void deviceDisconnected(const CaptureDevicePtr& device);
    void deviceChanged(const CaptureDevicePtr& device, const CaptureDevicePtr& previous);

private:
    void announce(GstMessage* message);

    GstDeviceMonitorRef m_monitor;
    std::unique_ptr<BusWatch> m_busWatch;
    std::vector<GstDeviceRef> m_initialDevices;
};

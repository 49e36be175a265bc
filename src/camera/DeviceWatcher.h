#pragma once

#include "CaptureDevice.h"
#include "GstHandles.h"

#include <QObject>

#include <deque>
#include <mutex>
#include <vector>

// Owns the device monitor on "Video/Source" and its bus handler. The monitor's
// messages arrive on GStreamer's threads; each is handed to this object's thread
// and announced there, one at a time and in order, never from inside another
// announcement (a handler may run a modal alert).
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
    static GstBusSyncReply onBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void takeIncoming();
    void drain();
    void announce(GstMessage* message);

    GstDeviceMonitorRef m_monitor;
    GstBusRef m_bus;
    std::mutex m_incomingLock; // guards m_incoming, filled on GStreamer's threads
    std::deque<GstMessageRef> m_incoming;
    std::deque<GstMessageRef> m_pending; // main thread only
    std::vector<GstDeviceRef> m_initialDevices;
    bool m_announcing = false;
};

#pragma once

#include "Error.h"
#include "GstHandles.h"

#include <QString>

#include <memory>
#include <optional>

// One attached camera as the device monitor reports it, with its open state. Its
// unique ID stays the same when the same camera is unplugged and plugged in again.
class CaptureDevice {
public:
    explicit CaptureDevice(GstDeviceRef device);
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    static QString uniqueIdOf(GstDevice* device);
    static QString displayNameOf(GstDevice* device);

    QString localizedDisplayName() const { return m_displayName; }
    // Alike cameras are told apart by a number after the name.
    void setLocalizedDisplayName(const QString& name) { m_displayName = name; }
    QString uniqueID() const { return m_uniqueID; }
    GstDevice* gstDevice() const { return m_device.get(); }

    // Read afresh at each call: the device's "device.suspended" property, or for a
    // V4L2 camera its privacy control. A camera with neither is never suspended.
    bool isSuspended() const;

    // The formats, sizes and rates the camera offers.
    GstCapsRef offeredCaps() const;

    // The V4L2 device node of a V4L2 camera, else empty.
    QString v4l2Path() const;

    // A newer report of the same camera (for example after a change of its
    // attributes); keeps the open state.
    void refresh(GstDeviceRef newer);

    // Opening makes the camera's source element and brings it to READY, which is
    // where a device is actually opened; a failure fills *error with its own text.
    bool isOpen() const { return static_cast<bool>(m_element); }
    bool open(Error* error);
    void close();
    GstElement* element() const { return m_element.get(); }

private:
    GstDeviceRef m_device;
    QString m_displayName;
    QString m_uniqueID;
    GstElementRef m_element;
};

using CaptureDevicePtr = std::shared_ptr<CaptureDevice>;

// The first error message on a bus, as an Error; or a generic one naming what failed.
Error errorFromBus(GstBus* bus, const QString& whatFailed);

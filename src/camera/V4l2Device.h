#pragma once

#include <QString>

// An open V4L2 device node, closed when the handle goes. The camera code only
// asks it for controls and events; streaming goes through GStreamer.
class V4l2Device {
public:
    // Opened read-only and non-blocking; isOpen() says whether that worked.
    explicit V4l2Device(const QString& path);
    ~V4l2Device();
    V4l2Device(V4l2Device&& other) noexcept;
    V4l2Device& operator=(V4l2Device&&) = delete;
    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The ioctl's own result: 0 on success.
    int control(unsigned long request, void* argument) const;

private:
    int m_fd = -1;
};

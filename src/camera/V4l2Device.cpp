#include "V4l2Device.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

V4l2Device::V4l2Device(const QString& path)
{
    if (!path.isEmpty())
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

V4l2Device::~V4l2Device()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

V4l2Device::V4l2Device(V4l2Device&& other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

int V4l2Device::control(unsigned long request, void* argument) const
{
    int rc;
    do
        rc = ::ioctl(m_fd, request, argument);
    while (rc != 0 && errno == EINTR);
    return rc;
}

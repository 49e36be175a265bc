#include "PrivacyWatcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

std::unique_ptr<PrivacyWatcher> PrivacyWatcher::watch(const QString& devicePath)
{
    if (devicePath.isEmpty())
        return nullptr;
    const int fd = ::open(devicePath.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    v4l2_event_subscription subscription{};
    subscription.type = V4L2_EVENT_CTRL;
    subscription.id = V4L2_CID_PRIVACY;
    if (::ioctl(fd, VIDIOC_SUBSCRIBE_EVENT, &subscription) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<PrivacyWatcher>(new PrivacyWatcher(fd));
}

PrivacyWatcher::PrivacyWatcher(int fd)
    : m_fd(fd)
    , m_notifier(new QSocketNotifier(fd, QSocketNotifier::Exception, this)) // V4L2 events arrive as POLLPRI
{
    connect(m_notifier, &QSocketNotifier::activated, this, &PrivacyWatcher::drainEvents);
}

PrivacyWatcher::~PrivacyWatcher()
{
    m_notifier->setEnabled(false);
    ::close(m_fd);
}

void PrivacyWatcher::drainEvents()
{
    bool changed = false;
    v4l2_event event{};
    while (::ioctl(m_fd, VIDIOC_DQEVENT, &event) == 0)
        changed = changed || (event.type == V4L2_EVENT_CTRL && (event.u.ctrl.changes & V4L2_EVENT_CTRL_CH_VALUE));
    if (changed)
        Q_EMIT privacyChanged();
}

#include "PrivacyWatcher.h"

#include <QSocketNotifier>

#include <linux/videodev2.h>

std::unique_ptr<PrivacyWatcher> PrivacyWatcher::watch(const QString& devicePath)
{
    V4l2Device device(devicePath);
    if (!device.isOpen())
        return nullptr;
    v4l2_event_subscription subscription{};
    subscription.type = V4L2_EVENT_CTRL;
    subscription.id = V4L2_CID_PRIVACY;
    if (device.control(VIDIOC_SUBSCRIBE_EVENT, &subscription) != 0)
        return nullptr;
    return std::unique_ptr<PrivacyWatcher>(new PrivacyWatcher(std::move(device)));
}

PrivacyWatcher::PrivacyWatcher(V4l2Device device)
    : m_device(std::move(device))
    // V4L2 events arrive as POLLPRI
    , m_notifier(new QSocketNotifier(m_device.fd(), QSocketNotifier::Exception, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &PrivacyWatcher::drainEvents);
}

PrivacyWatcher::~PrivacyWatcher()
{
    m_notifier->setEnabled(false);
}

void PrivacyWatcher::drainEvents()
{
    bool changed = false;
    v4l2_event event{};
    while (m_device.control(VIDIOC_DQEVENT, &event) == 0)
        changed = changed || (event.type == V4L2_EVENT_CTRL && (event.u.ctrl.changes & V4L2_EVENT_CTRL_CH_VALUE));
    if (changed)
        Q_EMIT privacyChanged();
}

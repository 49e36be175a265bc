#pragma once

#include "V4l2Device.h"

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

// Follows a V4L2 camera's privacy control (a shutter or switch on the camera),
// which the device monitor does not report: privacyChanged() fires when it moves.
class PrivacyWatcher : public QObject {
    Q_OBJECT
public:
    // Null when the device has no privacy control or cannot be watched.
    static std::unique_ptr<PrivacyWatcher> watch(const QString& devicePath);
    ~PrivacyWatcher() override;

Q_SIGNALS:
    void privacyChanged();

private:
    explicit PrivacyWatcher(V4l2Device device);
    void drainEvents();

    V4l2Device m_device;
    QSocketNotifier* m_notifier;
};

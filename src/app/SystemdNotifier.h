#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

// Speaks systemd's notify protocol (a datagram to $NOTIFY_SOCKET) for a service of
// Type=notify: READY=1 once it records, STOPPING=1 when it quits, and with
// WatchdogSec= a WATCHDOG=1 from the event loop at half the watchdog's time, so
// that systemd restarts a service whose event loop hangs. Without $NOTIFY_SOCKET
// (not started by systemd) it does nothing.
class SystemdNotifier : public QObject {
    Q_OBJECT
public:
    explicit SystemdNotifier(QObject* parent = nullptr);

    // Sends one state ("READY=1", "STATUS=..."); false when there is nobody to tell.
    static bool send(const QByteArray& state);
    // Reports ready and starts the watchdog's pings.
    void ready();
    void stopping();

private:
    QTimer m_watchdog;
};

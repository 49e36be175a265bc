#include "SystemdNotifier.h"

#include <QtGlobal>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

bool SystemdNotifier::send(const QByteArray& state)
{
    const QByteArray path = qgetenv("NOTIFY_SOCKET");
    sockaddr_un address{};
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (address.sun_path[0] == '@') // an abstract socket
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()));
    const bool sent = ::sendto(fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&address), length) == state.size();
    ::close(fd);
    return sent;
}

SystemdNotifier::SystemdNotifier(QObject* parent)
    : QObject(parent)
{
    connect(&m_watchdog, &QTimer::timeout, this, [] { send("WATCHDOG=1"); });
}

void SystemdNotifier::ready()
{
    send("READY=1");
    // The watchdog is ours only when systemd names this process (or names none).
    bool ok = false;
    const qint64 watchdogUs = qEnvironmentVariable("WATCHDOG_USEC").toLongLong(&ok);
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (!ok || watchdogUs <= 0 || (!pid.isEmpty() && pid.toLongLong() != ::getpid()))
        return;
    m_watchdog.start(std::chrono::milliseconds(std::max<qint64>(watchdogUs / 2000, 1)));
}

void SystemdNotifier::stopping()
{
    m_watchdog.stop();
    send("STOPPING=1");
}

#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
{
}

void DesktopNotifier::post(const ProblemEvent& event)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const int problem = int(event.problem);
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // A problem stays on screen until it is seen; its end goes away on its own.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.ombrix.Ombrix")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(event.started ? 2 : 1))}};
    notify << QStringLiteral("Ombrix") << m_shown.value(problem, 0u) << QStringLiteral("org.ombrix.Ombrix")
           << event.title << event.message << QStringList() << hints << (event.started ? 0 : -1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, problem](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isValid())
            m_shown.insert(problem, reply.value());
        call->deleteLater();
    });
}

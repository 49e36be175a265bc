#pragma once

#include "GstHandles.h"

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

// Owns the watch on one GStreamer bus and hands each message to a handler on the
// thread that made the watch (the main thread), one at a time and in order. A
// socket notifier on the bus's file descriptor wakes it, so nothing is shared
// with GStreamer's threads. While a handler runs (it may run a modal alert) the
// notifier is off: later messages wait on the bus, never run inside it.
// A handler must not destroy its watch.
class BusWatch : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(GstMessage*)>;

    BusWatch(GstBusRef bus, Handler handler, QObject* parent = nullptr);
    ~BusWatch() override;

    // Drops what waits on the bus unread: messages of a pipeline that was stopped.
    void discardPending();

private:
    void deliverPending();

    GstBusRef m_bus;
    Handler m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

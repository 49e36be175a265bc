#include "BusWatch.h"

#include <QSocketNotifier>

BusWatch::BusWatch(GstBusRef bus, Handler handler, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_handler(std::move(handler))
{
    GPollFD pollFd{};
    gst_bus_get_pollfd(m_bus.get(), &pollFd);
    m_notifier = std::make_unique<QSocketNotifier>(pollFd.fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &BusWatch::deliverPending);
}

BusWatch::~BusWatch()
{
    m_notifier.reset();
    discardPending();
}

void BusWatch::discardPending()
{
    while (GstMessageRef::adopt(gst_bus_pop(m_bus.get())))
        ;
}

void BusWatch::deliverPending()
{
    m_notifier->setEnabled(false);
    while (GstMessageRef message = GstMessageRef::adopt(gst_bus_pop(m_bus.get())))
        m_handler(message.get());
    m_notifier->setEnabled(true);
}

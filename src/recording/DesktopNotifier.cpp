#include "DesktopNotifier.h"

#include <QHash>

#include <gio/gio.h>

#include <deque>

// Shared with the GLib callbacks, which hold a reference each and may come after
// the notifier has gone (then they only let go).
struct DesktopNotifier::State {
    GCancellable* cancellable = g_cancellable_new();
    GDBusConnection* bus = nullptr;
    enum class Bus { NotAsked, Connecting, Connected, Absent } phase = Bus::NotAsked;
    std::deque<ProblemEvent> waiting; // posted while the bus connects
    QHash<int, guint32> shown;        // Problem -> the id of its last notification

    ~State()
    {
        g_object_unref(cancellable);
        if (bus)
            g_object_unref(bus);
    }
};

namespace {

using State = DesktopNotifier::State;

struct Held {
    std::shared_ptr<State> state;
    int problem = 0;
};

void send(const std::shared_ptr<State>& state, const ProblemEvent& event);

void busReady(GObject*, GAsyncResult* result, gpointer data)
{
    const std::unique_ptr<Held> held(static_cast<Held*>(data));
    GDBusConnection* bus = g_bus_get_finish(result, nullptr);
    State& state = *held->state;
    if (g_cancellable_is_cancelled(state.cancellable)) {
        if (bus)
            g_object_unref(bus);
        return;
    }
    state.bus = bus;
    state.phase = bus ? State::Bus::Connected : State::Bus::Absent;
    while (!state.waiting.empty()) {
        const ProblemEvent event = state.waiting.front();
        state.waiting.pop_front();
        if (bus)
            send(held->state, event);
    }
}

void notified(GObject* source, GAsyncResult* result, gpointer data)
{
    const std::unique_ptr<Held> held(static_cast<Held*>(data));
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
    if (!reply) // no notification service: nothing to show it on
        return;
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (!g_cancellable_is_cancelled(held->state->cancellable))
        held->state->shown.insert(held->problem, id);
}

void send(const std::shared_ptr<State>& state, const ProblemEvent& event)
{
    const int problem = int(event.problem);
    GVariantBuilder actions, hints;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("org.ombrix.Ombrix"));
    // A problem stays on screen until it is seen; its end goes away on its own.
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(event.started ? 2 : 1));
    GVariant* arguments = g_variant_new("(susssasa{sv}i)", "Ombrix", state->shown.value(problem, 0), "org.ombrix.Ombrix",
                                        event.title.toUtf8().constData(), event.message.toUtf8().constData(), &actions,
                                        &hints, event.started ? 0 : -1);
    g_dbus_connection_call(state->bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", "Notify", arguments, G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NONE, 10000, state->cancellable, &notified, new Held{state, problem});
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
{
}

DesktopNotifier::~DesktopNotifier()
{
    g_cancellable_cancel(m_state->cancellable);
}

void DesktopNotifier::post(const ProblemEvent& event)
{
    switch (m_state->phase) {
    case State::Bus::Absent:
        return;
    case State::Bus::Connected:
        send(m_state, event);
        return;
    case State::Bus::NotAsked:
        m_state->phase = State::Bus::Connecting;
        g_bus_get(G_BUS_TYPE_SESSION, m_state->cancellable, &busReady, new Held{m_state, 0});
        [[fallthrough]];
    case State::Bus::Connecting:
        m_state->waiting.push_back(event);
    }
}

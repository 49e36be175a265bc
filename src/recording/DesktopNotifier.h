#pragma once

#include "ProblemWatch.h"

#include <QObject>

#include <memory>

// Shows each problem's start and end as a desktop notification (the freedesktop
// Notifications service on the session bus); a problem's next notification
// replaces its last. No session bus or no notification service is no error:
// nothing is shown. Everything is asynchronous (GLib's D-Bus): a session bus that
// never answers holds neither the event loop nor quitting.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override; // what is under way is cancelled
    void post(const ProblemEvent& event);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

#pragma once

#include "ProblemWatch.h"

#include <QHash>
#include <QObject>

// Shows each problem's start and end as a desktop notification (the freedesktop
// Notifications service on the session bus); a problem's end replaces its start.
// No session bus or no notification service is no error: nothing is shown.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    void post(const ProblemEvent& event);

private:
    QHash<int, uint> m_shown; // Problem -> the id of its notification on screen
};

#pragma once

#include "ConnectionTrial.h"

#include <QObject>

#include <functional>

class QAction;
class QToolButton;
class QWidget;
class UserDefaults;

// The window's "Test Connection" (a button by the server fields and in the Recording menu): tries the server fields as they are (the typed
// password included) without holding the window, and shows the trial's sentences.
class ConnectionTestButton : public QObject {
    Q_OBJECT
public:
    // The button by the server fields shows the action (and follows its state).
    ConnectionTestButton(QAction* action, QToolButton* button, UserDefaults* settings, std::function<QString()> password,
                         QWidget* window);

private:
    void test();
    void show(bool ok, const QStringList& steps);

    QAction* m_action;
    UserDefaults* m_settings;
    std::function<QString()> m_password;
    QWidget* m_window;
    ConnectionTrial m_trial;
};

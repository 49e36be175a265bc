#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

// Moves the widget's window as the window system moves windows: a drag on the
// window's background or bars acts as a drag on its title bar.
inline void startWindowDrag(QWidget* widget)
{
    if (QWindow* window = widget->window()->windowHandle())
        window->startSystemMove();
}

// Moves the window when a drag starts on the watched widget's background (not on
// a pane or control, which take their own clicks).
class BackgroundDrag : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            startWindowDrag(static_cast<QWidget*>(watched));
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

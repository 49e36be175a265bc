#pragma once

#include <QWidget>
#include <QWindow>

// Moves the widget's window as the window system moves windows: a drag on the
// window's background or bars acts as a drag on its title bar.
inline void startWindowDrag(QWidget* widget)
{
    if (QWindow* window = widget->window()->windowHandle())
        window->startSystemMove();
}

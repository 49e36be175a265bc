#include "MiddleBarBorder.h"

#include "WindowDrag.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QWindow>

#include <cmath>

MiddleBarBorder::MiddleBarBorder(QWidget* parent)
    : QWidget(parent)
{
    changeGradient(true);
    // Any window of the application turning active or inactive changes the look.
    connect(qApp, &QApplication::focusWindowChanged, this,
            [this](QWindow* focused) { changeGradient(focused != nullptr); });
}

void MiddleBarBorder::changeGradient(bool windowBecameActive)
{
    startColor = windowBecameActive ? becomeKeyStartColor : resignKeyStartColor;
    endColor = windowBecameActive ? becomeKeyEndColor : resignKeyEndColor;
    update();
}

bool MiddleBarBorder::event(QEvent* event)
{
    // Drags on the bar move the window, as on the window's background.
    if (event->type() == QEvent::MouseButtonPress) {
        startWindowDrag(this);
        return true;
    }
    return QWidget::event(event);
}

void MiddleBarBorder::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width(), h = height();
    // Top-down here: the top edge is row 0, the bottom edge row h - 1.
    painter.setPen(QColor::fromRgbF(0.251f, 0.251f, 0.251f));
    painter.drawLine(0, 0, w, 0);
    painter.drawLine(0, h - 1, w, h - 1);
    painter.setPen(QColor::fromRgbF(0.859f, 0.859f, 0.859f));
    painter.drawLine(0, 1, w, 1);

    const QRectF area(0, 2, w, h - 3);
    // The angle runs counter-clockwise from +x with y up; on screen y runs down.
    const double radians = angle * M_PI / 180.0;
    const QPointF centre = area.center();
    const QPointF direction(std::cos(radians), -std::sin(radians));
    const double reach = std::abs(direction.x()) * area.width() / 2 + std::abs(direction.y()) * area.height() / 2;
    QLinearGradient gradient(centre - direction * reach, centre + direction * reach);
    gradient.setColorAt(0, startColor);
    gradient.setColorAt(1, endColor);
    painter.fillRect(area, gradient);
}

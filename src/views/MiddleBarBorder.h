#pragma once

#include <QColor>
#include <QWidget>

// A horizontal bar with a dark line along its top and bottom edges, a light line
// just below the top, and a vertical gradient between them that takes the active
// look while an application window is active and the inactive look otherwise.
// A drag that starts on it moves the window.
class MiddleBarBorder : public QWidget {
    Q_OBJECT
public:
    explicit MiddleBarBorder(QWidget* parent = nullptr);

    QColor becomeKeyStartColor{QColor::fromRgbF(0.765f, 0.765f, 0.765f)};
    QColor becomeKeyEndColor{QColor::fromRgbF(0.588f, 0.588f, 0.588f)};
    QColor resignKeyStartColor{QColor::fromRgbF(0.93f, 0.93f, 0.93f)};
    QColor resignKeyEndColor{QColor::fromRgbF(0.85f, 0.85f, 0.85f)};
    QColor startColor;
    QColor endColor;
    int angle = 270; // degrees counter-clockwise from +x; 270: start colour at the top

    // The latest key-state change of any application window decides the look.
    void changeGradient(bool windowBecameActive);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

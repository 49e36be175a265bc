#pragma once

#include <QAbstractButton>

// The record button, drawn entirely from one of four images by its state:
// pressed, disabled, idle (not checked) or recording (checked).
class CaptureButtonCell : public QAbstractButton {
    Q_OBJECT
public:
    explicit CaptureButtonCell(QWidget* parent = nullptr);

    // The image resource the button shows now.
    QString imageName() const;
    QSize sizeHint() const override { return {64, 64}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

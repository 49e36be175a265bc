#include "CaptureButtonCell.h"

#include <QPainter>
#include <QPixmap>

CaptureButtonCell::CaptureButtonCell(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

QString CaptureButtonCell::imageName() const
{
    if (isDown())
        return QStringLiteral("media-record_pressed");
    if (!isEnabled())
        return QStringLiteral("media-record_disabled");
    return isChecked() ? QStringLiteral("media-record") : QStringLiteral("media-record_sw");
}

void CaptureButtonCell::paintEvent(QPaintEvent*)
{
    // Loaded at every drawing, and stretched to the whole button; the @2x file is
    // picked on high-resolution screens.
    const QPixmap image(QStringLiteral(":/images/%1.png").arg(imageName()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), image);
}

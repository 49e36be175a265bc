#include "CameraSuspendedView.h"

#include <QFontMetricsF>
#include <QPainter>

CameraSuspendedView::CameraSuspendedView(QWidget* parent)
    : QWidget(parent)
    , m_attrString(tr("Camera turned off"))
    , m_font(placeholderFont())
{
}

QFont CameraSuspendedView::placeholderFont()
{
    // The system font of the design, else the sans-serif families that stand in for it.
    QFont font;
    font.setFamilies({QStringLiteral("Lucida Grande"), QStringLiteral("Lucida Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(13.0);
    return font;
}

void CameraSuspendedView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setFont(m_font);
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(m_font, this);
    const QSizeF text(metrics.horizontalAdvance(m_attrString), metrics.height());
    // The text's box is centred; its top-left corner is not rounded.
    const QPointF topLeft((width() - text.width()) * 0.5, (height() - text.height()) * 0.5);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), m_attrString);
}

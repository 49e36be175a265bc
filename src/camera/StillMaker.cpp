#include "StillMaker.h"

#include "DateFormats.h"
#include "VideoFrame.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cstring>

namespace {

constexpr double kStampInsetPixels = 10.0;
// A dots-per-metre value of 72 dpi, at which one point of the font is one pixel.
constexpr int kOnePointPerPixelDpm = 2835;

} // namespace

void drawStamp(QImage& image, const QString& text, const QFont& font, const QColor& color)
{
    // The font's point size is its size in pixels of the picture, whatever its resolution.
    const int dpmX = image.dotsPerMeterX();
    const int dpmY = image.dotsPerMeterY();
    image.setDotsPerMeterX(kOnePointPerPixelDpm);
    image.setDotsPerMeterY(kOnePointPerPixelDpm);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(color);
        const QFontMetricsF metrics(font, &image);
        // The line box's lower-left corner sits at the inset; the baseline is a descent above it.
        const QPointF baseline(kStampInsetPixels, image.height() - kStampInsetPixels - metrics.descent());
        painter.drawText(baseline, text);
    }
    image.setDotsPerMeterX(dpmX);
    image.setDotsPerMeterY(dpmY);
}

std::optional<QByteArray> StillMaker::makeStill(const GstSampleRef& frame, JpegQuality quality,
                                                const std::optional<StampStyle>& stamp, const QDateTime& date)
{
    if (!frame)
        return std::nullopt;
    const MappedFrame mapped(frame.get());
    const QImage image = mapped.image();
    if (image.isNull())
        return std::nullopt;

    QByteArray bytes;
    if (stamp) {
        // The copy goes into a canvas kept between stills, so no still allocates (and frees) a whole frame.
        if (m_stampCanvas.size() != image.size())
            m_stampCanvas = QImage(image.size(), QImage::Format_RGB32);
        const qsizetype rowBytes = qsizetype(image.width()) * 4;
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(m_stampCanvas.scanLine(y), image.constScanLine(y), static_cast<size_t>(rowBytes));
        drawStamp(m_stampCanvas, localizedLongDateFullTime(date), stamp->font, stamp->color);
        bytes = m_encoder.encode(m_stampCanvas, quality);
    } else {
        bytes = m_encoder.encode(image, quality);
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

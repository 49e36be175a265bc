#include "Brightness.h"

#include "VideoFrame.h"

std::optional<int> brightnessPercent(GstSample* frame)
{
    if (!frame)
        return std::nullopt;
    const MappedFrame mapped(frame);
    const QImage image = mapped.image();
    if (image.isNull())
        return std::nullopt;
    constexpr int kStep = 8; // every 8th pixel of every 8th line
    quint64 sum = 0, count = 0;
    for (int y = kStep / 2; y < image.height(); y += kStep) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = kStep / 2; x < image.width(); x += kStep) {
            const QRgb pixel = line[x];
            // Rec. 601 luma in integers: what "dark" looks like to a person.
            sum += (299u * qRed(pixel) + 587u * qGreen(pixel) + 114u * qBlue(pixel)) / 1000u;
            ++count;
        }
    }
    if (count == 0)
        return std::nullopt;
    return int((sum * 100 + count * 255 / 2) / (count * 255));
}

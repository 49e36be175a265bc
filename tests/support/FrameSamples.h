#pragma once

#include "GstHandles.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <cstring>

// A frame as the session delivers it: a sample of 32-bit RGB pixels with its caps.
inline GstSampleRef sampleFromImage(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const gsize size = static_cast<gsize>(image.sizeInBytes());
    GstBufferRef buffer = GstBufferRef::adopt(gst_buffer_new_allocate(nullptr, size, nullptr));
    gst_buffer_fill(buffer.get(), 0, image.constBits(), size);
    GstCapsRef caps = GstCapsRef::adopt(gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, G_BYTE_ORDER == G_LITTLE_ENDIAN ? "BGRx" : "xRGB", "width", G_TYPE_INT,
        image.width(), "height", G_TYPE_INT, image.height(), "framerate", GST_TYPE_FRACTION, 30, 1, nullptr));
    return GstSampleRef::adopt(gst_sample_new(buffer.get(), caps.get(), nullptr, nullptr));
}

// Where a picture differs from the reference by more than the threshold, within an area.
inline QRect inkBounds(const QImage& picture, const QImage& reference, int threshold, QRect area = {})
{
    if (area.isNull())
        area = picture.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor a = picture.pixelColor(x, y), b = reference.pixelColor(x, y);
            const int d = qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
            if (d > threshold)
                bounds = bounds.united(QRect(x, y, 1, 1));
        }
    return bounds;
}

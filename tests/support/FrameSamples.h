#pragma once

#include "GstHandles.h"

#include <QImage>

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

#pragma once

#include <QByteArray>
#include <QImage>
#include <QVariant>

// libjpeg quality (1-100) for a compression factor from 0.0 (smallest) to 1.0 (best):
// round(100 x factor), clamped. A factor that is missing or not a number gets the
// default factor 0.5; one outside 0-1 is clamped.
int jpegQualityForFactor(const QVariant& factor);

// JPEG encoding with TurboJPEG. One encoder per thread; not shareable between threads.
class JpegEncoder {
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // 32-bit pixels laid out as QImage::Format_RGB32 (B, G, R, x in memory on
    // little-endian machines). Returns empty bytes when encoding fails.
    QByteArray encodeRgb32(const uchar* pixels, int width, int height, qsizetype bytesPerLine, int quality);
    QByteArray encode(const QImage& image, int quality);

private:
    void* m_handle = nullptr;
};

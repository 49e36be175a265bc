#pragma once

#include <QByteArray>
#include <QImage>
#include <QVariant>

#include <algorithm>

// A JPEG quality as libjpeg counts it, 1 (smallest) to 100 (best), always in range:
// the one type in which the setting crosses from the settings to the encoder.
class JpegQuality {
public:
    constexpr explicit JpegQuality(int percent = 50) : m_percent(std::clamp(percent, 1, 100)) {}
    // From the settings' compression factor, 0.0 (smallest) to 1.0 (best): round(100 x
    // factor), clamped. A factor that is missing or not a number gets the default 0.5.
    static JpegQuality fromFactor(const QVariant& factor);
    constexpr int percent() const { return m_percent; }
    bool operator==(const JpegQuality&) const = default;

private:
    int m_percent;
};

// JPEG encoding with TurboJPEG. One encoder per thread; not shareable between threads.
class JpegEncoder {
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // 32-bit pixels laid out as QImage::Format_RGB32 (B, G, R, x in memory on
    // little-endian machines). Returns empty bytes when encoding fails.
    QByteArray encodeRgb32(const uchar* pixels, int width, int height, qsizetype bytesPerLine, JpegQuality quality);
    QByteArray encode(const QImage& image, JpegQuality quality);

private:
    void* m_handle = nullptr;
};

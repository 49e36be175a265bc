#include "JpegEncoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr double kDefaultFactor = 0.5;
constexpr int kRgb32PixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
}

JpegQuality JpegQuality::fromFactor(const QVariant& factor)
{
    bool ok = false;
    double f = factor.isValid() ? factor.toDouble(&ok) : kDefaultFactor;
    if (factor.isValid() && (!ok || !std::isfinite(f)))
        f = kDefaultFactor;
    f = std::clamp(f, 0.0, 1.0);
    return JpegQuality(static_cast<int>(std::lround(100.0 * f)));
}

JpegEncoder::JpegEncoder()
    : m_handle(tjInitCompress())
{
}

JpegEncoder::~JpegEncoder()
{
    if (m_handle)
        tjDestroy(m_handle);
}

QByteArray JpegEncoder::encodeRgb32(const uchar* pixels, int width, int height, qsizetype bytesPerLine, JpegQuality quality)
{
    if (!m_handle || !pixels || width <= 0 || height <= 0 || bytesPerLine > INT_MAX)
        return {};
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int rc = tjCompress2(m_handle, pixels, width, static_cast<int>(bytesPerLine), height, kRgb32PixelFormat,
                               &jpeg, &jpegSize, TJSAMP_420, quality.percent(), 0);
    QByteArray bytes;
    if (rc == 0)
        bytes = QByteArray(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(jpegSize));
    tjFree(jpeg);
    return bytes;
}

QByteArray JpegEncoder::encode(const QImage& image, JpegQuality quality)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return encodeRgb32(image.constBits(), image.width(), image.height(), image.bytesPerLine(), quality);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return encodeRgb32(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), quality);
}

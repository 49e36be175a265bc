#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <optional>

// How a film is encoded: H.264 in MP4 where the encoder is installed, VP9 or VP8
// in WebM always (GStreamer's good plugins).
enum class FilmCodec { H264, VP9, VP8 };

struct FilmFormat {
    FilmCodec codec;

    QString displayName() const;
    QString extension() const; // "mp4" or "webm"
    // The encoder and muxer as a gst-launch description, for this size and rate.
    QByteArray encoderDescription(QSize size, int framesPerSecond) const;

    // Those whose elements are installed, the preferred first.
    static QList<FilmFormat> installed();
    // The format for a file name's extension (.mp4: H.264, .webm: VP8); none when unknown.
    static std::optional<FilmFormat> forFileName(const QString& fileName);
    bool isInstalled() const;
};

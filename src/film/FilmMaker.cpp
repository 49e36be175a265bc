#include "FilmMaker.h"

#include "GstError.h"
#include "GstHandles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gst/app/gstappsrc.h>
#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

// Pictures read ahead of the encoder, at most: memory stays flat however many there are.
constexpr guint64 kReadAheadBytes = 8 * 1024 * 1024;

// A JPEG whose header reads and whose end marker is there; a file cut short by a
// crash or a full disk has none.
std::optional<QSize> wholeJpegSize(tjhandle decoder, const QByteArray& data)
{
    int end = int(data.size());
    while (end > 2 && data[end - 1] == '\0') // some writers pad the end
        --end;
    if (end < 4 || uchar(data[end - 2]) != 0xFF || uchar(data[end - 1]) != 0xD9)
        return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(data.constData()),
                            static_cast<unsigned long>(data.size()), &width, &height, &subsampling, &colorspace) != 0 ||
        width <= 0 || height <= 0)
        return std::nullopt;
    return QSize(width, height);
}

QString errorText(GstMessage* message)
{
    const std::optional<Error> error = errorFromMessage(message);
    return error ? error->description : QCoreApplication::translate("FilmMaker", "The video encoder failed.");
}

QString noneReadable(int total)
{
    if (total == 0)
        return FilmMaker::tr("There are no pictures to make a film of.");
    return total == 1 ? FilmMaker::tr("The picture cannot be read.")
                      : FilmMaker::tr("None of the %1 pictures can be read.").arg(total);
}

struct TurboDecoder {
    tjhandle handle = tjInitDecompress();
    ~TurboDecoder() { tjDestroy(handle); }
};

QByteArray pipelineDescription(const FilmFormat& format, QSize size, int fps)
{
    return QByteArrayLiteral("appsrc name=pictures format=time caps=image/jpeg,framerate=") + QByteArray::number(fps) +
        QByteArrayLiteral("/1 ! jpegdec ! videoconvert ! videoscale add-borders=true ! "
                          "video/x-raw,pixel-aspect-ratio=1/1,width=") +
        QByteArray::number(size.width()) + QByteArrayLiteral(",height=") + QByteArray::number(size.height()) +
        QByteArrayLiteral(" ! videoconvert ! ") + format.encoderDescription(size, fps) + QByteArrayLiteral(" ! filesink name=film");
}

} // namespace

FilmMaker::FilmMaker(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<FilmOutcome>();
}

FilmMaker::~FilmMaker()
{
    m_cancelled = true;
    if (m_thread.joinable())
        m_thread.join();
}

void FilmMaker::start(FilmRequest request)
{
    if (m_thread.joinable())
        m_thread.join();
    m_cancelled = false;
    m_thread = std::thread([this, request = std::move(request)] {
        const FilmOutcome outcome = make(request);
        Q_EMIT finished(outcome);
    });
}

FilmOutcome FilmMaker::make(const FilmRequest& request)
{
    FilmOutcome outcome;
    const int total = int(request.pictures.size());
    const TurboDecoder turbo;

    // The film's size: asked for, or the first readable picture's; even, as encoders want.
    QSize size = request.size;
    for (int i = 0; !size.isValid() && i < total; ++i) {
        QFile picture(request.pictures[i]);
        if (picture.open(QIODevice::ReadOnly))
            size = wholeJpegSize(turbo.handle, picture.readAll()).value_or(QSize());
    }
    if (!size.isValid()) {
        outcome.error = noneReadable(total);
        return outcome;
    }
    size = QSize(std::max(2, size.width() & ~1), std::max(2, size.height() & ~1));
    outcome.size = size;

    const QString part = partPath(request.output);
    {
        QFile probe(part);
        if (!probe.open(QIODevice::WriteOnly)) {
            outcome.error = tr("Cannot write \"%1\": %2").arg(request.output, probe.errorString());
            return outcome;
        }
    }
    GstElementRef pipeline;
    // However this ends, the pipeline is down before the part is removed.
    const auto endWith = [&](FilmOutcome::Status status, const QString& error = {}) {
        if (pipeline)
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        QFile::remove(part);
        outcome.status = status;
        outcome.error = error;
        return outcome;
    };

    const int fps = std::max(1, request.framesPerSecond);
    const QByteArray description = pipelineDescription(request.format, size, fps);
    GError* rawError = nullptr;
    pipeline = GstElementRef::refSink(gst_parse_launch(description.constData(), &rawError));
    const GErrorPtr parseError(rawError);
    if (!pipeline || parseError)
        return endWith(FilmOutcome::Status::Failed,
                       tr("The film cannot be made: %1")
                           .arg(parseError ? QString::fromUtf8(parseError->message) : QString::fromLatin1(description)));
    const GstElementRef source = GstElementRef::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "pictures"));
    const GstElementRef sink = GstElementRef::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "film"));
    g_object_set(sink.get(), "location", QFile::encodeName(part).constData(), nullptr);
    const GstBusRef bus = GstBusRef::adopt(gst_element_get_bus(pipeline.get()));
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        const GstMessageRef message = GstMessageRef::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
        return endWith(FilmOutcome::Status::Failed, message ? errorText(message.get()) : tr("The video encoder cannot be started."));
    }

    const GstClockTime frameDuration = gst_util_uint64_scale_int(GST_SECOND, 1, fps);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    for (int i = 0; i < total; ++i) {
        // Waits while the encoder is behind; an encoder that stopped for an error says so here.
        for (;;) {
            if (const GstMessageRef problem = GstMessageRef::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR))) {
                return endWith(FilmOutcome::Status::Failed, errorText(problem.get()));
            }
            if (m_cancelled || gst_app_src_get_current_level_bytes(GST_APP_SRC(source.get())) <= kReadAheadBytes)
                break;
            g_usleep(5000);
        }
        if (m_cancelled) {
            return endWith(FilmOutcome::Status::Cancelled);
        }
        QFile picture(request.pictures[i]);
        const QByteArray data = picture.open(QIODevice::ReadOnly) ? picture.readAll() : QByteArray();
        if (!wholeJpegSize(turbo.handle, data)) {
            ++outcome.picturesSkipped;
        } else {
            // GStreamer's own memory: it is freed on a streaming thread, by GStreamer.
            GstBuffer* buffer = gst_buffer_new_allocate(nullptr, gsize(data.size()), nullptr);
            gst_buffer_fill(buffer, 0, data.constData(), gsize(data.size()));
            GST_BUFFER_PTS(buffer) = outcome.framesWritten * frameDuration;
            GST_BUFFER_DURATION(buffer) = frameDuration;
            gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer); // an encoder's failure is on the bus
            ++outcome.framesWritten;
        }
        if (sinceProgress.elapsed() >= 100 || i + 1 == total) {
            Q_EMIT progressed(i + 1, total);
            sinceProgress.restart();
        }
    }
    if (outcome.framesWritten == 0) {
        return endWith(FilmOutcome::Status::Failed, noneReadable(total));
    }

    gst_app_src_end_of_stream(GST_APP_SRC(source.get()));
    for (;;) {
        const GstMessageRef message = GstMessageRef::adopt(
            gst_bus_timed_pop_filtered(bus.get(), 50 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (m_cancelled || (message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR)) {
            return m_cancelled ? endWith(FilmOutcome::Status::Cancelled)
                               : endWith(FilmOutcome::Status::Failed, errorText(message.get()));
        }
        if (message)
            break;
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL); // closes the file
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(request.output).constData()) != 0)
        return endWith(FilmOutcome::Status::Failed,
                       tr("Cannot write \"%1\": %2").arg(request.output, QString::fromLocal8Bit(std::strerror(errno))));
    outcome.status = FilmOutcome::Status::Made;
    return outcome;
}

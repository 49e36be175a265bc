#include "FilmMaker.h"

#include "GstError.h"
#include "GstHandles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
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

// Pictures on either side whose brightness a picture is pulled toward: about a
// second of film at 15 frames per second, far shorter than dusk.
constexpr int kDeflickerReach = 7;

// A picture's mean luma (0 to 255) from its eighth-size decode: cheap, and the
// DCT's averages are all it needs. Negative when it cannot be read.
double meanLuma(tjhandle decoder, const QByteArray& data)
{
    const auto* jpeg = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decoder, jpeg, size, &width, &height, &subsampling, &colorspace) != 0)
        return -1;
    const tjscalingfactor eighth{1, 8};
    const int w = TJSCALED(width, eighth), h = TJSCALED(height, eighth);
    std::vector<unsigned char> grey(size_t(w) * size_t(h));
    if (w <= 0 || h <= 0 || tjDecompress2(decoder, jpeg, size, grey.data(), w, w, h, TJPF_GRAY, TJFLAG_FASTDCT) != 0)
        return -1;
    double sum = 0;
    for (const unsigned char v : grey)
        sum += v;
    return sum / double(grey.size());
}

// The picture decoded as raw video of its own chroma layout (no colour conversion),
// its luma scaled by the gain; RGB for the rare layouts GStreamer has no name for.
GstSample* decodeWithGain(tjhandle decoder, const QByteArray& data, double gain, int fps, GstClockTime pts,
                          GstClockTime duration)
{
    const auto* jpeg = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decoder, jpeg, size, &width, &height, &subsampling, &colorspace) != 0)
        return nullptr;
    GstVideoFormat format = GST_VIDEO_FORMAT_RGBx;
    switch (subsampling) {
    case TJSAMP_420: format = GST_VIDEO_FORMAT_I420; break;
    case TJSAMP_422: format = GST_VIDEO_FORMAT_Y42B; break;
    case TJSAMP_444: format = GST_VIDEO_FORMAT_Y444; break;
    case TJSAMP_GRAY: format = GST_VIDEO_FORMAT_GRAY8; break;
    default: break;
    }
    GstVideoInfo info;
    gst_video_info_set_format(&info, format, guint(width), guint(height));
    GST_VIDEO_INFO_FPS_N(&info) = fps;
    GST_VIDEO_INFO_FPS_D(&info) = 1;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    int decoded = -1;
    size_t scaled = 0; // bytes from the start that hold luma (or all colours, for RGB)
    if (format == GST_VIDEO_FORMAT_RGBx) {
        decoded = tjDecompress2(decoder, jpeg, size, map.data, width, int(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0)), height,
                                TJPF_RGBX, 0);
        scaled = map.size;
    } else {
        std::array<unsigned char*, 3> planes{};
        std::array<int, 3> strides{};
        for (guint p = 0; p < GST_VIDEO_INFO_N_PLANES(&info); ++p) {
            planes[p] = map.data + GST_VIDEO_INFO_PLANE_OFFSET(&info, p);
            strides[p] = GST_VIDEO_INFO_PLANE_STRIDE(&info, p);
        }
        decoded = tjDecompressToYUVPlanes(decoder, jpeg, size, planes.data(), width, strides.data(), height, 0);
        scaled = size_t(strides[0]) * size_t(height);
    }
    std::array<unsigned char, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[size_t(v)] = static_cast<unsigned char>(std::clamp(std::lround(v * gain), 0L, 255L));
    std::transform(map.data, map.data + scaled, map.data, [&](unsigned char v) { return table[v]; });
    gst_buffer_unmap(buffer, &map);
    if (decoded != 0) {
        gst_buffer_unref(buffer);
        return nullptr;
    }
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = duration;
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

QByteArray pipelineDescription(const FilmFormat& format, QSize size, int fps, bool rawPictures)
{
    const QByteArray source = rawPictures ? QByteArrayLiteral("appsrc name=pictures format=time ! ")
                                          : QByteArrayLiteral("appsrc name=pictures format=time caps=image/jpeg,framerate=") +
            QByteArray::number(fps) + QByteArrayLiteral("/1 ! jpegdec ! ");
    return source +
        QByteArrayLiteral("videoconvert ! videoscale add-borders=true ! "
                          "video/x-raw,pixel-aspect-ratio=1/1,width=") +
        QByteArray::number(size.width()) + QByteArrayLiteral(",height=") + QByteArray::number(size.height()) +
        QByteArrayLiteral(" ! videoconvert ! ") + format.encoderDescription(size, fps) + QByteArrayLiteral(" ! filesink name=film");
}

} // namespace

std::vector<double> FilmMaker::deflickerGains(const std::vector<double>& meanLuma)
{
    // Running sums over the readable pictures only: one that cannot be read pulls nothing.
    std::vector<size_t> readable;
    for (size_t i = 0; i < meanLuma.size(); ++i)
        if (meanLuma[i] >= 0)
            readable.push_back(i);
    std::vector<double> sums(readable.size() + 1, 0.0);
    for (size_t k = 0; k < readable.size(); ++k)
        sums[k + 1] = sums[k] + meanLuma[readable[k]];
    std::vector<double> gains(meanLuma.size(), 1.0);
    const auto reach = size_t(kDeflickerReach);
    for (size_t k = 0; k < readable.size(); ++k) {
        const size_t from = k >= reach ? k - reach : 0, to = std::min(readable.size(), k + reach + 1);
        const double average = (sums[to] - sums[from]) / double(to - from);
        const double own = meanLuma[readable[k]];
        // Bounded, so that a black or a white picture (a lamp, the sun) is not pushed to noise.
        gains[readable[k]] = own < 1 ? 1.0 : std::clamp(average / own, 0.4, 2.5);
    }
    return gains;
}

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
        QFile::remove(part + QStringLiteral(".mdat"));
        outcome.status = status;
        outcome.error = error;
        return outcome;
    };

    const int fps = std::max(1, request.framesPerSecond);
    const QByteArray description = pipelineDescription(request.format, size, fps, request.deflicker);
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
    // MP4 puts its index first once the film is whole; the film waits beside the output
    // meanwhile, not in a temporary folder that may be far smaller.
    const QString moving = part + QStringLiteral(".mdat");
    if (const GstElementRef muxer = GstElementRef::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "muxer"));
        muxer && g_object_class_find_property(G_OBJECT_GET_CLASS(muxer.get()), "faststart-file"))
        g_object_set(muxer.get(), "faststart-file", QFile::encodeName(moving).constData(), nullptr);
    const GstBusRef bus = GstBusRef::adopt(gst_element_get_bus(pipeline.get()));
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        const GstMessageRef message = GstMessageRef::adopt(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
        return endWith(FilmOutcome::Status::Failed, message ? errorText(message.get()) : tr("The video encoder cannot be started."));
    }

    std::vector<double> gains;
    if (request.deflicker) {
        // A first pass for the brightness of every picture: a picture is pulled toward those after it too.
        std::vector<double> luma(size_t(total), -1.0);
        for (int i = 0; i < total && !m_cancelled; ++i) {
            QFile picture(request.pictures[i]);
            if (picture.open(QIODevice::ReadOnly))
                luma[size_t(i)] = meanLuma(turbo.handle, picture.readAll());
        }
        gains = deflickerGains(luma);
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
        const bool whole = wholeJpegSize(turbo.handle, data).has_value();
        const GstSampleRef raw = GstSampleRef::adopt(
            whole && request.deflicker
                ? decodeWithGain(turbo.handle, data, gains[size_t(i)], fps, outcome.framesWritten * frameDuration, frameDuration)
                : nullptr);
        if (!whole || (request.deflicker && !raw)) {
            ++outcome.picturesSkipped;
        } else if (raw) {
            gst_app_src_push_sample(GST_APP_SRC(source.get()), raw.get());
            ++outcome.framesWritten;
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

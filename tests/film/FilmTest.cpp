#include "ChildProcess.h"
#include "FilmMaker.h"
#include "GstHandles.h"
#include "PictureSequence.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gst/app/gstappsink.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <numeric>

namespace {

const QDateTime kStart(QDate(2026, 12, 1), QTime(8, 0, 0));

// A picture that carries its index as six black-or-white stripes, which survive
// lossy coding; the stripes fill the whole picture.
QImage indexPicture(int index, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int x = 0; x < size.width(); ++x) {
        const int bit = 5 - x * 6 / size.width();
        const QRgb colour = (index >> bit) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        for (int y = 0; y < size.height(); ++y)
            image.setPixel(x, y, colour);
    }
    return image;
}

int indexOf(const QImage& frame)
{
    int index = 0;
    for (int stripe = 0; stripe < 6; ++stripe) {
        const int x = (stripe * 2 + 1) * frame.width() / 12;
        index = index * 2 + (qGray(frame.pixel(x, frame.height() / 2)) > 128 ? 1 : 0);
    }
    return index;
}

// Every frame of a film, decoded.
std::vector<QImage> decodeFilm(const QString& path)
{
    std::vector<QImage> frames;
    const QByteArray description = "filesrc name=file ! decodebin ! videoconvert ! video/x-raw,format=BGRx ! appsink name=frames sync=false";
    GstElementRef pipeline = GstElementRef::refSink(gst_parse_launch(description.constData(), nullptr));
    GstElementRef file = GstElementRef::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "file"));
    GstElementRef sink = GstElementRef::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "frames"));
    g_object_set(file.get(), "location", QFile::encodeName(path).constData(), nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    while (GstSampleRef sample = GstSampleRef::adopt(gst_app_sink_pull_sample(GST_APP_SINK(sink.get())))) {
        GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
        int width = 0, height = 0;
        gst_structure_get_int(s, "width", &width);
        gst_structure_get_int(s, "height", &height);
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        frames.push_back(QImage(map.data, width, height, width * 4, QImage::Format_RGB32).copy());
        gst_buffer_unmap(buffer, &map);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return frames;
}

struct FilmInfo {
    double seconds = 0;
    QSize size;
    QString codec;
    QString chroma; // as the parser reports it; empty when it does not
};

FilmInfo discover(const QString& path)
{
    FilmInfo info;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, nullptr);
    GstDiscovererInfo* result =
        gst_discoverer_discover_uri(discoverer, QUrl::fromLocalFile(path).toEncoded().constData(), nullptr);
    if (result) {
        info.seconds = double(gst_discoverer_info_get_duration(result)) / GST_SECOND;
        GList* videos = gst_discoverer_info_get_video_streams(result);
        if (videos) {
            auto* video = static_cast<GstDiscovererVideoInfo*>(videos->data);
            info.size = QSize(int(gst_discoverer_video_info_get_width(video)), int(gst_discoverer_video_info_get_height(video)));
            GstCaps* caps = gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video));
            const GstStructure* structure = gst_caps_get_structure(caps, 0);
            info.codec = QString::fromUtf8(gst_structure_get_name(structure));
            info.chroma = QString::fromUtf8(gst_structure_get_string(structure, "chroma-format"));
            gst_caps_unref(caps);
        }
        gst_discoverer_stream_info_list_free(videos);
        g_object_unref(result);
    }
    g_object_unref(discoverer);
    return info;
}

class Film : public ::testing::Test {
protected:
    QString folder() const { return home.path() + QStringLiteral("/pictures"); }
    QString output(const QString& name = QStringLiteral("film.webm")) const { return home.path() + QLatin1Char('/') + name; }
    // Saves a picture under the sequence name of the given second after the start.
    QString save(const QImage& image, int second, const QString& name = QStringLiteral("Garden"))
    {
        QDir().mkpath(folder());
        const QString path = QStringLiteral("%1/%2_%3.jpg")
                                 .arg(folder(), name, kStart.addSecs(second).toString(QStringLiteral("yyyyMMdd_HHmmss")));
        EXPECT_TRUE(image.save(path, "JPEG", 90));
        return path;
    }
    QStringList sequence() const
    {
        QStringList paths;
        const PictureSequence found = PictureSequence::scan(folder(), QStringLiteral("Garden"));
        for (const SequencePicture& picture : found.pictures())
            paths.append(picture.path);
        return paths;
    }
    FilmOutcome make(FilmRequest request)
    {
        FilmMaker maker;
        QSignalSpy finished(&maker, &FilmMaker::finished);
        maker.start(std::move(request));
        EXPECT_TRUE(finished.wait(60000));
        return finished.isEmpty() ? FilmOutcome{} : finished.first().first().value<FilmOutcome>();
    }

    TempHome home;
};

TEST_F(Film, FortyEightPicturesAtTwentyFourAreTwoSecondsInNameOrderInEachFormat)
{
    // Saved newest first, so that file times and directory order disagree with the names.
    for (int i = 47; i >= 0; --i)
        save(indexPicture(i, QSize(320, 240)), i * 60);
    const QStringList pictures = sequence();
    ASSERT_EQ(pictures.size(), 48);
    const struct {
        FilmCodec codec;
        const char* file;
        const char* caps;
    } formats[] = {{FilmCodec::VP8, "film.webm", "video/x-vp8"}, {FilmCodec::H264, "film.mp4", "video/x-h264"}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.file);
        ASSERT_TRUE(FilmFormat{format.codec}.isInstalled()) << "the test command installs every encoder";
        const QString film = output(QString::fromLatin1(format.file));
        const FilmOutcome outcome = make(FilmRequest{pictures, film, FilmFormat{format.codec}, 24, {}, false});
        ASSERT_EQ(outcome.status, FilmOutcome::Status::Made) << outcome.error.toStdString();
        EXPECT_EQ(outcome.framesWritten, 48);
        EXPECT_EQ(outcome.picturesSkipped, 0);

        const FilmInfo info = discover(film);
        EXPECT_NEAR(info.seconds, 2.0, 0.05);
        EXPECT_EQ(info.size, QSize(320, 240));
        EXPECT_EQ(info.codec, QString::fromLatin1(format.caps));
        const std::vector<QImage> frames = decodeFilm(film);
        ASSERT_EQ(frames.size(), 48u);
        for (int i = 0; i < 48; ++i)
            EXPECT_EQ(indexOf(frames[i]), i) << "frame " << i;
        EXPECT_FALSE(QFile::exists(FilmMaker::partPath(film)));
        if (format.codec == FilmCodec::H264) {
            // For the web: 4:2:0, and the index before the pictures, so that it plays while it loads.
            EXPECT_EQ(info.chroma, QStringLiteral("4:2:0"));
            QFile file(film);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat"));
            EXPECT_EQ(QDir(home.path()).entryList({QStringLiteral("*.mdat")}, QDir::Files), QStringList());
        }
    }
    // Where the H.264 encoder is missing, WebM is the first format offered (and the daily film's).
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* x264 = gst_registry_lookup_feature(registry, "x264enc");
    ASSERT_NE(x264, nullptr);
    EXPECT_EQ(FilmFormat::installed().first().codec, FilmCodec::H264);
    gst_registry_remove_feature(registry, x264);
    const QList<FilmFormat> without = FilmFormat::installed();
    gst_registry_add_feature(registry, x264); // takes our reference back
    ASSERT_FALSE(without.isEmpty());
    EXPECT_EQ(without.first().codec, FilmCodec::VP8);
}

// Auto-exposure jumps of 30 % either way from picture to picture over a slow fade.
TEST_F(Film, DeflickerSmoothsTheJumpsAndKeepsTheFade)
{
    constexpr int kCount = 60;
    for (int i = 0; i < kCount; ++i) {
        const double fade = 150.0 - i; // dusk
        const int grey = int(fade * (i % 2 ? 1.3 : 0.7));
        QImage picture(160, 120, QImage::Format_RGB32);
        picture.fill(qRgb(grey, grey, grey));
        save(picture, i * 60);
    }
    const auto brightness = [&](bool deflicker) {
        const QString film = output(deflicker ? QStringLiteral("smooth.webm") : QStringLiteral("raw.webm"));
        const FilmOutcome outcome = make(FilmRequest{sequence(), film, FilmFormat{FilmCodec::VP8}, 24, {}, deflicker});
        EXPECT_EQ(outcome.framesWritten, kCount) << outcome.error.toStdString();
        std::vector<double> means;
        for (const QImage& frame : decodeFilm(film))
            means.push_back(qGray(frame.pixel(frame.width() / 2, frame.height() / 2)));
        return means;
    };
    const auto jumps = [](const std::vector<double>& means) {
        double sum = 0;
        for (size_t i = 1; i < means.size(); ++i)
            sum += std::abs(means[i] - means[i - 1]);
        return sum / double(std::max<size_t>(1, means.size() - 1));
    };
    const std::vector<double> raw = brightness(false), smooth = brightness(true);
    ASSERT_EQ(smooth.size(), size_t(kCount));
    EXPECT_LT(jumps(smooth) * 5, jumps(raw));
    const auto average = [](const std::vector<double>& means, size_t from) {
        return std::accumulate(means.begin() + long(from), means.begin() + long(from) + 10, 0.0) / 10;
    };
    // The fade from the first ten pictures to the last ten is about 50 levels.
    EXPECT_NEAR(average(smooth, 0) - average(smooth, kCount - 10), 50, 12);
}

TEST_F(Film, OtherSizesAreLetterboxedAndBrokenPicturesSkippedAndCounted)
{
    QImage white(640, 160, QImage::Format_RGB32);
    white.fill(Qt::white);
    save(indexPicture(5, QSize(320, 240)), 0);
    save(white, 1); // the camera was switched: four times as wide as high
    const QString cut = save(indexPicture(6, QSize(320, 240)), 2);
    QFile file(cut);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 2)); // a crash in the middle of saving
    file.close();
    QFile::copy(cut, folder() + QStringLiteral("/Garden_20261201_080003.jpg"));
    QFile empty(folder() + QStringLiteral("/Garden_20261201_080004.jpg"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    save(indexPicture(7, QSize(320, 240)), 5);

    const FilmOutcome outcome = make(FilmRequest{sequence(), output(), FilmFormat{FilmCodec::VP8}, 10, {}});
    ASSERT_EQ(outcome.status, FilmOutcome::Status::Made) << outcome.error.toStdString();
    EXPECT_EQ(outcome.framesWritten, 3);
    EXPECT_EQ(outcome.picturesSkipped, 3);
    const std::vector<QImage> frames = decodeFilm(output());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(indexOf(frames[0]), 5);
    EXPECT_EQ(indexOf(frames[2]), 7);
    // 640x160 into 320x240 is 320x80 in the middle: black above and below, never stretched.
    const QImage& boxed = frames[1];
    EXPECT_EQ(boxed.size(), QSize(320, 240));
    EXPECT_LT(qGray(boxed.pixel(160, 40)), 30);
    EXPECT_GT(qGray(boxed.pixel(160, 120)), 220);
    EXPECT_LT(qGray(boxed.pixel(160, 200)), 30);
    EXPECT_GT(qGray(boxed.pixel(160, 85)), 220);
    EXPECT_LT(qGray(boxed.pixel(160, 75)), 30);
}

TEST_F(Film, ARangeTakesExactlyThePicturesInsideAndOthersAreNotPartOfTheSequence)
{
    for (int i = 0; i < 10; ++i)
        save(indexPicture(i, QSize(64, 48)), i * 3600);
    // A name taken twice gets a counter and comes after the first; other names are other sequences.
    QFile::copy(folder() + QStringLiteral("/Garden_20261201_100000.jpg"), folder() + QStringLiteral("/Garden_20261201_100000_2.jpg"));
    save(indexPicture(0, QSize(64, 48)), 0, QStringLiteral("Garden2"));
    save(indexPicture(0, QSize(64, 48)), 0, QStringLiteral("Gard"));
    QFile::copy(folder() + QStringLiteral("/Garden_20261201_080000.jpg"), folder() + QStringLiteral("/Garden_20261301_080000.jpg"));
    QFile::copy(folder() + QStringLiteral("/Garden_20261201_080000.jpg"), folder() + QStringLiteral("/Garden_20261201_080000.jpg.part"));

    const PictureSequence sequence = PictureSequence::scan(folder(), QStringLiteral("Garden"));
    ASSERT_EQ(sequence.pictures().size(), 11u);
    const std::vector<SequencePicture> inside = sequence.between(kStart.addSecs(2 * 3600), kStart.addSecs(4 * 3600));
    QStringList names;
    for (const SequencePicture& picture : inside)
        names.append(QFileInfo(picture.path).fileName());
    EXPECT_EQ(names, (QStringList{QStringLiteral("Garden_20261201_100000.jpg"), QStringLiteral("Garden_20261201_100000_2.jpg"),
                                  QStringLiteral("Garden_20261201_110000.jpg"), QStringLiteral("Garden_20261201_120000.jpg")}));
    EXPECT_EQ(sequence.between({}, kStart).size(), 1u);
    EXPECT_EQ(sequence.between(kStart.addSecs(9 * 3600 + 1), {}).size(), 0u);
}

// The command line, as a person or a script runs it: exit status and one line.
TEST_F(Film, CommandLineStatusesAndMessages)
{
    for (int i = 0; i < 6; ++i)
        save(indexPicture(i, QSize(160, 120)), i);
    const auto run = [&](const QStringList& arguments, QByteArray* said) {
        ChildProcess::Options options;
        options.mergeErrors = true;
        ChildProcess ombrix;
        if (!ombrix.start(QStringLiteral(OMBRIX_BINARY), arguments, options) || !ombrix.waitForFinished(60000))
            return -1;
        *said = ombrix.output();
        return ombrix.exitCode();
    };
    QByteArray said;
    // The folder and the film's path, and the options after them.
    const auto args = [&](const char* options, const QString& film) {
        return QStringList{QStringLiteral("--make-video"), folder()} + words(QString::fromLatin1(options)) +
            (film.isEmpty() ? QStringList() : QStringList{QStringLiteral("-o"), film});
    };
    EXPECT_EQ(run(args("--name Garden --from 2026-12-01T08:00:02 --fps 2 --size 80x60 --deflicker", output()), &said), 0) << said.constData();
    EXPECT_TRUE(said.contains("Made " + output().toUtf8() + ": 4 frames, 2.0 s at 2 fps, 80x60.")) << said.constData();
    EXPECT_EQ(discover(output()).size, QSize(80, 60));

    const struct {
        QStringList arguments;
        int status;
        const char* message;
    } failures[] = {
        {args("--name Shed", output()), 1, "ombrix: no pictures named Shed_yyyyMMdd_HHmmss.jpg in "},
        {args("--name Garden", home.path() + QStringLiteral("/nowhere/film.webm")), 1, "ombrix: Cannot write "},
        {args("--name Garden", output(QStringLiteral("film.avi"))), 2, "ombrix: unknown film format \"avi\": use .mp4 or .webm"},
        {args("--name Garden", {}), 2, "ombrix: --make-video needs -o FILE"},
        {args("--name Garden --fps 0", output()), 2, "ombrix: --fps must be"},
        {args("--name Garden --to yesterday", output()), 2, "ombrix: --to: not a date and time: yesterday"},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.message);
        EXPECT_EQ(run(failure.arguments, &said), failure.status) << said.constData();
        EXPECT_TRUE(said.contains(failure.message)) << said.constData();
        EXPECT_EQ(said.count('\n'), 1) << "one line: " << said.constData();
    }
}

} // namespace

// Frame intake and still encoding of the camera controller.
//   bench_camera [--benchmark_* options]
// For the figures in a report: --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// (the ratios then use the medians).
// Prints Google Benchmark's table, then the ratios that the targets are set on.
#include "CameraController.h"
#include "DateFormats.h"
#include "FrameSamples.h"
#include "GstHandles.h"
#include "JpegEncoder.h"
#include "SettingsTable.h"
#include "StampArchive.h"
#include "UserDefaults.h"
#include "alloc_counter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr float kQuality = 0.5f;

// A picture with smooth gradients and fine detail, closer to a camera's than flat bars.
QImage cameraLikePicture()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = static_cast<int>(noise >> 28);
            row[x] = qRgb((x * 255 / kWidth + n) & 255, (y * 255 / kHeight + n) & 255, ((x ^ y) & 63) + 96 + n);
        }
    }
    return image;
}

struct Fixture {
    Fixture()
    {
        qputenv("OMBRIX_TESTCAM_DEVICES", "");
        store = std::make_unique<UserDefaults>(dir.path() + QStringLiteral("/Ombrix.conf"));
        registerSettingDefaults(*store);
        controller = std::make_unique<CameraController>(store.get());
        picture = cameraLikePicture();
        frames[0] = sampleFromImage(picture);
        frames[1] = sampleFromImage(picture);
    }
    QTemporaryDir dir;
    std::unique_ptr<UserDefaults> store;
    std::unique_ptr<CameraController> controller;
    QImage picture;
    GstSampleRef frames[2];
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_FrameIntake(benchmark::State& state)
{
    Fixture& f = fixture();
    std::size_t frames = 0;
    resetThreadAllocations();
    for (auto _ : state) {
        f.controller->captureOutput(f.frames[frames & 1].get());
        ++frames;
    }
    state.counters["allocations_per_frame"] =
        benchmark::Counter(static_cast<double>(threadAllocationsSinceReset()) / static_cast<double>(frames));
}
BENCHMARK(BM_FrameIntake);

void BM_BareTurboJpegEncode(benchmark::State& state)
{
    Fixture& f = fixture();
    JpegEncoder encoder;
    for (auto _ : state)
        benchmark::DoNotOptimize(encoder.encode(f.picture, JpegQuality::fromFactor(kQuality)));
}
BENCHMARK(BM_BareTurboJpegEncode)->Unit(benchmark::kMillisecond);

void BM_StillWithStamp(benchmark::State& state)
{
    Fixture& f = fixture();
    f.store->setObject(true, OXInsertTimestampFlag);
    f.controller->captureOutput(f.frames[0].get());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.controller->takePictureWithFileType(CameraController::FileType::JPEG, kQuality));
}
BENCHMARK(BM_StillWithStamp)->Unit(benchmark::kMillisecond);

// The two steps a stamped still adds to the encoding, on their own.
void BM_PartFrameCopy(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.picture.copy());
}
BENCHMARK(BM_PartFrameCopy)->Unit(benchmark::kMillisecond);

void BM_PartStampDrawing(benchmark::State& state)
{
    Fixture& f = fixture();
    QImage image = f.picture.copy();
    for (auto _ : state)
        f.controller->drawCaptureDate(QDateTime::currentDateTime(), image);
}
BENCHMARK(BM_PartStampDrawing)->Unit(benchmark::kMillisecond);

// The same stamp and encoding done the usual Qt way, for comparison.
void BM_QtPainterAndImageWriter(benchmark::State& state)
{
    Fixture& f = fixture();
    const StampFont stampFont = *unarchiveFont(f.store->objectForKey(OXTimestampFont));
    for (auto _ : state) {
        QImage image = f.picture.copy();
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        {
            QFont font(stampFont.family);
            font.setPointSizeF(stampFont.pointSize);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            const QFontMetricsF metrics(font, &image);
            painter.drawText(QPointF(10, image.height() - 10 - metrics.descent()),
                             localizedLongDateFullTime(QDateTime::currentDateTime()));
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(JpegQuality::fromFactor(kQuality).percent());
        writer.write(image);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_QtPainterAndImageWriter)->Unit(benchmark::kMillisecond);


} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    gst_init(&argc, &argv);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto& t = reporter.millis;
    if (t.count("BM_FrameIntake"))
        std::printf("frame intake: %.1f ns per frame (target < 1000 ns, no allocation of its own)\n",
                    t["BM_FrameIntake"] * 1e6);
    if (t.count("BM_StillWithStamp") && t.count("BM_BareTurboJpegEncode"))
        std::printf("stamped still / bare TurboJPEG encode: %.3f (target <= 1.25)\n",
                    t["BM_StillWithStamp"] / t["BM_BareTurboJpegEncode"]);
    if (t.count("BM_StillWithStamp") && t.count("BM_QtPainterAndImageWriter"))
        std::printf("stamped still / QPainter + QImageWriter: %.3f\n",
                    t["BM_StillWithStamp"] / t["BM_QtPainterAndImageWriter"]);
    benchmark::Shutdown();
    return 0;
}


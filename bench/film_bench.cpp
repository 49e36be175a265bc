// Films from a recorded sequence, measured three ways.
//
// Speed: 1000 pictures of 1280x720 made into a film by Ombrix, against the same
// encoding done by one gst-launch-1.0 pipeline over the same files (multifilesrc,
// jpegdec, the same scaling, encoder and settings), in MP4 (H.264) and WebM (VP8).
// Target: at most 1.1 times its time; with smooth light at most 1.25 times.
// Memory: the peak resident memory of a process that makes the film of 250 and of
// 1000 pictures. Target: under 200 MB and flat in the number of pictures.
// Recording alongside: the window records 1920x1080 stills every second while the
// film is made in the same process; the largest delay of a tick is reported.
//
//   bench_film [pictures, default 1000]
//   bench_film --make FOLDER COUNT OUTPUT [--deflicker]   (the measured child: prints seconds and peak MB)
#include "BenchHome.h"
#include "BenchWindow.h"
#include "CameraController.h"
#include "FTPController.h"
#include "FilmMaker.h"
#include "MainWindowController.h"
#include "SettingsTable.h"
#include "PictureSequence.h"
#include "SecretStore.h"
#include "UserDefaults.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTest>

#include <gst/gst.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

const QSize kSize(1280, 720);
constexpr int kFps = 24;

// A garden at dawn: a gradient that brightens, a sun that moves, the time written in.
void recordSequence(const QString& folder, int count)
{
    QDir().mkpath(folder);
    QImage picture(kSize, QImage::Format_RGB32);
    const QDateTime start(QDate(2026, 6, 1), QTime(5, 0));
    for (int i = 0; i < count; ++i) {
        QPainter painter(&picture);
        QLinearGradient sky(0, 0, 0, kSize.height());
        sky.setColorAt(0, QColor::fromHsv(210, 160, 80 + i * 150 / count));
        sky.setColorAt(1, QColor::fromHsv(100, 180, 60 + i * 100 / count));
        painter.fillRect(picture.rect(), sky);
        painter.setBrush(QColor(255, 220, 120));
        painter.drawEllipse(QPoint(100 + i * 1000 / count, 500 - i * 400 / count), 60, 60);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 28));
        const QDateTime taken = start.addSecs(60 * i);
        painter.drawText(20, 690, taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        painter.end();
        const QString name = QStringLiteral("Garden_%1.jpg").arg(taken.toString(QStringLiteral("yyyyMMdd_HHmmss")));
        picture.save(folder + QLatin1Char('/') + name, "JPEG", 85);
        // multifilesrc wants numbered names: the same files under them.
        QFile::link(name, folder + QStringLiteral("/f%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
    }
}

QStringList firstPictures(const QString& folder, int count)
{
    QStringList paths;
    const PictureSequence sequence = PictureSequence::scan(folder, QStringLiteral("Garden"));
    for (const SequencePicture& picture : sequence.pictures())
        if (paths.size() < count)
            paths.append(picture.path);
    return paths;
}

// The child: one film, then its time and peak memory on standard output.
int makeOnly(const QString& folder, int count, const QString& output, bool deflicker)
{
    FilmMaker maker;
    QEventLoop loop;
    FilmOutcome outcome;
    QObject::connect(&maker, &FilmMaker::finished, &loop, [&](const FilmOutcome& result) {
        outcome = result;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    maker.start(FilmRequest{firstPictures(folder, count), output, *FilmFormat::forFileName(output), kFps, {}, deflicker});
    loop.exec();
    if (outcome.status != FilmOutcome::Status::Made) {
        std::fprintf(stderr, "film failed: %s\n", qPrintable(outcome.error));
        return 1;
    }
    std::printf("%.3f %.1f %d\n", timer.elapsed() / 1000.0, statusMegabytes("VmHWM"), outcome.framesWritten);
    return 0;
}

struct Run {
    double seconds = 0;
    double peakMB = 0;
};

Run runChild(const QString& self, const QString& folder, int count, const QString& output, bool deflicker = false)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, QStringList{QStringLiteral("--make"), folder, QString::number(count), output} +
                          (deflicker ? QStringList{QStringLiteral("--deflicker")} : QStringList()));
    child.waitForFinished(-1);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    return fields.size() >= 2 ? Run{fields[0].toDouble(), fields[1].toDouble()} : Run{};
}

double runGstLaunch(const FilmFormat& format, const QString& folder, int count, const QString& output)
{
    // multifilesrc's own %05d is kept out of QString::arg.
    const QString description = QStringLiteral("multifilesrc location=") + folder + QStringLiteral("/f%05d.jpg") +
        QStringLiteral(" index=0 stop-index=%1 caps=image/jpeg,framerate=%2/1 ! jpegdec ! videoconvert ! "
                       "videoscale add-borders=true ! video/x-raw,pixel-aspect-ratio=1/1,width=%3,height=%4 ! "
                       "videoconvert ! %5 ! filesink location=%6")
            .arg(count - 1)
            .arg(kFps)
            .arg(kSize.width())
            .arg(kSize.height())
            .arg(QString::fromLatin1(format.encoderDescription(kSize, kFps)), output);
    QProcess launch;
    launch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    launch.start(QStringLiteral("gst-launch-1.0"), QStringList{QStringLiteral("-q")} + QProcess::splitCommand(description));
    launch.waitForFinished(-1);
    if (launch.exitCode() != 0)
        std::fprintf(stderr, "gst-launch-1.0 failed\n");
    return timer.elapsed() / 1000.0;
}

// The window records every second while the film is made; the largest delay of a tick.
void recordWhileMaking(const QString& folder, int count, const QString& output, const QString& home)
{
    BenchWindow bench(home);
    std::unique_ptr<MainWindowController>& window = bench.window;
    window->ui()->intervalTextField->setText(QStringLiteral("1"));
    if (!bench.waitForFrame())
        std::fprintf(stderr, "the test camera gave no frame\n");

    std::vector<qint64> intervals;
    QElapsedTimer sinceTick;
    QObject::connect(window.get(), &MainWindowController::tickFinished, [&] {
        if (sinceTick.isValid())
            intervals.push_back(sinceTick.restart());
        else
            sinceTick.start();
    });
    window->startRecording();
    QTest::qWait(5500); // ticks alone first
    const size_t alone = intervals.size();
    FilmMaker maker;
    bool done = false;
    QObject::connect(&maker, &FilmMaker::finished, [&] { done = true; });
    QElapsedTimer making;
    making.start();
    maker.start(FilmRequest{firstPictures(folder, count), output, *FilmFormat::forFileName(output), kFps, {}});
    if (!QTest::qWaitFor([&] { return done; }, 600000))
        std::fprintf(stderr, "the film was not made within 10 minutes\n");
    const qint64 madeIn = making.elapsed();
    window->stopRecording();
    const auto lateness = [&](size_t from, size_t to) {
        qint64 worst = 0;
        for (size_t i = from; i < to; ++i)
            worst = std::max(worst, std::abs(intervals[i] - 1000));
        return worst;
    };
    std::printf("recording at 1 s while the film is made (%.1f s): %zu ticks, largest delay %lld ms "
                "(%zu ticks before, largest %lld ms)\n",
                madeIn / 1000.0, intervals.size() - alone, static_cast<long long>(lateness(alone, intervals.size())), alone,
                static_cast<long long>(lateness(0, alone)));
}

} // namespace

int main(int argc, char** argv)
{
    const CurlGlobal curl;
    gst_init(&argc, &argv);
    if (argc >= 5 && qstrcmp(argv[1], "--make") == 0) {
        QCoreApplication app(argc, argv);
        return makeOnly(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(), QString::fromLocal8Bit(argv[4]), argc > 5);
    }
    const BenchHome home("Bench=1920x1080");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const QString self = QCoreApplication::applicationFilePath();
    const QString folder = home.path() + QStringLiteral("/Pictures");

    std::printf("recording %d pictures of %dx%d...\n", count, kSize.width(), kSize.height());
    recordSequence(folder, count);
    QString preferred;
    for (const FilmFormat& format : {FilmFormat{FilmCodec::H264}, FilmFormat{FilmCodec::VP8}}) {
        if (!format.isInstalled()) {
            std::printf("%s: not installed\n", qPrintable(format.displayName()));
            continue;
        }
        const QString film = home.path() + QStringLiteral("/%1.") + format.extension();
        if (preferred.isEmpty())
            preferred = film;
        std::printf("%s encoder: %s\n", qPrintable(format.displayName()), format.encoderDescription(kSize, kFps).constData());
        const double reference = runGstLaunch(format, folder, count, film.arg(QStringLiteral("reference")));
        const Run ours = runChild(self, folder, count, film.arg(QStringLiteral("ours")));
        const Run smooth = runChild(self, folder, count, film.arg(QStringLiteral("smooth")), true);
        const Run quarter = runChild(self, folder, count / 4, film.arg(QStringLiteral("quarter")));
        std::printf("%s, %d pictures: Ombrix %.2f s, gst-launch-1.0 %.2f s: %.2f times (target <= 1.1); "
                    "with smooth light %.2f s: %.2f times (target <= 1.25)\n",
                    qPrintable(format.displayName()), count, ours.seconds, reference, ours.seconds / reference, smooth.seconds,
                    smooth.seconds / reference);
        std::printf("peak resident memory: %.1f MB for %d pictures, %.1f MB for %d, %.1f MB with smooth light "
                    "(target < 200 MB, flat)\n",
                    quarter.peakMB, count / 4, ours.peakMB, count, smooth.peakMB);
    }
    recordWhileMaking(folder, count, preferred.arg(QStringLiteral("alongside")), home.path());
    return 0;
}

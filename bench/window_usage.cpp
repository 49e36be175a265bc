// CPU use and resident memory of the whole window: the test camera at 1280x720 and
// 30 fps, the live preview shown, recording on.
//   bench_window [seconds of idle measurement, default 20] [ticks, default 1000]
// Phase 1 lets recording idle between ticks (a 10-minute interval) and measures the
// process's CPU time against wall time. Phase 2 runs ticks back to back (stamp,
// save to disk), letting the event loop run between them, and samples the resident
// set size (VmRSS) along the way.
#include "BenchHome.h"
#include "BenchWindow.h"
#include "CameraController.h"
#include "CapturePreviewView.h"
#include "ContentViewControllers.h"
#include "MainWindowController.h"
#include "SettingsTable.h"
#include "SecretStore.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gst/gst.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes()
{
    return statusMegabytes("VmRSS");
}

} // namespace

int main(int argc, char** argv)
{
    const BenchHome home("Bench=1280x720");
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    const int ticks = argc > 2 ? QByteArray(argv[2]).toInt() : 1000;

    BenchWindow bench(home.path());
    MainWindowController& window = *bench.window;
    if (!bench.waitForFrame()) {
        std::fprintf(stderr, "the test camera gave no frame\n");
        return 1;
    }
    QTest::qWait(2000); // settle

    // Phase 1: recording on, idle between ticks.
    window.startRecording();
    auto* preview = static_cast<CapturePreviewView*>(window.currentViewController()->view());
    const long framesBefore = preview->framesShown();
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(idleSeconds * 1000);
    const double cpuShare = (processCpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);
    const double previewFps = (preview->framesShown() - framesBefore) / (wall.elapsed() / 1000.0);
    std::printf("idle recording with live preview (%.1f frames/s drawn): CPU %.1f%% of one core over %d s (target < 20%%), "
                "RSS %.1f MB\n",
                previewFps, cpuShare * 100.0, idleSeconds, residentMegabytes());
    window.stopRecording();

    // Phase 2: ticks back to back.
    double rssAt100 = 0;
    QElapsedTimer tickClock;
    tickClock.start();
    int finished = 0;
    QObject::connect(&window, &MainWindowController::tickFinished, [&] { ++finished; });
    for (int i = 1; i <= ticks; ++i) {
        window.capturePic();
        // Frames and repaints go on while the worker saves the picture.
        if (!QTest::qWaitFor([&] { return finished >= i; }, 10000)) {
            std::fprintf(stderr, "tick %d did not finish\n", i);
            return 1;
        }
        if (i == 100)
            rssAt100 = residentMegabytes();
        if (i % 250 == 0)
            std::printf("  after %4d ticks: RSS %.1f MB\n", i, residentMegabytes());
    }
    const double rssEnd = residentMegabytes();
    std::printf("%d ticks in %.1f s: RSS %.1f MB after 100, %.1f MB after %d (growth %.1f MB; target < 150 MB, no growth)\n",
                ticks, tickClock.elapsed() / 1000.0, rssAt100, rssEnd, ticks, rssEnd - rssAt100);
    return 0;
}

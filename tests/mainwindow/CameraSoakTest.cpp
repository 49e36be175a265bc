#include "CapturePreviewView.h"
#include "ContentViewControllers.h"
#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024 * 1024) : 0;
}

class CameraSoak : public WindowFixture {
protected:
    // Sends a command and waits until the controller shows its effect.
    bool commandUntil(const QString& line, const std::function<bool()>& done)
    {
        camera->command(line);
        return QTest::qWaitFor(done, 5000);
    }
};

// A camera on a shed wall is unplugged, plugged in, covered and uncovered again and
// again while it records; a person restarts the recording after each uncovering.
TEST_F(CameraSoak, HundredCyclesOfUnplugPlugSuspendResumeWhileRecording)
{
    const QString mode = QStringLiteral("Garden=mjpeg:640x480@30,raw:320x240@30");
    open(mode);
    ASSERT_TRUE(waitForFrame());
    store->setObject(home.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveToDiskFlag);
    setInterval(QStringLiteral("1"), 0);
    window->startRecording();
    const auto attached = [&] { return controller->devicesDict().contains(QStringLiteral("Garden")); };

    constexpr int kCycles = 100;
    constexpr int kWarmCycles = 10;
    double warmMegabytes = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_TRUE(commandUntil(QStringLiteral("disconnect Garden"), [&] { return !attached(); }));
        ASSERT_TRUE(commandUntil(QStringLiteral("connect ") + mode, [&] {
            return attached() && controller->mCaptureSession()->isRunning();
        }));
        ASSERT_TRUE(commandUntil(QStringLiteral("suspend Garden"), [&] { return controller->cameraSuspended(); }));
        EXPECT_FALSE(window->isRecording());
        ASSERT_TRUE(commandUntil(QStringLiteral("resume Garden"), [&] { return !controller->cameraSuspended(); }));
        window->startRecording();
        ASSERT_TRUE(window->isRecording());
        if (cycle + 1 == kWarmCycles)
            warmMegabytes = residentMegabytes();
    }
    const double endMegabytes = residentMegabytes();
    std::printf("resident memory after %d cycles: %.1f MB, after %d: %.1f MB\n", kWarmCycles, warmMegabytes, kCycles,
                endMegabytes);
    RecordProperty("ResidentMBAfterWarmUp", QString::number(warmMegabytes, 'f', 1).toStdString());
    RecordProperty("ResidentMBAtEnd", QString::number(endMegabytes, 'f', 1).toStdString());

    // The camera still works: fresh frames in the preview, and a tick saves a picture of them.
    const GstSampleRef before = controller->newestFrame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->newestFrame().get() != before.get(); }, 5000));
    auto* preview = static_cast<CapturePreviewView*>(window->currentViewController()->view());
    const long shown = preview->framesShown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->framesShown() > shown + 2; }, 5000));
    const QString picture = home.path() + QStringLiteral("/CaptureImage.jpg");
    QFile::remove(picture);
    ASSERT_TRUE(tick());
    EXPECT_EQ(QImage(picture).size(), QSize(640, 480));
    EXPECT_TRUE(alerts.alerts.isEmpty()) << alerts.alerts.value(0).description.toStdString();
    window->stopRecording();
}

} // namespace

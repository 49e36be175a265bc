#include "CameraFixture.h"
#include "PrivacyWatcher.h"

#include <QDir>

#include <QSignalSpy>
#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kEventTimeoutMs = 5000;

// A controller over the test cameras, with a log of what its observers heard.
class Registry : public CameraFixture {
protected:
    void startHeard(const QString& devices)
    {
        CameraFixture::start(devices);
        // Observers are called on the main thread, whatever thread the camera event came from.
        QObject::connect(controller.get(), &CameraController::cameraSuspendedChanged, [this](bool s) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            heard << (s ? QStringLiteral("suspended:yes") : QStringLiteral("suspended:no"));
        });
        QObject::connect(controller.get(), &CameraController::devicesDictChanged, [this] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            heard << QStringLiteral("devicesDict");
        });
    }
    // Sends a command to the test camera and waits until the controller announces
    // the change: the registry by default, or the suspension state.
    template <typename Signal = void (CameraController::*)()>
    void commandAndWait(const QString& line, Signal announcement = &CameraController::devicesDictChanged)
    {
        QSignalSpy spy(controller.get(), announcement);
        camera->command(line);
        ASSERT_TRUE(spy.wait(kEventTimeoutMs)) << line.toStdString();
    }
    QString current() const
    {
        return controller->userDevice() ? controller->userDevice()->localizedDisplayName() : QString();
    }
    int appSinks() const
    {
        int count = 0;
        GstIterator* it = gst_bin_iterate_elements(GST_BIN(controller->mCaptureSession()->pipeline()));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* element = GST_ELEMENT(g_value_get_object(&item));
            if (g_str_equal(G_OBJECT_TYPE_NAME(element), "GstAppSink"))
                ++count;
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        return count;
    }

    QStringList heard;
};

TEST_F(Registry, StartsWithEveryCameraAndOpensTheLastOne)
{
    startHeard(QStringLiteral("Cam A;Cam B=320x240"));
    EXPECT_EQ(controller->devicesDict().keys(), (QStringList{QStringLiteral("Cam A"), QStringLiteral("Cam B")}));
    EXPECT_EQ(controller->devicesDict().value(QStringLiteral("Cam A")),
              QStringLiteral("device.serial:ombrix-testcam:Cam A"));
    EXPECT_FALSE(controller->mCaptureSession()->isRunning()) << "nothing opens before it is asked";

    controller->addAnyCaptureDevice();
    EXPECT_EQ(current(), QStringLiteral("Cam B"));
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:no")});
    ASSERT_TRUE(framesFlow());
    const QImage still = QImage::fromData(*controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5), "JPEG");
    EXPECT_EQ(still.size(), QSize(320, 240));

    // The provider's start-up reports are not new cameras. They come on the bus before
    // the report of a camera plugged in now, so once that one is heard they were handled.
    commandAndWait(QStringLiteral("connect Cam C=160x120"));
    EXPECT_EQ(heard, (QStringList{QStringLiteral("suspended:no"), QStringLiteral("suspended:no"), QStringLiteral("devicesDict")}));
    EXPECT_EQ(current(), QStringLiteral("Cam C"));
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

TEST_F(Registry, ConnectedCameraBecomesCurrentAndObserversHearSuspensionFirst)
{
    startHeard(QStringLiteral("Cam A"));
    controller->addAnyCaptureDevice();
    heard.clear();

    commandAndWait(QStringLiteral("connect Cam C=160x120"));
    EXPECT_EQ(heard, (QStringList{QStringLiteral("suspended:no"), QStringLiteral("devicesDict")}));
    EXPECT_EQ(current(), QStringLiteral("Cam C"));
    EXPECT_EQ(controller->devicesDict().size(), 2);
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const auto jpeg = controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5);
            return jpeg && QImage::fromData(*jpeg, "JPEG").size() == QSize(160, 120);
        },
        kEventTimeoutMs));
    EXPECT_EQ(appSinks(), 1) << "the output is made once";
}

TEST_F(Registry, DisconnectingFollowsTheCurrentCameraOnly)
{
    startHeard(QStringLiteral("Cam A;Cam B;Cam C"));
    controller->addAnyCaptureDevice();
    const QString idOfA = controller->devicesDict().value(QStringLiteral("Cam A"));
    // The opened camera's own start is told later; it must not count as the first disconnection's.
    ASSERT_TRUE(framesFlow());
    heard.clear();

    commandAndWait(QStringLiteral("disconnect Cam A")); // not current
    EXPECT_EQ(heard, QStringList{QStringLiteral("devicesDict")});
    EXPECT_EQ(current(), QStringLiteral("Cam C"));
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());

    heard.clear();
    commandAndWait(QStringLiteral("disconnect Cam C")); // current: the last remaining name takes over
    EXPECT_EQ(heard, (QStringList{QStringLiteral("suspended:no"), QStringLiteral("devicesDict")}));
    EXPECT_EQ(current(), QStringLiteral("Cam B"));

    ASSERT_TRUE(framesFlow());
    heard.clear();
    commandAndWait(QStringLiteral("disconnect Cam B")); // the last one: nothing stops
    EXPECT_EQ(heard, QStringList{QStringLiteral("devicesDict")});
    EXPECT_TRUE(controller->devicesDict().isEmpty());
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(current(), QStringLiteral("Cam B"));
    EXPECT_TRUE(controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5).has_value()) << "the last frame stays";

    heard.clear();
    commandAndWait(QStringLiteral("connect Cam A")); // plugged in again: same ID
    EXPECT_EQ(controller->devicesDict().value(QStringLiteral("Cam A")), idOfA);
    EXPECT_EQ(current(), QStringLiteral("Cam A"));
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

TEST_F(Registry, SuspensionOfAnyCameraRereadsTheCurrentOne)
{
    startHeard(QStringLiteral("Cam A;Cam B"));
    controller->addAnyCaptureDevice();
    heard.clear();

    commandAndWait(QStringLiteral("suspend Cam A"), &CameraController::cameraSuspendedChanged); // not current: Cam B is read again
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:no")});
    EXPECT_FALSE(controller->cameraSuspended());

    heard.clear();
    commandAndWait(QStringLiteral("suspend Cam B"), &CameraController::cameraSuspendedChanged);
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:yes")});
    EXPECT_TRUE(controller->cameraSuspended());
    EXPECT_TRUE(controller->mCaptureSession()->isRunning()) << "suspension neither stops nor closes";

    heard.clear();
    commandAndWait(QStringLiteral("resume Cam B"), &CameraController::cameraSuspendedChanged);
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:no")});

    // Switching to a suspended camera reports it before it is opened.
    heard.clear();
    controller->changeDevice(QStringLiteral("Cam A"));
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:yes")});
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

TEST_F(Registry, CameraThatGivesNoVideoShowsOneAlertAndLeavesTheSessionStopped)
{
    startHeard(QStringLiteral("Cam A"));
    controller->addAnyCaptureDevice();
    heard.clear();

    commandAndWait(QStringLiteral("connect Broken=0x0"));
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].description, QStringLiteral("The camera \"Broken\" gives no video."));
    EXPECT_FALSE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(heard, (QStringList{QStringLiteral("suspended:no"), QStringLiteral("devicesDict")}));
    EXPECT_EQ(current(), QStringLiteral("Broken"));

    controller->changeDevice(QStringLiteral("Cam A")); // the next choice starts over
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(alerts.alerts.size(), 1);
    EXPECT_TRUE(framesFlow());
}

TEST_F(Registry, ChoosingACameraThatWentAwaySaysSo)
{
    startHeard(QStringLiteral("Cam A"));
    controller->addAnyCaptureDevice();
    heard.clear();
    controller->changeDevice(QStringLiteral("Gone Cam"));
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].description, QStringLiteral("The camera \"Gone Cam\" is no longer available."));
    EXPECT_EQ(heard, QStringList{QStringLiteral("suspended:no")});
    EXPECT_FALSE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(controller->userDevice(), nullptr);
}

TEST_F(Registry, ChangingToTheCurrentCameraRestartsItWithOneOutput)
{
    startHeard(QStringLiteral("Cam A"));
    controller->addAnyCaptureDevice();
    for (int i = 0; i < 3; ++i)
        controller->changeDevice(QStringLiteral("Cam A"));
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
    EXPECT_EQ(controller->mCaptureSession()->inputs().size(), 1u);
    EXPECT_EQ(appSinks(), 1);
    EXPECT_TRUE(framesFlow());
}

TEST_F(Registry, WithoutCamerasNothingHappens)
{
    startHeard(QString());
    EXPECT_TRUE(controller->devicesDict().isEmpty());
    controller->addAnyCaptureDevice();
    controller->changeDevice(QStringLiteral("Cam A"));
    EXPECT_TRUE(heard.isEmpty());
    EXPECT_TRUE(alerts.alerts.isEmpty());
    EXPECT_FALSE(controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5).has_value());
}

// The shared controller lives as long as its process and would watch the cameras of
// every later test, so it is made in a process of its own.
} // namespace

namespace {

int openDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

} // namespace

// A node that is no camera (or none at all) is not watched, and what was opened to
// find that out is closed again.
TEST(PrivacyWatch, NodesThatAreNoCameraAreNotWatchedAndLeaveNoDescriptorOpen)
{
    const int before = openDescriptors();
    for (const QString& path : {QStringLiteral("/dev/null"), QStringLiteral("/nonexistent/video0"), QString()})
        EXPECT_EQ(PrivacyWatcher::watch(path), nullptr) << path.toStdString();
    EXPECT_EQ(openDescriptors(), before);
}

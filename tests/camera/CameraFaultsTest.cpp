#include "CameraFixture.h"
#include "CaptureMode.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kEventTimeoutMs = 5000;

// The mode picked from caps written as a camera would offer them.
QString chosenFrom(const char* offered, CaptureMode::Pace pace, const char* size)
{
    GstCapsRef caps = GstCapsRef::adopt(gst_caps_from_string(offered));
    const std::optional<CaptureMode> mode = chooseCaptureMode(caps.get(), pace, *PictureSize::parse(QString::fromLatin1(size)));
    if (!mode)
        return QStringLiteral("none");
    return QStringLiteral("%1 %2x%3@%4/%5")
        .arg(mode->compressed ? QStringLiteral("mjpeg") : QStringLiteral("raw"))
        .arg(mode->width)
        .arg(mode->height)
        .arg(mode->framesPerSecondNumerator)
        .arg(mode->framesPerSecondDenominator);
}

TEST(CaptureModeChoice, SmoothForThePreviewLargestForStillsAndAsAskedAndNeverARangesMaximum)
{
    using Pace = CaptureMode::Pace;
    // A webcam whose larger sizes come slower, and a capture card that offers a range.
    const char* webcam = "video/x-raw,width=640,height=480,framerate=25/1;video/x-raw,width=1920,height=1080,framerate={5/1,1/1};"
                         "video/x-raw,width=3840,height=2160,framerate=1/1;video/x-raw,width=4000,height=3000,framerate=1/2";
    const char* range = "video/x-raw,format=BGRx,width=[16,16384],height=[16,8640],framerate=[1/1,60/1]";
    const struct {
        const char* offered;
        Pace pace;
        const char* size;
        const char* chosen;
    } cases[] = {
        // A typical USB webcam: full size only as MJPEG at a smooth rate.
        {"video/x-raw,format=YUY2,width=1920,height=1080,framerate=5/1;video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
         "image/jpeg,width=1920,height=1080,framerate={30/1,15/1};image/jpeg,width=1280,height=720,framerate=30/1",
         Pace::Smooth, "auto", "mjpeg 1920x1080@15/1"},
        // Raw wins a tie; the lowest smooth rate is enough.
        {"image/jpeg,width=1280,height=720,framerate=30/1;video/x-raw,format=YUY2,width=1280,height=720,framerate={60/1,30/1,10/1}",
         Pace::Smooth, "auto", "raw 1280x720@30/1"},
        // Without a smooth mode: the fastest, then the largest.
        {"video/x-raw,width=2592,height=1944,framerate=2/1;video/x-raw,width=1920,height=1080,framerate=10/1;"
         "video/x-raw,width=640,height=480,framerate=10/1",
         Pace::Smooth, "auto", "raw 1920x1080@10/1"},
        {"video/x-raw,width=720,height=480,framerate=30000/1001", Pace::Smooth, "auto", "raw 720x480@30000/1001"},
        // Stills only: the largest given at one frame a second or more, at the slowest such rate.
        {webcam, Pace::Smooth, "auto", "raw 640x480@25/1"},
        {webcam, Pace::Sparse, "auto", "raw 3840x2160@1/1"},
        {webcam, Pace::Smooth, "largest", "raw 3840x2160@1/1"},
        {webcam, Pace::Sparse, "1920x1080", "raw 1920x1080@1/1"},
        {webcam, Pace::Smooth, "1920x1080", "raw 1920x1080@5/1"},
        {webcam, Pace::Smooth, "1280x720", "raw 640x480@25/1"},
        {"video/x-raw,width=1920,height=1080,framerate=5/1;image/jpeg,width=1920,height=1080,framerate={30/1,15/1,5/1,1/2}",
         Pace::Sparse, "auto", "raw 1920x1080@5/1"},
        // A range is the standard sizes inside it, at most 1920x1080 unless more is asked for.
        {range, Pace::Smooth, "auto", "raw 1920x1080@15/1"},
        {range, Pace::Sparse, "largest", "raw 1920x1080@1/1"},
        {range, Pace::Sparse, "3840x2160", "raw 3840x2160@1/1"},
        {range, Pace::Smooth, "1000x700", "raw 1000x700@15/1"},
        {"video/x-raw,width=[160,1280],height=[120,960],framerate=[1/1,60/1]", Pace::Smooth, "auto", "raw 1280x960@15/1"},
        {"video/x-raw,width=[100,150,2],height=[100,110],framerate=30/1", Pace::Smooth, "auto", "raw 100x100@30/1"},
        {"video/x-raw,width=[640,1920,16],height=[500,1000,50],framerate=30/1", Pace::Smooth, "auto", "raw 800x600@30/1"},
        // Nothing known is no choice.
        {"ANY", Pace::Smooth, "auto", "none"},
        {"video/x-raw", Pace::Smooth, "auto", "none"},
        {"video/x-h264,width=1920,height=1080,framerate=30/1", Pace::Smooth, "auto", "none"},
        {"video/x-raw,width=640,height=480,framerate=0/1", Pace::Sparse, "auto", "none"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chosenFrom(c.offered, c.pace, c.size).toStdString(), c.chosen) << c.offered << " " << c.size;
    EXPECT_EQ(chooseCaptureMode(nullptr), std::nullopt);
    for (const char* wrong : {"big", "1920x", "0x480", "1920x1080x3", "99999x1"})
        EXPECT_FALSE(PictureSize::parse(QString::fromLatin1(wrong))) << wrong;
}

class CameraModes : public CameraFixture {
protected:
    QSize stillSize()
    {
        std::optional<QByteArray> jpeg;
        if (!QTest::qWaitFor([&] { return (jpeg = controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5)).has_value(); },
                             kEventTimeoutMs))
            return {};
        return QImage::fromData(*jpeg, "JPEG").size();
    }
};

TEST_F(CameraModes, EachCameraOpensAtItsLargestSmoothModeAndStillsHaveThatSize)
{
    start(QStringLiteral("Only MJPEG=mjpeg:1280x720@30,mjpeg:640x480@30;"
                         "Mixed=raw:640x480@30,raw:1920x1080@5,mjpeg:1920x1080@30,mjpeg:1280x720@30;"
                         "Slow=raw:1920x1080@5,raw:800x600@30;"
                         "Plain=320x240"));
    const struct {
        const char* camera;
        QSize expected;
    } cases[] = {
        {"Only MJPEG", {1280, 720}},
        {"Mixed", {1920, 1080}},
        {"Slow", {800, 600}},
        {"Plain", {320, 240}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.camera);
        controller->changeDevice(QString::fromUtf8(c.camera));
        ASSERT_TRUE(controller->mCaptureSession()->isRunning());
        // The frame of the camera before may still be the newest for a moment.
        ASSERT_TRUE(QTest::qWaitFor([&] { return stillSize() == c.expected; }, kEventTimeoutMs)) << stillSize().width();
        EXPECT_TRUE(framesFlow());
    }
    EXPECT_TRUE(alerts.alerts.isEmpty());

    // Headless: the largest size; a size asked for that the camera lacks is the nearest, said once.
    QSignalSpy notes(controller.get(), &CameraController::cameraNote);
    controller->setPace(CaptureMode::Pace::Sparse);
    for (const auto& [asked, expected] : {std::pair{"auto", QSize(1920, 1080)}, {"1000x700", QSize(800, 600)}, {"1000x700", QSize(800, 600)}}) {
        store->setObject(QString::fromLatin1(asked), OXPictureSize);
        controller->changeDevice(QStringLiteral("Slow"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stillSize() == expected; }, kEventTimeoutMs)) << asked << " " << stillSize().width();
    }
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0][0].toString(), QStringLiteral("The camera \"Slow\" does not give 1000x700 pictures: it gives 800x600, the nearest."));
}

TEST_F(CameraModes, AlikeCamerasHaveNamesOfTheirOwnAndEachIsRecordedByItself)
{
    start(QStringLiteral("Twin=320x240;Twin=640x480"));
    EXPECT_EQ(controller->devicesDict().keys(), (QStringList{QStringLiteral("Twin"), QStringLiteral("Twin (2)")}));
    EXPECT_NE(controller->devicesDict().value(QStringLiteral("Twin")), controller->devicesDict().value(QStringLiteral("Twin (2)")));
    for (const auto& [name, size] : {std::pair{"Twin (2)", QSize(640, 480)}, {"Twin", QSize(320, 240)}}) {
        controller->changeDevice(QString::fromLatin1(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stillSize() == size; }, kEventTimeoutMs)) << name;
        EXPECT_EQ(controller->cameraNamed(QString::fromLatin1(name)), QLatin1String(name));
    }
    QSignalSpy registry(controller.get(), &CameraController::devicesDictChanged);
    camera->command(QStringLiteral("connect Twin=160x120"));
    ASSERT_TRUE(registry.wait(kEventTimeoutMs));
    EXPECT_EQ(controller->devicesDict().size(), 3);
    EXPECT_TRUE(controller->devicesDict().contains(QStringLiteral("Twin (3)")));
    EXPECT_EQ(controller->cameraNamed(QStringLiteral("/dev/null")), QString()) << "a path that is no camera";
}

TEST_F(CameraModes, SparsePaceLetsThroughTwoFramesASecond)
{
    start(QStringLiteral("Fast=320x240"));
    // Frames seen in a second, by polling the newest one far more often than they come.
    const auto framesInASecond = [&] {
        int seen = 0;
        GstSampleRef last = controller->newestFrame();
        QElapsedTimer second;
        second.start();
        while (second.elapsed() < 1000) {
            QTest::qWait(5);
            GstSampleRef now = controller->newestFrame();
            if (now.get() != last.get()) {
                ++seen;
                last = now;
            }
        }
        return seen;
    };
    controller->addAnyCaptureDevice();
    ASSERT_TRUE(framesFlow());
    EXPECT_GT(framesInASecond(), 15) << "a smooth preview";
    controller->setPace(CaptureMode::Pace::Sparse);
    controller->changeDevice(QStringLiteral("Fast"));
    ASSERT_TRUE(framesFlow());
    const int sparse = framesInASecond();
    EXPECT_GE(sparse, 1);
    EXPECT_LE(sparse, CaptureSession::kSparseFramesPerSecond + 1);
}

class CameraFaults : public CameraModes {
protected:
    void startWatched(const QString& devices)
    {
        CameraFixture::start(devices);
        failed = std::make_unique<QSignalSpy>(controller.get(), &CameraController::cameraFailed);
        recovered = std::make_unique<QSignalSpy>(controller.get(), &CameraController::cameraRecovered);
        controller->addAnyCaptureDevice();
        ASSERT_TRUE(framesFlow());
    }
    // The camera failed once, said so once, and sends frames again.
    void expectOneAlertAndRecovery(const QString& saying)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return recovered->size() >= 1; }, 20000)) << "the camera never came back";
        ASSERT_EQ(alerts.alerts.size(), 1);
        EXPECT_TRUE(alerts.alerts[0].description.startsWith(QStringLiteral("The camera \"Shed\" stopped working: ")))
            << alerts.alerts[0].description.toStdString();
        EXPECT_TRUE(alerts.alerts[0].description.contains(saying)) << alerts.alerts[0].description.toStdString();
        ASSERT_EQ(failed->size(), 1);
        EXPECT_EQ(failed->at(0).at(0).toString(), alerts.alerts[0].description);
        EXPECT_TRUE(controller->mCaptureSession()->isRunning());
        EXPECT_TRUE(framesFlow());
        EXPECT_FALSE(failed->wait(1500)) << "nothing more is said about a failure that is over";
        EXPECT_EQ(alerts.alerts.size(), 1);
    }

    std::unique_ptr<QSignalSpy> failed;
    std::unique_ptr<QSignalSpy> recovered;
};

TEST_F(CameraFaults, AnErrorAfterTheStartAlertsOnceAndTheCameraComesBack)
{
    startWatched(QStringLiteral("Shed=mjpeg:640x480@30"));
    camera->command(QStringLiteral("fail Shed"));
    expectOneAlertAndRecovery(QStringLiteral("The camera stopped working."));
}

TEST_F(CameraFaults, ACameraThatFallsSilentAlertsOnceAndComesBack)
{
    using namespace std::chrono_literals;
    startWatched(QStringLiteral("Shed=320x240"));
    camera->command(QStringLiteral("stall Shed"));
    QTest::qWait(200);
    controller->takeNewFrame(0ms); // one that came before the stall
    EXPECT_FALSE(controller->takeNewFrame(300ms)) << "a frame is given once";
    expectOneAlertAndRecovery(QStringLiteral("no picture for"));
    EXPECT_TRUE(controller->takeNewFrame(2s));
}

TEST_F(CameraFaults, UnpluggingEndsTheStreamWithoutAnAlertAndThePluggedCameraIsTakenAgain)
{
    startWatched(QStringLiteral("Shed=320x240"));
    QSignalSpy registry(controller.get(), &CameraController::devicesDictChanged);
    camera->command(QStringLiteral("disconnect Shed"));
    ASSERT_TRUE(registry.wait(kEventTimeoutMs));
    controller->takeNewFrame(std::chrono::milliseconds(0)); // one that came before the unplugging
    // Past the grace an error is given to be recognised as an unplugging, nothing is said.
    EXPECT_FALSE(failed->wait(2500));
    EXPECT_TRUE(alerts.alerts.isEmpty());
    EXPECT_FALSE(controller->takeNewFrame(std::chrono::milliseconds(300))) << "a camera unplugged sends nothing more";
    EXPECT_TRUE(controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5).has_value()) << "the last frame is kept";

    camera->command(QStringLiteral("connect Shed=320x240"));
    ASSERT_TRUE(registry.wait(kEventTimeoutMs));
    EXPECT_TRUE(framesFlow());
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

} // namespace

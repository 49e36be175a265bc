#include "CameraFixture.h"
#include "FrameSamples.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// Frames pour in from the camera's streaming thread and from a second thread as
// fast as they can while the main thread takes stamped stills; under
// ThreadSanitizer any access to the latest frame outside its lock is reported.
using FrameLock = CameraFixture;

TEST_F(FrameLock, StillsWhileFramesArriveAtFullRate)
{
    start(QStringLiteral("Fast=320x240"));
    store->setObject(true, OXInsertTimestampFlag);
    controller->addAnyCaptureDevice();
    ASSERT_TRUE(waitForFrame());

    QImage red(320, 240, QImage::Format_RGB32), green(320, 240, QImage::Format_RGB32);
    red.fill(Qt::red);
    green.fill(Qt::green);
    const GstSampleRef frames[] = {sampleFromImage(red), sampleFromImage(green)};

    std::atomic<bool> stop{false};
    std::atomic<long> delivered{0};
    std::thread feeder([&] {
        for (long i = 0; !stop.load(std::memory_order_relaxed); ++i) {
            controller->captureOutput(frames[i % 2].get());
            delivered.fetch_add(1, std::memory_order_relaxed);
        }
    });

    int stills = 0;
    for (int i = 0; i < 60; ++i) {
        const auto jpeg = controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5);
        ASSERT_TRUE(jpeg.has_value());
        const QImage picture = QImage::fromData(*jpeg, "JPEG");
        ASSERT_EQ(picture.size(), QSize(320, 240));
        ++stills;
        QCoreApplication::processEvents();
    }
    stop = true;
    feeder.join();
    EXPECT_EQ(stills, 60);
    EXPECT_GT(delivered.load(), 60);
}

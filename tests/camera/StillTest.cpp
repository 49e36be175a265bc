#include "CameraFixture.h"
#include "FrameSamples.h"
#include "SettingsTable.h"
#include "StampArchive.h"

#include <QDir>
#include <QFontMetricsF>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QDateTime kMoment = QDateTime::fromSecsSinceEpoch(1796000000); // a fixed tick

class Stills : public CameraFixture {
protected:
    void startAtTheMoment(const QString& devices) { CameraFixture::start(devices, [] { return kMoment; }); }
    QImage still(const QVariant& quality = 1.0)
    {
        const auto jpeg = controller->takePictureWithFileType(CameraController::FileType::JPEG, quality);
        return jpeg ? QImage::fromData(*jpeg, "JPEG") : QImage();
    }
};

TEST_F(Stills, NoneBeforeTheFirstFrameThenOneSizedByQualityAndTheFrameIsNeverDrawnOn)
{
    startAtTheMoment(QString());
    EXPECT_FALSE(controller->takePictureWithFileType(CameraController::FileType::JPEG, 0.5).has_value());
    QImage frame(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, (x * y) % 256));
    controller->captureOutput(sampleFromImage(frame).get());

    const auto jpeg = [&](const QVariant& quality) { return *controller->takePictureWithFileType(CameraController::FileType::JPEG, quality); };
    const QByteArray low = jpeg(0.1f), mid = jpeg(0.5f), high = jpeg(1.0f);
    EXPECT_LT(low.size(), mid.size());
    EXPECT_LT(mid.size(), high.size());
    EXPECT_EQ(jpeg(QVariant()), mid);
    EXPECT_EQ(jpeg(QStringLiteral("much")), mid);
    EXPECT_EQ(jpeg(12.0), high);

    const QByteArray plain = jpeg(0.9);
    store->setObject(true, OXInsertTimestampFlag);
    const QByteArray first = jpeg(0.9);
    EXPECT_NE(first, plain);
    EXPECT_EQ(jpeg(0.9), first) << "a stamp drawn on the frame itself would show twice";
    store->setObject(false, OXInsertTimestampFlag);
    EXPECT_EQ(jpeg(0.9), plain);
}

TEST_F(Stills, StampSitsTenPixelsFromTheLowerLeftCornerInTheStoredFontAndColour)
{
    startAtTheMoment(QString());
    store->setObject(archivedFont({QStringLiteral("DejaVu Sans"), 20}), OXTimestampFont);
    store->setObject(archivedColor(QColor(255, 0, 0)), OXTimestampColor);

    QImage blank(900, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage stamped = blank;
    controller->drawCaptureDate(kMoment, stamped);
    const QRect ink = inkBounds(stamped, blank, 60);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(20);
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(2835);
    probe.setDotsPerMeterY(2835);
    const QFontMetricsF metrics(font, &probe);
    const double lineBottom = 200 - 10; // the line box's lower edge, counted from the top
    const double baseline = lineBottom - metrics.descent();

    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.left(), 13) << "the first glyph starts at the inset";
    EXPECT_LE(ink.bottom(), lineBottom) << "nothing below the line box";
    EXPECT_GE(ink.bottom(), baseline - 1) << "ink reaches the baseline";
    EXPECT_GE(ink.top(), lineBottom - metrics.height() - 1);
    EXPECT_NEAR(ink.height(), metrics.ascent(), metrics.ascent() * 0.5) << "20 pt are 20 px here";
    const QColor sample = stamped.pixelColor(ink.center().x(), qRound(baseline) - 2);
    EXPECT_GE(sample.red(), sample.green());
    EXPECT_EQ(blank.pixelColor(5, 5), stamped.pixelColor(5, 5));
}

TEST_F(Stills, UndecodableFontAndColourFallBackToTheDefaults)
{
    startAtTheMoment(QString());
    QImage blank(700, 120, QImage::Format_RGB32);
    blank.fill(Qt::white);

    QImage withDefaults = blank;
    controller->drawCaptureDate(kMoment, withDefaults);
    store->setObject(QStringLiteral("not a font"), OXTimestampFont);
    store->setObject(QByteArray("\x01\x02", 2), OXTimestampColor);
    QImage withGarbage = blank;
    controller->drawCaptureDate(kMoment, withGarbage);

    EXPECT_FALSE(inkBounds(withDefaults, blank, 60).isNull());
    EXPECT_EQ(withGarbage, withDefaults);
}

TEST_F(Stills, StampedStillFromTheCameraHasInkOnlyInTheLowerLeft)
{
    startAtTheMoment(QStringLiteral("Bars=640x480"));
    controller->addAnyCaptureDevice();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !still().isNull(); }, 5000));
    store->setObject(archivedColor(QColor(Qt::white)), OXTimestampColor);
    store->setObject(archivedFont({QStringLiteral("DejaVu Sans"), 16}), OXTimestampFont);

    const QImage plain = still();
    store->setObject(true, OXInsertTimestampFlag);
    const QImage stamped = still();
    // The bars stand still from frame to frame, but for the noise patch at the lower right.
    const QRect ink = inkBounds(stamped, plain, 120, QRect(0, 0, 470, 480));
    ASSERT_FALSE(ink.isNull());
    EXPECT_LE(ink.left(), 20);
    EXPECT_GE(ink.top(), 480 - 10 - 40);
    EXPECT_LE(ink.bottom(), 480 - 1);
}

} // namespace

#include "JpegEncoder.h"
#include "Paths.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <limits>

TEST(JpegEncoder, QualityFactorMapsToLibjpegQualityAndNeverFails)
{
    EXPECT_EQ(JpegQuality::fromFactor(0.5f).percent(), 50);
    EXPECT_EQ(JpegQuality::fromFactor(1.0).percent(), 100);
    EXPECT_EQ(JpegQuality::fromFactor(0.0).percent(), 1) << "libjpeg has no quality 0";
    EXPECT_EQ(JpegQuality::fromFactor(0.004).percent(), 1);
    EXPECT_EQ(JpegQuality::fromFactor(0.555).percent(), 56);
    EXPECT_EQ(JpegQuality::fromFactor(QStringLiteral("0.8")).percent(), 80);
    EXPECT_EQ(JpegQuality::fromFactor(-2.0).percent(), 1);
    EXPECT_EQ(JpegQuality::fromFactor(7).percent(), 100);
    EXPECT_EQ(JpegQuality::fromFactor(QVariant()).percent(), 50);
    EXPECT_EQ(JpegQuality::fromFactor(QStringLiteral("best")).percent(), 50);
    EXPECT_EQ(JpegQuality::fromFactor(std::numeric_limits<double>::quiet_NaN()).percent(), 50);
    EXPECT_EQ(JpegQuality::fromFactor(std::numeric_limits<double>::infinity()).percent(), 50);
}

TEST(JpegEncoder, EncodesWhatItIsGivenWithPaddedRows)
{
    QImage image(101, 37, QImage::Format_RGB32); // odd sizes: rows padded, partial blocks
    image.fill(QColor(20, 120, 220));
    JpegEncoder encoder;
    const QByteArray jpeg = encoder.encode(image, JpegQuality(95));
    const QImage decoded = QImage::fromData(jpeg, "JPEG");
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), image.size());
    const QColor centre = decoded.pixelColor(50, 18);
    EXPECT_NEAR(centre.red(), 20, 4);
    EXPECT_NEAR(centre.green(), 120, 4);
    EXPECT_NEAR(centre.blue(), 220, 4);

    EXPECT_TRUE(encoder.encodeRgb32(nullptr, 10, 10, 40, JpegQuality(50)).isEmpty());
    EXPECT_TRUE(encoder.encode(QImage(), JpegQuality(50)).isEmpty());
}

TEST(Paths, TildeFormOnlyForTheHomeFolder)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(abbreviateWithTilde(home + QStringLiteral("/Downloads")), QStringLiteral("~/Downloads"));
    EXPECT_EQ(abbreviateWithTilde(home), QStringLiteral("~"));
    EXPECT_EQ(abbreviateWithTilde(home + QStringLiteral("x/Pictures")), home + QStringLiteral("x/Pictures"));
    EXPECT_EQ(abbreviateWithTilde(QStringLiteral("/srv/cam")), QStringLiteral("/srv/cam"));
    EXPECT_EQ(expandTilde(QStringLiteral("~/Pictures")), home + QStringLiteral("/Pictures"));
    EXPECT_EQ(expandTilde(QStringLiteral("/srv/cam")), QStringLiteral("/srv/cam"));
    EXPECT_EQ(expandTilde(QStringLiteral("~other/x")), QStringLiteral("~other/x"));
}

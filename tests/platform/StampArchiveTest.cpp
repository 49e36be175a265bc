#include "StampArchive.h"

#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

TEST(StampArchive, FontsRoundTripAndBadTextIsRejected)
{
    for (const StampFont& font : {StampFont{QStringLiteral("Times-Roman"), 12.0},
                                  StampFont{QStringLiteral("DejaVu Sans Mono"), 10.5},
                                  StampFont{QStringLiteral("Lucida Grande"), 48.0}}) {
        const auto back = unarchiveFont(archivedFont(font));
        ASSERT_TRUE(back.has_value()) << archivedFont(font).toStdString();
        EXPECT_EQ(*back, font);
    }
    EXPECT_EQ(archivedFont({QStringLiteral("Times-Roman"), 12.0}), QStringLiteral("Times-Roman 12pt"));
    EXPECT_EQ(unarchiveFont(QStringLiteral("  Nimbus Roman  14 pt ")), (StampFont{QStringLiteral("Nimbus Roman"), 14.0}));

    for (const QVariant& bad : {QVariant(), QVariant(QStringLiteral("")), QVariant(QStringLiteral("Times")),
                                QVariant(QStringLiteral("12pt")), QVariant(QStringLiteral("Times 0pt")),
                                QVariant(QStringLiteral("Times 99999pt")), QVariant(QStringLiteral("Times -3pt")),
                                QVariant(42)})
        EXPECT_FALSE(unarchiveFont(bad).has_value()) << bad.toString().toStdString();
}

TEST(StampArchive, ColoursRoundTripAndBadTextIsRejected)
{
    for (const QColor& c : {QColor(Qt::black), QColor(255, 0, 0), QColor(10, 200, 30, 128)}) {
        const auto back = unarchiveColor(archivedColor(c));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->rgba(), c.rgba()) << archivedColor(c).toStdString();
    }
    EXPECT_EQ(archivedColor(QColor(Qt::black)), QStringLiteral("rgba(0, 0, 0, 1)"));
    // Written by hand without quotes, the settings file hands the text back as a list.
    EXPECT_EQ(unarchiveColor(QStringList{QStringLiteral("rgba(1"), QStringLiteral(" 0"), QStringLiteral(" 0"),
                                         QStringLiteral(" 1)")})
                  ->rgb(),
              QColor(Qt::red).rgb());
    EXPECT_EQ(unarchiveColor(QStringLiteral("rgb(0, 0, 1)"))->rgba(), QColor(Qt::blue).rgba());

    for (const char* bad : {"", "black", "rgba(2, 0, 0, 1)", "rgba(0, 0)", "rgba(a, b, c, d)", "rgba(0,0,0,1,1)"})
        EXPECT_FALSE(unarchiveColor(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(StampArchive, PostScriptNamesFindTheirFamily)
{
    const QFont times = makeStampFont({QStringLiteral("Times-Roman"), 12.0});
    EXPECT_TRUE(QFontInfo(times).family().startsWith(QStringLiteral("Nimbus Roman"))) << QFontInfo(times).family().toStdString();
    EXPECT_EQ(times.family(), QStringLiteral("Times-Roman")) << "the stored name stays";
    EXPECT_DOUBLE_EQ(times.pointSizeF(), 12.0);
}

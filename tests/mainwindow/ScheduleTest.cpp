#include "Brightness.h"
#include "SettingsTable.h"
#include "TickGate.h"
#include "WindowFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(ActiveHours, SpansWithinADayAndAcrossMidnight)
{
    const QTime eight(8, 0), twenty(20, 0), ten(22, 0), six(6, 0);
    EXPECT_TRUE(isWithinActiveHours(QTime(8, 0), eight, twenty)) << "the start belongs to the span";
    EXPECT_TRUE(isWithinActiveHours(QTime(19, 59, 59), eight, twenty));
    EXPECT_FALSE(isWithinActiveHours(QTime(20, 0), eight, twenty)) << "the end does not";
    EXPECT_FALSE(isWithinActiveHours(QTime(3, 0), eight, twenty));
    // A night sky: 22:00 to 06:00.
    EXPECT_TRUE(isWithinActiveHours(QTime(23, 30), ten, six));
    EXPECT_TRUE(isWithinActiveHours(QTime(0, 0), ten, six));
    EXPECT_TRUE(isWithinActiveHours(QTime(5, 59), ten, six));
    EXPECT_FALSE(isWithinActiveHours(QTime(6, 0), ten, six));
    EXPECT_FALSE(isWithinActiveHours(QTime(12, 0), ten, six));
    EXPECT_TRUE(isWithinActiveHours(QTime(12, 0), six, six)) << "equal ends: all day";
}

class Schedule : public WindowFixture {
protected:
    int brightnessOfNewest() { return brightnessPercent(controller->newestFrame().get()).value_or(-1); }
    QStringList saved() const { return QDir(home.path()).entryList({QStringLiteral("*.jpg")}, QDir::Files); }
};

TEST_F(Schedule, OutsideTheActiveHoursATickSavesNothingAndSaysWhy)
{
    QDateTime now(QDate(2026, 12, 6), QTime(23, 30));
    namingClock = [&] { return now; };
    open(QStringLiteral("Sky=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveSequenceFlag);
    ASSERT_TRUE(tick());
    EXPECT_EQ(saved().size(), 1) << "off by default: the seed's behaviour";

    store->setObject(true, OXActiveHoursFlag);
    store->setObject(QStringLiteral("22:00"), OXActiveFrom);
    store->setObject(QStringLiteral("06:00"), OXActiveUntil);
    now = QDateTime(QDate(2026, 12, 7), QTime(0, 30)); // across midnight: active
    ASSERT_TRUE(tick());
    EXPECT_EQ(saved().size(), 2);
    now = QDateTime(QDate(2026, 12, 7), QTime(12, 0));
    ASSERT_TRUE(tick());
    EXPECT_EQ(saved().size(), 2) << "no file outside the hours";
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("outside active hours"))) << window->statusText().toStdString();
    now = QDateTime(QDate(2026, 12, 7), QTime(22, 0));
    ASSERT_TRUE(tick());
    EXPECT_EQ(saved().size(), 3);
}

TEST_F(Schedule, ADarkPictureIsSkippedAndABrightOneKept)
{
    open(QStringLiteral("Sky=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveSequenceFlag);
    store->setObject(true, OXSkipDarkFlag);
    store->setObject(10, OXDarkThreshold);

    camera->command(QStringLiteral("dark Sky"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return brightnessOfNewest() == 0; }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_TRUE(saved().isEmpty());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("too dark: 0%"))) << window->statusText().toStdString();

    camera->command(QStringLiteral("light Sky"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return brightnessOfNewest() > 10; }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_EQ(saved().size(), 1);
    EXPECT_FALSE(window->statusText().contains(QStringLiteral("too dark")));
}

} // namespace

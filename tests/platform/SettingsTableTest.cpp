#include "SettingsTable.h"
#include "TempHome.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <climits>

TEST(SettingsTable, EveryKeyOnceAndWholeNumbersReadAsTheTableTypesThem)
{
    QStringList keys;
    for (const SettingDefault& setting : settingDefaults()) {
        EXPECT_FALSE(keys.contains(setting.key)) << setting.key.toStdString() << " twice";
        EXPECT_TRUE(setting.value.isValid()) << setting.key.toStdString();
        keys.append(setting.key);
    }
    TempHome home;
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);
    EXPECT_EQ(settingValue(store, OXRecordingInterval), 10);
    EXPECT_EQ(settingValue(store, OXSaveToDiskPath), QStringLiteral("~/Downloads")) << "pictures go where downloads go";
    // A hand-edited file: a whole number is read, junk and huge values fall back to the default.
    // Past the ends a number is held at the end, never wrapped.
    for (const auto& [stored, read] : {std::pair{"12", 12}, {"12.5", 10}, {"ten", 10}, {"4294967298", INT_MAX}, {"2147483648", INT_MAX},
                                       {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN}}) {
        store.setObject(QString::fromLatin1(stored), OXRecordingInterval);
        EXPECT_EQ(settingValue(store, OXRecordingInterval), read) << stored;
    }
    store.setObject(QStringLiteral("1e300"), OXOutboxLimitMB);
    EXPECT_EQ(settingValue(store, OXOutboxLimitMB), 1024);
    store.setObject(QStringLiteral("nan"), OXDarkThreshold);
    EXPECT_EQ(settingValue(store, OXDarkThreshold), 10);
    EXPECT_EQ(settingValue(store, OXSequenceNumber), 0) << "no default: 0";
}

TEST(SettingsTable, EachTypeReadsItsOwnFormAndFallsBackToTheDefault)
{
    TempHome home;
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);
    store.setObject(QStringLiteral("0.85"), OXImageQuality);
    EXPECT_FLOAT_EQ(settingValue(store, OXImageQuality), 0.85f);
    store.setObject(QStringLiteral("best"), OXImageQuality);
    EXPECT_FLOAT_EQ(settingValue(store, OXImageQuality), 0.5f);
    store.setObject(QStringLiteral("yes"), OXSaveToDiskFlag);
    EXPECT_TRUE(settingValue(store, OXSaveToDiskFlag));
    EXPECT_FALSE(settingValue(store, OXInsertTimestampFlag)) << "no default: false";
    // A name with a comma comes back from the file as a list; it is read as the text it was.
    store.setObject(QStringList{QStringLiteral("shed"), QStringLiteral("east")}, OXImageFilename);
    EXPECT_EQ(settingValue(store, OXImageFilename), QStringLiteral("shed, east"));
    EXPECT_EQ(settingValue(store, OXFTPUsername), QString());
    // Times of day: hand-written forms read, junk reads as the default.
    store.setObject(QStringLiteral(" 7:05"), OXActiveFrom);
    EXPECT_EQ(settingValue(store, OXActiveFrom), QTime(7, 5));
    store.setObject(QStringLiteral("25:00"), OXActiveFrom);
    EXPECT_EQ(settingValue(store, OXActiveFrom), QTime(6, 0));
    setSettingValue(store, OXActiveUntil, QTime(23, 30));
    EXPECT_EQ(store.objectForKey(OXActiveUntil), QVariant(QStringLiteral("23:30")));
}

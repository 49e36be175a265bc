#include "SettingsKeys.h"
#include "SettingsTable.h"
#include "TempHome.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(intSetting(store, OXRecordingInterval), 10);
    // A hand-edited file: a whole number is read, junk and huge values fall back to the default.
    store.setObject(QStringLiteral("12"), OXRecordingInterval);
    EXPECT_EQ(intSetting(store, OXRecordingInterval), 12);
    store.setObject(QStringLiteral("ten"), OXRecordingInterval);
    EXPECT_EQ(intSetting(store, OXRecordingInterval), 10);
    store.setObject(QStringLiteral("1e300"), OXOutboxLimitMB);
    EXPECT_EQ(intSetting(store, OXOutboxLimitMB), 1024);
    store.setObject(QStringLiteral("nan"), OXDarkThreshold);
    EXPECT_EQ(intSetting(store, OXDarkThreshold), 10);
    EXPECT_EQ(intSetting(store, OXFTPUsername), 0) << "no default: 0";
}

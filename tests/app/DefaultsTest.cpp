#include "SettingsTable.h"
#include "StampArchive.h"
#include "TempHome.h"
#include "UserDefaults.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(Defaults, FreshUserReadsTheRegisteredDefaults)
{
    TempHome home;
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);

    EXPECT_EQ(store.objectForKey(OXRecordingInterval), QVariant(10));
    EXPECT_EQ(store.objectForKey(OXIntervalUnit), QVariant(0));
    EXPECT_EQ(store.objectForKey(OXImageQuality).typeId(), QMetaType::Float);
    EXPECT_EQ(store.objectForKey(OXImageQuality).toFloat(), 0.5f);
    EXPECT_EQ(store.objectForKey(OXImageFilename), QVariant(QStringLiteral("CaptureImage")));
    EXPECT_EQ(unarchiveFont(store.objectForKey(OXTimestampFont)), (StampFont{QStringLiteral("Times-Roman"), 12.0}));
    EXPECT_EQ(unarchiveColor(store.objectForKey(OXTimestampColor))->rgba(), QColor(Qt::black).rgba());
    EXPECT_TRUE(store.boolForKey(SUEnableAutomaticChecks));
    EXPECT_FALSE(store.boolForKey(OXStartAuto));
    EXPECT_EQ(store.objectForKey(OXSaveToDiskPath), QVariant(QStringLiteral("~/Downloads")));

    for (const QString& flag : {OXInsertTimestampFlag, OXSaveToDiskFlag, OXSaveSequenceFlag})
        EXPECT_FALSE(store.boolForKey(flag)) << flag.toStdString();
    for (const QString& absent : {OXFTPServerAddress.name, OXFTPUsername.name, OXFTPPath.name, OXImageFormat.name, OXSequenceNumber.name})
        EXPECT_FALSE(store.objectForKey(absent).isValid()) << absent.toStdString();
    EXPECT_FALSE(QFile::exists(home.configFile())) << "registering writes nothing";
}

TEST(Defaults, UserValueSurvivesTheNextLaunchsRegistration)
{
    TempHome home;
    {
        UserDefaults store(home.configFile());
        registerSettingDefaults(store);
        store.setObject(QStringLiteral("~/Pictures"), OXSaveToDiskPath);
        store.setObject(archivedFont({QStringLiteral("DejaVu Sans"), 20}), OXTimestampFont);
    }
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);
    EXPECT_EQ(store.objectForKey(OXSaveToDiskPath), QVariant(QStringLiteral("~/Pictures")));
    EXPECT_EQ(unarchiveFont(store.objectForKey(OXTimestampFont)), (StampFont{QStringLiteral("DejaVu Sans"), 20}));
}

TEST(Defaults, SharedStoreLivesUnderXdgConfigHome)
{
    TempHome home;
    EXPECT_EQ(UserDefaults::standardFilePath(), home.configFile());
}

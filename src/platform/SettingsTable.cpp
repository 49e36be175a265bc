#include "SettingsTable.h"

#include "Paths.h"
#include "SettingsKeys.h"
#include "StampArchive.h"
#include "StampSettings.h"
#include "UserDefaults.h"

#include <QStandardPaths>

#include <cmath>

std::vector<SettingDefault> settingDefaults()
{
    std::vector<SettingDefault> table{
        {OXRecordingInterval, QVariant(10)},
        {OXIntervalUnit, QVariant(0)},
        {OXImageQuality, QVariant(0.5f)},
        {OXImageFilename, QVariant(QStringLiteral("CaptureImage"))},
        {OXTimestampFont, QVariant(archivedFont(defaultStampFont()))},
        {OXTimestampColor, QVariant(archivedColor(defaultStampColor()))},
        {SUEnableAutomaticChecks, QVariant(true)},
        {OXStartAuto, QVariant(false)},
        {OXOutboxLimitMB, QVariant(1024)},
        {OXFTPTLSHosts, QVariant(QString())},
        {OXActiveHoursFlag, QVariant(false)},
        {OXActiveFrom, QVariant(QStringLiteral("06:00"))},
        {OXActiveUntil, QVariant(QStringLiteral("22:00"))},
        {OXSkipDarkFlag, QVariant(false)},
        {OXDarkThreshold, QVariant(10)},
    };
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty())
        table.push_back({OXSaveToDiskPath, QVariant(abbreviateWithTilde(downloads))});
    return table;
}

void registerSettingDefaults(UserDefaults& store)
{
    UserDefaults::Registration registration;
    for (const SettingDefault& setting : settingDefaults())
        registration.emplace_back(setting.key, setting.value);
    store.registerDefaults(registration);
}

int intSetting(const UserDefaults& store, const QString& key)
{
    bool ok = false;
    const double value = store.objectForKey(key).toDouble(&ok);
    if (ok && std::isfinite(value) && std::abs(value) < 2147483647.0)
        return static_cast<int>(value);
    return store.registeredValueForKey(key).toInt();
}

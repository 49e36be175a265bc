#include "SettingsTable.h"

#include "Paths.h"
#include "StampArchive.h"
#include "StampSettings.h"
#include "UserDefaults.h"

#include <QStandardPaths>


namespace {

// A default of the key's own type; the store reads stored text in the default's form.
template <typename T>
SettingDefault byDefault(const Setting<T>& key, const T& value)
{
    return {key.name, QVariant::fromValue(value)};
}

SettingDefault byDefault(const Setting<Archive>& key, const QVariant& archive)
{
    return {key.name, archive};
}

// Times of day are stored as text, as a hand-edited file would have them.
QString timeText(QTime time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

QTime timeFromText(const QString& text)
{
    return QTime::fromString(text.trimmed(), QStringLiteral("H:mm"));
}

SettingDefault byDefault(const Setting<QTime>& key, QTime time)
{
    return {key.name, timeText(time)};
}

} // namespace

std::vector<SettingDefault> settingDefaults()
{
    std::vector<SettingDefault> table{
        byDefault(OXRecordingInterval, 10),
        byDefault(OXIntervalUnit, 0),
        byDefault(OXImageQuality, 0.5f),
        byDefault(OXImageFilename, QStringLiteral("CaptureImage")),
        byDefault(OXTimestampFont, archivedFont(defaultStampFont())),
        byDefault(OXTimestampColor, archivedColor(defaultStampColor())),
        byDefault(SUEnableAutomaticChecks, true),
        byDefault(OXStartAuto, false),
        byDefault(OXOutboxLimitMB, 1024),
        byDefault(OXFTPTLSHosts, QString()),
        byDefault(OXActiveHoursFlag, false),
        byDefault(OXActiveFrom, QTime(6, 0)),
        byDefault(OXActiveUntil, QTime(22, 0)),
        byDefault(OXSkipDarkFlag, false),
        byDefault(OXDarkThreshold, 10),
        byDefault(OXKeepDays, 0),
        byDefault(OXKeepMaxMB, 0),
        byDefault(OXKeepFreeMB, 0),
        byDefault(OXKeepDaysOnServer, 0),
        byDefault(OXAlertAfterMinutes, 15),
        byDefault(OXEventCommand, QString()),
        byDefault(OXSFTPKeyFile, QString()),
        byDefault(OXS3Endpoint, QString()),
        byDefault(OXS3Region, QStringLiteral("us-east-1")),
        byDefault(OXPictureSize, QStringLiteral("auto")),
        byDefault(OXActiveHoursMode, QStringLiteral("clock")),
        byDefault(OXLatitude, 0.0f),
        byDefault(OXLongitude, 0.0f),
        byDefault(OXSunriseOffset, 0),
        byDefault(OXSunsetOffset, 0),
        byDefault(OXFilmFolder, QString()),
        byDefault(OXFilmDeflicker, false),
        byDefault(OXDailyFilmFlag, false),
        byDefault(OXDailyFilmTime, QTime(0, 15)),
        byDefault(OXDailyFilmUploadFlag, false),
    };
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty())
        table.push_back(byDefault(OXSaveToDiskPath, abbreviateWithTilde(downloads)));
    return table;
}

void registerSettingDefaults(UserDefaults& store)
{
    UserDefaults::Registration registration;
    for (const SettingDefault& setting : settingDefaults())
        registration.emplace_back(setting.key, setting.value);
    store.registerDefaults(registration);
}

bool settingValue(const UserDefaults& store, const Setting<bool>& key)
{
    return store.boolForKey(key);
}

// The store reads a stored value in its default's type and falls back to the
// default when it does not read so; these only unwrap it.
int settingValue(const UserDefaults& store, const Setting<int>& key)
{
    return store.objectForKey(key).toInt();
}

float settingValue(const UserDefaults& store, const Setting<float>& key)
{
    return store.objectForKey(key).toFloat();
}

QString settingValue(const UserDefaults& store, const Setting<QString>& key)
{
    return store.objectForKey(key).toString();
}

QVariant settingValue(const UserDefaults& store, const Setting<Archive>& key)
{
    return store.objectForKey(key);
}

QTime settingValue(const UserDefaults& store, const Setting<QTime>& key)
{
    const QTime time = timeFromText(store.objectForKey(key).toString());
    return time.isValid() ? time : timeFromText(store.registeredValueForKey(key).toString());
}

void setSettingValue(UserDefaults& store, const Setting<QTime>& key, QTime time)
{
    store.setObject(timeText(time), key);
}

void setSettingValue(UserDefaults& store, const Setting<bool>& key, bool value)
{
    store.setObject(value, key);
}

void setSettingValue(UserDefaults& store, const Setting<int>& key, int value)
{
    store.setObject(value, key);
}

void setSettingValue(UserDefaults& store, const Setting<float>& key, float value)
{
    store.setObject(value, key);
}

void setSettingValue(UserDefaults& store, const Setting<QString>& key, const QString& value)
{
    store.setObject(value, key);
}

void setSettingValue(UserDefaults& store, const Setting<Archive>& key, const QString& archive)
{
    store.setObject(archive, key);
}

#include "StampSettings.h"

#include "SettingsTable.h"
#include "UserDefaults.h"

StampFont stampFontFromSettings(const UserDefaults& userDefaults)
{
    return unarchiveFont(settingValue(userDefaults, OXTimestampFont))
        .value_or(unarchiveFont(userDefaults.registeredValueForKey(OXTimestampFont))
                      .value_or(defaultStampFont()));
}

StampFont defaultStampFont()
{
    return StampFont{QStringLiteral("Times-Roman"), 12.0};
}

QColor defaultStampColor()
{
    return QColor(Qt::black);
}

QColor stampColorFromSettings(const UserDefaults& userDefaults)
{
    return unarchiveColor(settingValue(userDefaults, OXTimestampColor))
        .value_or(unarchiveColor(userDefaults.registeredValueForKey(OXTimestampColor)).value_or(defaultStampColor()));
}

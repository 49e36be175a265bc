#include "StampSettings.h"

#include "SettingsKeys.h"
#include "UserDefaults.h"

StampFont stampFontFromSettings(const UserDefaults& userDefaults)
{
    return unarchiveFont(userDefaults.objectForKey(OXTimestampFont))
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
    return unarchiveColor(userDefaults.objectForKey(OXTimestampColor))
        .value_or(unarchiveColor(userDefaults.registeredValueForKey(OXTimestampColor)).value_or(defaultStampColor()));
}

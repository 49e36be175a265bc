#include "TickGate.h"

#include "Brightness.h"
#include "SettingsKeys.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QCoreApplication>

namespace {

QTime timeSetting(const UserDefaults& settings, const QString& key, QTime fallback)
{
    const QTime time = QTime::fromString(settings.objectForKey(key).toString().trimmed(), QStringLiteral("H:mm"));
    return time.isValid() ? time : fallback;
}

} // namespace

bool isWithinActiveHours(QTime now, QTime from, QTime until)
{
    if (from == until)
        return true;
    if (from < until)
        return now >= from && now < until;
    return now >= from || now < until;
}

std::optional<QString> reasonToSkipTick(const UserDefaults& settings, const QDateTime& now, GstSample* frame)
{
    if (settings.boolForKey(OXActiveHoursFlag) &&
        !isWithinActiveHours(now.time(), timeSetting(settings, OXActiveFrom, QTime(6, 0)),
                             timeSetting(settings, OXActiveUntil, QTime(22, 0))))
        return QCoreApplication::translate("TickGate", "outside active hours");
    if (settings.boolForKey(OXSkipDarkFlag)) {
        const int threshold = std::clamp(intSetting(settings, OXDarkThreshold), 0, 100);
        const std::optional<int> brightness = brightnessPercent(frame);
        if (brightness && *brightness < threshold)
            return QCoreApplication::translate("TickGate", "too dark: %1%").arg(*brightness);
    }
    return std::nullopt;
}

#include "TickGate.h"

#include "Brightness.h"
#include "SettingsTable.h"
#include "SunTimes.h"
#include "UserDefaults.h"

#include <QCoreApplication>

namespace {

// [from, until), crossing midnight when until is earlier than from; equal ends mean all day.
bool isWithinActiveHours(QTime now, QTime from, QTime until)
{
    if (from == until)
        return true;
    if (from < until)
        return now >= from && now < until;
    return now >= from || now < until;
}

} // namespace

std::optional<QString> reasonToSkipTick(const UserDefaults& settings, const QDateTime& now, GstSample* frame)
{
    if (settingValue(settings, OXActiveHoursFlag)) {
        if (settingValue(settings, OXActiveHoursMode) == QLatin1String("sun")) {
            const SunHours hours = SunHours::on(now.date(), settingValue(settings, OXLatitude), settingValue(settings, OXLongitude),
                                                settingValue(settings, OXSunriseOffset), settingValue(settings, OXSunsetOffset));
            if (hours.day == SunTimes::Day::PolarNight)
                return QCoreApplication::translate("TickGate", "the sun does not rise today");
            if (!hours.contains(now))
                return QCoreApplication::translate("TickGate", "outside active hours (%1)").arg(hours.text());
        } else if (!isWithinActiveHours(now.time(), settingValue(settings, OXActiveFrom),
                                        settingValue(settings, OXActiveUntil))) {
            return QCoreApplication::translate("TickGate", "outside active hours");
        }
    }
    if (settingValue(settings, OXSkipDarkFlag)) {
        const int threshold = std::clamp(settingValue(settings, OXDarkThreshold), 0, 100);
        const std::optional<int> brightness = brightnessPercent(frame);
        if (brightness && *brightness < threshold)
            return QCoreApplication::translate("TickGate", "too dark: %1%").arg(*brightness);
    }
    return std::nullopt;
}

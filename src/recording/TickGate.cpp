#include "TickGate.h"

#include "Brightness.h"
#include "SettingsTable.h"
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
    if (settingValue(settings, OXActiveHoursFlag) &&
        !isWithinActiveHours(now.time(), settingValue(settings, OXActiveFrom),
                             settingValue(settings, OXActiveUntil)))
        return QCoreApplication::translate("TickGate", "outside active hours");
    if (settingValue(settings, OXSkipDarkFlag)) {
        const int threshold = std::clamp(settingValue(settings, OXDarkThreshold), 0, 100);
        const std::optional<int> brightness = brightnessPercent(frame);
        if (brightness && *brightness < threshold)
            return QCoreApplication::translate("TickGate", "too dark: %1%").arg(*brightness);
    }
    return std::nullopt;
}

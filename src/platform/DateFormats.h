#pragma once

#include <QDateTime>
#include <QString>

// A moment as the user reads it: ICU's long date and full time style (month spelled
// out; hours, minutes, seconds and the zone's full name) in the default locale and zone.
QString localizedLongDateFullTime(const QDateTime& moment);

// A moment written with a UTS #35 pattern (for example "yyyyMMdd_HHmmss") in the
// local time zone, always with the Gregorian calendar and ASCII digits, so that the
// text sorts and keeps its form whatever the user's language.
QString formatDatePattern(const QDateTime& moment, const QString& pattern);

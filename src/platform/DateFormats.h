#pragma once

#include <QDateTime>
#include <QString>

// A moment as the user reads it: ICU's long date and full time style (month spelled
// out; hours, minutes, seconds and the zone's full name) in the default locale and zone.
QString localizedLongDateFullTime(const QDateTime& moment);

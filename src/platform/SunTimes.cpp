#include "SunTimes.h"

#include <QCoreApplication>
#include <QLocale>


#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

double degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

struct SolarPosition {
    double declination;      // degrees
    double equationOfTime;   // minutes
};

// At a moment in Julian centuries since J2000.0.
SolarPosition solarPosition(double t)
{
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double m = radians(meanAnomaly);
    const double centre = std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
        std::sin(2 * m) * (0.019993 - 0.000101 * t) + std::sin(3 * m) * 0.000289;
    const double omega = radians(125.04 - 1934.136 * t);
    const double apparentLongitude = meanLongitude + centre - 0.00569 - 0.00478 * std::sin(omega);
    const double meanObliquity = 23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
    const double obliquity = radians(meanObliquity + 0.00256 * std::cos(omega));
    const double y = std::pow(std::tan(obliquity / 2), 2);
    const double l0 = radians(meanLongitude);
    const double e = eccentricity;
    const double equation = y * std::sin(2 * l0) - 2 * e * std::sin(m) + 4 * e * y * std::sin(m) * std::cos(2 * l0) -
        0.5 * y * y * std::sin(4 * l0) - 1.25 * e * e * std::sin(2 * m);
    return {degrees(std::asin(std::sin(obliquity) * std::sin(radians(apparentLongitude)))), 4 * degrees(equation)};
}

double centuriesSinceJ2000(QDate date, double minutesUtc)
{
    const double julianDay = double(date.toJulianDay()) - 0.5 + minutesUtc / 1440.0;
    return (julianDay - 2451545.0) / 36525.0;
}

// The sun's hour angle at rise and set, in degrees; NaN-free: ±1 past the poles' limits.
double riseHourAngle(double latitude, double declination, SunTimes::Day* day)
{
    const double phi = radians(latitude), delta = radians(declination);
    const double cosine = std::cos(radians(90.833)) / (std::cos(phi) * std::cos(delta)) - std::tan(phi) * std::tan(delta);
    *day = cosine > 1 ? SunTimes::Day::PolarNight : cosine < -1 ? SunTimes::Day::PolarDay : SunTimes::Day::Normal;
    return degrees(std::acos(std::clamp(cosine, -1.0, 1.0)));
}

// Minutes after the date's midnight UTC of the sunrise (-1) or the sunset (+1):
// once from the position at solar noon, then again from the position at that time.
double eventMinutes(QDate date, double latitude, double longitude, int side, SunTimes::Day* day)
{
    double minutes = 720.0 - 4.0 * longitude;
    for (int pass = 0; pass < 2; ++pass) {
        const SolarPosition sun = solarPosition(centuriesSinceJ2000(date, minutes));
        const double angle = riseHourAngle(latitude, sun.declination, day);
        minutes = 720.0 - 4.0 * (longitude - side * angle) - sun.equationOfTime;
    }
    return minutes;
}

} // namespace

SunTimes SunTimes::on(QDate date, double latitude, double longitude)
{
    SunTimes times;
    latitude = std::clamp(latitude, -89.99, 89.99); // the poles themselves have no hour angle
    const double rise = eventMinutes(date, latitude, longitude, -1, &times.day);
    if (times.day != Day::Normal)
        return times;
    Day setDay = Day::Normal;
    const double set = eventMinutes(date, latitude, longitude, +1, &setDay);
    if (setDay != Day::Normal) {
        times.day = setDay;
        return times;
    }
    const QDateTime midnight(date, QTime(0, 0), Qt::UTC);
    times.sunrise = midnight.addSecs(qint64(std::lround(rise * 60)));
    times.sunset = midnight.addSecs(qint64(std::lround(set * 60)));
    return times;
}

SunHours SunHours::on(QDate date, double latitude, double longitude, int sunriseOffset, int sunsetOffset)
{
    const SunTimes sun = SunTimes::on(date, latitude, longitude);
    SunHours hours;
    hours.day = sun.day;
    if (sun.day == SunTimes::Day::Normal) {
        hours.from = sun.sunrise.toLocalTime().addSecs(qint64(sunriseOffset) * 60);
        hours.until = sun.sunset.toLocalTime().addSecs(qint64(sunsetOffset) * 60);
    }
    return hours;
}

bool SunHours::contains(const QDateTime& moment) const
{
    if (day != SunTimes::Day::Normal)
        return day == SunTimes::Day::PolarDay;
    return moment >= from && moment < until;
}

QString SunHours::text() const
{
    switch (day) {
    case SunTimes::Day::PolarDay:
        return QCoreApplication::translate("SunHours", "all day today: the sun does not set");
    case SunTimes::Day::PolarNight:
        return QCoreApplication::translate("SunHours", "no pictures today: the sun does not rise");
    case SunTimes::Day::Normal:
        break;
    }
    const QLocale locale;
    return QCoreApplication::translate("SunHours", "today %1 to %2")
        .arg(locale.toString(from.time(), QLocale::ShortFormat), locale.toString(until.time(), QLocale::ShortFormat));
}

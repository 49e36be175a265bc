#pragma once

#include <QDate>
#include <QDateTime>

// Sunrise and sunset at a place on a date, from the solar position (the equation of
// time and the sun's declination, as the almanacs compute them), with the standard
// 0.833° for refraction and the sun's disc. No network: the machine computes them.
struct SunTimes {
    enum class Day { Normal, PolarDay, PolarNight };
    Day day = Day::Normal;
    QDateTime sunrise; // in UTC; invalid on a polar day or night
    QDateTime sunset;

    // The date is the place's own: the day whose solar noon falls on it. Latitude
    // north and longitude east are positive, in degrees.
    static SunTimes on(QDate date, double latitude, double longitude);
};

// The hours a day records that follow the sun: from sunrise to sunset at the
// place, each moved by its offset in minutes. On a polar day all of it, on a polar
// night none.
struct SunHours {
    SunTimes::Day day = SunTimes::Day::Normal;
    QDateTime from; // local time
    QDateTime until;

    static SunHours on(QDate date, double latitude, double longitude, int sunriseOffset, int sunsetOffset);
    bool contains(const QDateTime& moment) const;
    // As the preferences show it: "today 07:58 to 16:02", or why all day or none.
    QString text() const;
};

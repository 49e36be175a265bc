#pragma once

#include "Clock.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>

class UserDefaults;

// Where each picture goes: its file name, its path on disk and its address on the
// server, read afresh from the settings at every call.
class PictureNaming {
public:
    using Clock = ::Clock;

    explicit PictureNaming(UserDefaults* userDefaults, Clock clock = {});

    // The time of the tick now, by the clock that names the pictures.
    QDateTime now() const { return m_clock(); }
    // "base.jpg", or "base_yyyyMMdd_HHmmss.jpg" with the tick's local time, so that
    // name, stamp and status line tell the same time.
    QString imageWithSequence(bool sequence, const QDateTime& tick) const;
    // The save folder (tilde expanded) joined with the file name.
    QString saveToDiskPath(const QString& fileName) const;
    // The server address, then the path field's folders, then the file name, each
    // joined by one slash and escaped as a URL path needs. Empty when the server
    // address is not a URL.
    QUrl uploadURL(const QString& serverAddress, const QString& pathText, const QString& fileName) const;

    // Why no picture can be named now (a single, fixed name that is empty), or
    // empty when pictures can be saved and uploaded.
    QString namingProblem() const;

private:
    UserDefaults* m_userDefaults;
    Clock m_clock;
};

// The sequence names one run gave out lately. When the clocks go back an hour, that
// hour's names come again: a name given out is not given again but gets a counter
// (the delivery worker also steps past files already on disk).
class GivenSequenceNames {
public:
    QString unused(const QString& fileName);

private:
    QSet<QString> m_names;
    std::deque<QString> m_order;
};

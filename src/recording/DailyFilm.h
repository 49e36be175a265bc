#pragma once

#include "Clock.h"
#include "FilmMaker.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>

class UserDefaults;

// A film of every day, made on its own: at OXDailyFilmTime, of the pictures the
// sequence took in the 24 hours before, named NAME_yyyyMMdd after the day most of
// them belong to, in OXFilmFolder (the videos folder by default).
//
// The time of the last film finished is kept in a file, so that a film a quit or a
// crash interrupted (or a start after its time) is made at the next start. The
// film itself is written whole or not at all.
class DailyFilm : public QObject {
    Q_OBJECT
public:
    DailyFilm(UserDefaults* settings, Clock clock, QObject* parent = nullptr);
    ~DailyFilm() override; // a film under way is cancelled and made again at the next start

    // $XDG_STATE_HOME/Ombrix/daily-film: when the last film was due.
    static QString stateFile();
    // The film time at or before the moment.
    static QDateTime lastDue(const QDateTime& now, QTime at);
    // "Film of 5 December: 8640 pictures, 6 min"
    static QString madeText(QDate day, int pictures, double seconds);

    // Looks whether a film is due: soon after it is made, then every few seconds.
    void check();

Q_SIGNALS:
    // A film was made; `text` says so, for the owner.
    void made(const QString& path, const QString& text);
    // No film this time, and why (no pictures, or it failed).
    void notMade(const QString& text);

private:
    void make(const QDateTime& due);
    void finished(const FilmOutcome& outcome);
    void markDone(const QDateTime& due);

    UserDefaults* m_settings;
    Clock m_clock;
    QTimer m_poll;
    QDateTime m_done; // the due time of the last film finished (or given up)
    QDateTime m_due;  // of the film under way
    QDate m_day;
    QString m_output;
    std::unique_ptr<FilmMaker> m_maker;
};

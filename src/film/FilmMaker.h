#pragma once

#include "FilmFormat.h"

#include <QObject>
#include <QSize>
#include <QStringList>

#include <atomic>
#include <thread>
#include <vector>

// What to make: the pictures in the order they are to be shown.
struct FilmRequest {
    QStringList pictures;
    QString output;
    FilmFormat format{FilmCodec::VP8};
    int framesPerSecond = 24;
    QSize size; // empty: the first readable picture's size
    // Pulls each picture's brightness toward the running average of its neighbours:
    // no flicker from auto-exposure or passing clouds, while slow changes (dusk) stay.
    bool deflicker = false;
};

struct FilmOutcome {
    enum class Status { Made, Cancelled, Failed };
    Status status = Status::Failed;
    QString error;          // one line, for Failed
    int framesWritten = 0;
    int picturesSkipped = 0; // unreadable or cut short
    QSize size;
};

// Makes a film from pictures on a thread of its own, streaming them one at a
// time through GStreamer (so thousands never sit in memory at once). Pictures of
// another size are scaled to fit with black bars; a picture that cannot be read or
// is cut short is skipped and counted. The film is written beside the output as
// OUTPUT.part and renamed only when it is whole: a cancel or a failure leaves
// nothing under the output's name. Signals come from the worker thread.
class FilmMaker : public QObject {
    Q_OBJECT
public:
    explicit FilmMaker(QObject* parent = nullptr);
    ~FilmMaker() override; // cancels what is under way and waits for it

    void start(FilmRequest request);
    void cancel() { m_cancelled = true; }

    static QString partPath(const QString& output) { return output + QStringLiteral(".part"); }
    // How far each picture's brightness is pulled: the gain for its luma (1 for a
    // picture that cannot be read). From a picture's mean luma and its neighbours'.
    static std::vector<double> deflickerGains(const std::vector<double>& meanLuma);

Q_SIGNALS:
    // Pictures handled so far (written or skipped) of all.
    void progressed(int done, int total);
    void finished(const FilmOutcome& outcome);

private:
    FilmOutcome make(const FilmRequest& request);

    std::thread m_thread;
    std::atomic<bool> m_cancelled{false};
};

Q_DECLARE_METATYPE(FilmOutcome)

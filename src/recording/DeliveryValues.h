#pragma once

#include "Error.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

// How a tick ended, once its picture was saved and its upload tried.
struct TickOutcome {
    enum class Save { NotAsked, Saved, Failed };
    // Refused: not uploaded at all (a setting would be unsafe to send). SetAside: the
    // server refuses this picture for good; it stays in the outbox, tried rarely.
    // NotKept: the outbox could not keep it and its one try from memory failed.
    enum class Upload { NotAsked, Sent, Kept, Failed, Refused, SetAside, NotKept };
    quint64 tick = 0;
    QDateTime time;
    QString fileName; // the name actually written, past any taken one
    bool pictureMade = false;
    bool cameraSilent = false; // no picture: the camera sent frames before, but none since the last tick
    Save save = Save::NotAsked;
    QString savePath;    // empty when saving failed for want of a folder
    QString saveProblem;
    bool diskFloor = false; // not saved, so that the disk keeps its last free space
    Upload upload = Upload::NotAsked;
    Error uploadError; // why it was not sent (Failed, Refused, SetAside, NotKept)
};

// Old pictures of the sequence to remove from the server: those in `folder` named
// BASE_yyyyMMdd_HHmmss[_N].jpg and taken more than `days` days ago (0: none).
struct ServerCleanup {
    QUrl folder;
    QString base;
    QString username;
    int days = 0;
    bool operator==(const ServerCleanup&) const = default;
};

// The pictures waiting for their server, as the status line tells it.
struct OutboxState {
    int waiting = 0;           // to be sent, not counting those set aside
    QString host;              // where the oldest waiting picture goes
    QDateTime nextTry;         // invalid: not scheduled (sending, or waiting for a password)
    bool needsPassword = false;
    int dropped = 0;           // pictures dropped for the outbox's bound since the start
    QString keepProblem;       // a picture could not be kept in the outbox
    int setAside = 0;          // refused by the server for good, or never sendable
    QString setAsideName;      // the newest of them, and why
    QString setAsideProblem;
};

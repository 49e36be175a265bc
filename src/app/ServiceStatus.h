#pragma once

#include "ProblemWatch.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The running service's state for a person on SSH (`ombrix --status`): kept by the
// service in a small file under $XDG_RUNTIME_DIR/Ombrix/, always written whole.
struct ServiceStatus {
    qint64 pid = 0;
    QString camera;
    QDateTime recordingSince;
    qint64 intervalSeconds = 0;
    QString lastPicture; // its log line: time, file written and outcome
    int waiting = 0;
    QString saveFolder; // empty: nothing is saved
    QList<ProblemEvent> problems;

    static QString filePath();
    bool save(const QString& path) const;
    static std::optional<ServiceStatus> load(const QString& path);
    // Whether the process that wrote it still runs.
    bool isRunning() const;
    // The state in lines for a person, free space read now.
    QStringList describe() const;
};

// `ombrix --status`: prints the state, or says that no service runs (exit status 3).
int printServiceStatus();

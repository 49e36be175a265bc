#include "ServiceStatus.h"

#include "ConsoleLine.h"
#include "TickOutcomeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <csignal>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ServiceStatus", text);
}

} // namespace

QString ServiceStatus::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/Ombrix/status.json");
}

bool ServiceStatus::save(const QString& path) const
{
    QJsonArray open;
    for (const ProblemEvent& problem : problems)
        open.append(QJsonObject{{QStringLiteral("event"), problem.name},
                                {QStringLiteral("since"), problem.time.toString(Qt::ISODate)},
                                {QStringLiteral("message"), problem.message}});
    const QJsonObject object{
        {QStringLiteral("pid"), pid},
        {QStringLiteral("camera"), camera},
        {QStringLiteral("recordingSince"), recordingSince.toString(Qt::ISODate)},
        {QStringLiteral("intervalSeconds"), intervalSeconds},
        {QStringLiteral("lastPicture"), lastPicture},
        {QStringLiteral("waiting"), waiting},
        {QStringLiteral("saveFolder"), saveFolder},
        {QStringLiteral("problems"), open},
    };
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(object).toJson()) >= 0 && file.commit();
}

std::optional<ServiceStatus> ServiceStatus::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    if (object.isEmpty())
        return std::nullopt;
    ServiceStatus status;
    status.pid = object.value(QStringLiteral("pid")).toInteger();
    status.camera = object.value(QStringLiteral("camera")).toString();
    status.recordingSince = QDateTime::fromString(object.value(QStringLiteral("recordingSince")).toString(), Qt::ISODate);
    status.intervalSeconds = object.value(QStringLiteral("intervalSeconds")).toInteger();
    status.lastPicture = object.value(QStringLiteral("lastPicture")).toString();
    status.waiting = object.value(QStringLiteral("waiting")).toInt();
    status.saveFolder = object.value(QStringLiteral("saveFolder")).toString();
    for (const QJsonValue& value : object.value(QStringLiteral("problems")).toArray()) {
        ProblemEvent problem;
        problem.name = value[QStringLiteral("event")].toString();
        problem.time = QDateTime::fromString(value[QStringLiteral("since")].toString(), Qt::ISODate);
        problem.message = value[QStringLiteral("message")].toString();
        status.problems.append(problem);
    }
    return status;
}

bool ServiceStatus::isRunning() const
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    // A process number is given again after a crash: it must still be Ombrix.
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return !comm.open(QIODevice::ReadOnly) || comm.readAll().startsWith("ombrix");
}

QStringList ServiceStatus::describe() const
{
    const QLocale locale;
    QStringList lines;
    lines << tr("Ombrix service (process %1)").arg(pid);
    lines << tr("Camera:          %1").arg(camera.isEmpty() ? tr("none attached") : camera);
    lines << tr("Recording since: %1, every %2 s").arg(logTime(recordingSince)).arg(intervalSeconds);
    lines << tr("Last picture:    %1").arg(lastPicture.isEmpty() ? tr("none yet") : lastPicture);
    lines << tr("Waiting:         %1 pictures in the outbox").arg(waiting);
    if (saveFolder.isEmpty()) {
        lines << tr("Free space:      nothing is saved");
    } else {
        const QStorageInfo disk(saveFolder);
        lines << tr("Free space:      %1 in %2")
                     .arg(disk.isValid() ? locale.formattedDataSize(disk.bytesAvailable()) : tr("unknown"), saveFolder);
    }
    if (problems.isEmpty())
        lines << tr("Problems:        none");
    for (const ProblemEvent& problem : problems)
        lines << tr("Problem:         %1 since %2: %3").arg(problem.name, logTime(problem.time), problem.message);
    return lines;
}

int printServiceStatus()
{
    const QString path = ServiceStatus::filePath();
    const std::optional<ServiceStatus> status = ServiceStatus::load(path);
    if (!status || !status->isRunning()) {
        printLine(stdout, tr("No Ombrix service is running (no state in %1).").arg(path));
        return 3;
    }
    for (const QString& line : status->describe())
        printLine(stdout, line);
    return 0;
}

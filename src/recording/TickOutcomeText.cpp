#include "TickOutcomeText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

namespace {

enum class Detail { Short, Whole };

QString tr(const char* text)
{
    return QCoreApplication::translate("TickOutcome", text);
}

QStringList describe(const TickOutcome& outcome, Detail detail, int waiting)
{
    const bool whole = detail == Detail::Whole;
    QStringList parts;
    if (outcome.save == TickOutcome::Save::Saved)
        parts << tr("saved");
    else if (outcome.save == TickOutcome::Save::Failed && whole) // the status line shows it apart, until a save succeeds
        parts << tr("not saved: %1").arg(outcome.saveProblem);
    switch (outcome.upload) {
    case TickOutcome::Upload::NotAsked:
        break;
    case TickOutcome::Upload::Sent:
        parts << tr("uploaded");
        break;
    case TickOutcome::Upload::Kept:
        parts << (whole ? tr("kept in the outbox (%1 waiting)").arg(std::max(1, waiting)) : tr("upload waiting"));
        break;
    case TickOutcome::Upload::Failed:
        parts << (whole ? tr("kept in the outbox: %1").arg(outcome.uploadError.description) : tr("upload failed"));
        break;
    case TickOutcome::Upload::Refused:
        parts << (whole ? tr("not uploaded: %1").arg(outcome.uploadError.description) : tr("not uploaded"));
        break;
    case TickOutcome::Upload::SetAside:
        parts << (whole ? tr("set aside in the outbox: %1").arg(outcome.uploadError.description) : tr("upload set aside"));
        break;
    case TickOutcome::Upload::NotKept:
        parts << (whole ? tr("not kept: %1").arg(outcome.uploadError.description) : tr("upload failed, not kept"));
        break;
    }
    return parts;
}

} // namespace

QString uploadFailureFate(const TickOutcome& outcome)
{
    switch (outcome.upload) {
    case TickOutcome::Upload::Failed:
        return tr("The picture is kept and will be sent when the server answers again.");
    case TickOutcome::Upload::Refused: // refused before the outbox: nothing waits
        return tr("The picture is not kept for the server: it was saved only where saving is on. Once the setting is "
                  "mended, the next pictures are uploaded.");
    case TickOutcome::Upload::SetAside:
        return tr("The picture is set aside in the outbox; the pictures after it are still sent, and it is tried again "
                  "now and then.");
    case TickOutcome::Upload::NotKept:
        return tr("The picture is not kept: it was saved only where saving is on.");
    default:
        return {};
    }
}

static QString noPictureText(const TickOutcome& outcome)
{
    return outcome.cameraSilent ? tr("no new picture from the camera since the last one: nothing saved or sent")
                                : tr("no picture from the camera yet");
}

QString logTime(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString statusLineSummary(const TickOutcome& outcome)
{
    if (!outcome.pictureMade)
        return noPictureText(outcome);
    const QStringList parts = describe(outcome, Detail::Short, 0);
    return parts.isEmpty() ? tr("taken") : parts.join(QStringLiteral(", "));
}

QString logLine(const TickOutcome& outcome, int waiting)
{
    if (!outcome.pictureMade)
        return QStringLiteral("%1 %2").arg(logTime(outcome.time), noPictureText(outcome));
    const QStringList parts = describe(outcome, Detail::Whole, waiting);
    return QStringLiteral("%1 %2: %3").arg(logTime(outcome.time), outcome.fileName,
                                           parts.isEmpty() ? tr("taken") : parts.join(QStringLiteral(", ")));
}

QString saveProblemText(const TickOutcome& outcome)
{
    if (outcome.savePath.isEmpty())
        return tr("Not saved: %1").arg(outcome.saveProblem);
    return tr("Not saved to %1: %2").arg(QFileInfo(outcome.savePath).absolutePath(), outcome.saveProblem);
}

QString outboxSummary(const OutboxState& state)
{
    QStringList parts;
    if (state.waiting > 0) {
        QString line = state.waiting == 1 ? tr("1 picture waiting for %1").arg(state.host)
                                          : tr("%1 pictures waiting for %2").arg(state.waiting).arg(state.host);
        if (state.needsPassword) {
            line += tr(", until the FTP password is known");
        } else if (state.nextTry.isValid()) {
            const qint64 seconds = std::max<qint64>(0, QDateTime::currentDateTime().secsTo(state.nextTry));
            line += tr(", next try in %1 s").arg(seconds);
        }
        parts << line;
    }
    if (state.dropped > 0)
        parts << (state.dropped == 1 ? tr("1 picture dropped: the outbox is full")
                                     : tr("%1 pictures dropped: the outbox is full").arg(state.dropped));
    if (state.setAside > 0)
        parts << (state.setAside == 1 ? tr("1 picture set aside (%1: %2)").arg(state.setAsideName, state.setAsideProblem)
                                      : tr("%1 pictures set aside (the newest, %2: %3)")
                                            .arg(state.setAside)
                                            .arg(state.setAsideName, state.setAsideProblem));
    if (!state.keepProblem.isEmpty())
        parts << tr("Pictures cannot be kept for upload: %1").arg(state.keepProblem);
    return parts.join(QStringLiteral(" — "));
}

namespace {

QString freeText(const CleanupReport& report)
{
    return report.freeBytes < 0 ? QString() : tr("%1 free").arg(QLocale().formattedDataSize(report.freeBytes));
}

QString joined(QStringList parts)
{
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString cleanupSummary(const CleanupReport& report)
{
    return joined({freeText(report),
                   report.removedToday == 0 ? QString()
                       : report.removedToday == 1 ? tr("1 old picture removed today")
                                                 : tr("%1 old pictures removed today").arg(report.removedToday),
                   report.failed == 0 ? QString() : tr("%1 could not be removed").arg(report.failed)});
}

QString cleanupLogText(const CleanupReport& report)
{
    return joined({tr("removed %1 old pictures (%2)").arg(report.removed).arg(QLocale().formattedDataSize(report.removedBytes)),
                   report.failed == 0 ? QString() : tr("%1 could not be removed").arg(report.failed), freeText(report)});
}

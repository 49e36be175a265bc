#include "EventCommand.h"

#include "Paths.h"

#include <QProcessEnvironment>

#include <csignal>
#include <unistd.h>

namespace {

// Enough of a command's output for its first line; the rest is read and dropped.
constexpr qsizetype kOutputKept = 4096;

} // namespace

EventCommand::EventCommand(QObject* parent)
    : QObject(parent)
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(kTimeLimit);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_killed = true;
        killGroup();
    });
}

EventCommand::~EventCommand()
{
    if (m_process) {
        m_process->disconnect(this);
        killGroup(); // quitting never waits for a command
    }
}

void EventCommand::setCommand(const QString& commandLine)
{
    m_commandLine = commandLine.trimmed();
}

void EventCommand::post(const ProblemEvent& event)
{
    if (m_commandLine.isEmpty())
        return;
    m_queue.push_back(event);
    if (!m_process)
        runNext();
}

void EventCommand::runNext()
{
    if (m_queue.empty() || m_commandLine.isEmpty())
        return;
    QStringList arguments = QProcess::splitCommand(m_commandLine);
    if (arguments.isEmpty())
        return;
    const QString program = expandTilde(arguments.takeFirst());

    QStringList names, messages;
    for (const ProblemEvent& event : m_queue) {
        names << event.name;
        messages << event.message;
    }
    const ProblemEvent newest = m_queue.back();
    m_queue.clear();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMBRIX_EVENT"), newest.name);
    environment.insert(QStringLiteral("OMBRIX_EVENTS"), names.join(QLatin1Char(' ')));
    environment.insert(QStringLiteral("OMBRIX_CAMERA"), newest.camera);
    environment.insert(QStringLiteral("OMBRIX_MESSAGE"), messages.join(QLatin1Char('\n')));
    environment.insert(QStringLiteral("OMBRIX_WAITING"), QString::number(newest.waiting));

    m_running = names.join(QStringLiteral(", "));
    m_output.clear();
    m_killed = false;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that what the command starts is killed with it.
    m_process->setChildProcessModifier([] { ::setsid(); });
    connect(m_process.get(), &QProcess::readyRead, this, [this] {
        const QByteArray more = m_process->readAll();
        if (m_output.size() < kOutputKept)
            m_output += more.left(kOutputKept - m_output.size());
    });
    connect(m_process.get(), &QProcess::finished, this, &EventCommand::ended);
    connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_limit.stop();
        Q_EMIT finished(tr("event command for %1 could not start: %2").arg(m_running, m_process->errorString()));
        m_process.release()->deleteLater();
        runNext();
    });
    m_process->start(program, arguments);
    m_limit.start();
}

void EventCommand::ended(int exitCode, QProcess::ExitStatus status)
{
    m_limit.stop();
    m_output += m_process->readAll().left(kOutputKept);
    const QString firstLine = QString::fromLocal8Bit(m_output.left(m_output.indexOf('\n'))).trimmed();
    QString text;
    if (m_killed)
        text = tr("event command for %1 killed after %2 s").arg(m_running).arg(kTimeLimit.count());
    else if (status == QProcess::CrashExit)
        text = tr("event command for %1 ended by a signal").arg(m_running);
    else
        text = tr("event command for %1 exited with status %2").arg(m_running).arg(exitCode);
    if (!firstLine.isEmpty())
        text += QStringLiteral(": ") + firstLine;
    m_process.release()->deleteLater(); // this is its own signal
    Q_EMIT finished(text);
    runNext();
}

void EventCommand::killGroup()
{
    const qint64 pid = m_process ? m_process->processId() : 0;
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
}

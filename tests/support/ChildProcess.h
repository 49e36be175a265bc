#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// A helper program run by a test (openssl, pure-ftpd). Started with fork() from
// our own code rather than QProcess: QProcess's clone-based start runs the child
// in a way ThreadSanitizer cannot follow, and from then on it misses the test
// thread's locks and reports races that are not there.
class ChildProcess {
public:
    struct Options {
        QString workingDirectory;
        bool ownProcessGroup = false; // so that the whole group can be killed at once
        bool endsWithTest = false;    // killed when the test process dies
        bool captureOutput = true;    // else it writes to the test's own output
        bool mergeErrors = false;     // standard error is captured with the output
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const QString& program, const QStringList& arguments, const Options& options);
    bool isRunning();
    // True when it ended within the time; exitCode() then holds its status.
    bool waitForFinished(int timeoutMs);
    int exitCode() const { return m_exitCode; }
    // Everything it wrote to standard output.
    QByteArray output() const { return m_output; }
    // SIGKILL to it, or to its whole group, and waits for it.
    void kill();

private:
    void readOutput(int timeoutMs);

    pid_t m_pid = -1;
    int m_outputFd = -1;
    int m_exitCode = -1;
    bool m_ownGroup = false;
    QByteArray m_output;
};

// "a b c" as the words a, b and c: a command line that needs no quoting.
inline QStringList words(const QString& line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Runs a program (the first word) to its end; the exit status is 0 on success.
int runToEnd(const QStringList& command, const QString& workingDirectory = {}, QByteArray* output = nullptr,
             int timeoutMs = 30000);

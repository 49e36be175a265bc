#include "ChildProcess.h"

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// An argv or envp: pointers into the texts, which must outlive it, and a null.
std::vector<char*> nullTerminated(std::vector<QByteArray>& texts)
{
    std::vector<char*> pointers;
    for (QByteArray& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::~ChildProcess()
{
    kill();
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, const Options& options)
{
    // Everything the child needs is made before the fork: after it, only exec.
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    const std::vector<char*> argv = nullTerminated(storage);
    const QByteArray directory = options.workingDirectory.toLocal8Bit();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (m_pid == 0) {
        if (options.captureOutput)
            ::dup2(fds[1], STDOUT_FILENO);
        if (options.mergeErrors)
            ::dup2(fds[1], STDERR_FILENO);
        if (options.ownProcessGroup)
            ::setpgid(0, 0);
        if (options.endsWithTest) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(127);
        }
        if (!directory.isEmpty() && ::chdir(directory.constData()) != 0)
            ::_exit(127);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    m_outputFd = fds[0];
    m_ownGroup = options.ownProcessGroup;
    m_exitCode = -1;
    m_output.clear();
    return true;
}

void ChildProcess::readOutput(int timeoutMs)
{
    if (m_outputFd < 0)
        return;
    pollfd p{m_outputFd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return;
    char chunk[4096];
    const ssize_t n = ::read(m_outputFd, chunk, sizeof chunk);
    if (n > 0) {
        m_output.append(chunk, n);
    } else if (n == 0 || errno != EINTR) {
        ::close(m_outputFd);
        m_outputFd = -1;
    }
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    const pid_t rc = ::waitpid(m_pid, &status, WNOHANG);
    if (rc == 0)
        return true;
    m_exitCode = rc == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    while (m_outputFd >= 0)
        readOutput(100);
    return false;
}

bool ChildProcess::waitForFinished(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (isRunning()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        if (m_outputFd >= 0)
            readOutput(10); // a full pipe would hold the child
        else
            ::usleep(10 * 1000);
    }
    return true;
}

void ChildProcess::kill()
{
    if (m_pid > 0) {
        ::kill(m_ownGroup ? -m_pid : m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    if (m_outputFd >= 0) {
        ::close(m_outputFd);
        m_outputFd = -1;
    }
}

int runToEnd(const QStringList& command, const QString& workingDirectory, QByteArray* output, int timeoutMs)
{
    ChildProcess child;
    ChildProcess::Options options;
    options.workingDirectory = workingDirectory;
    if (!child.start(command.value(0), command.mid(1), options) || !child.waitForFinished(timeoutMs))
        return -1;
    if (output)
        *output = child.output();
    return child.exitCode();
}

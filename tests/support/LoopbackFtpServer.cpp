#include "LoopbackFtpServer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

LoopbackFtpServer::LoopbackFtpServer()
    : LoopbackFtpServer(Options{})
{
}

LoopbackFtpServer::LoopbackFtpServer(Options options)
{
    QDir().mkpath(rootPath());
    QFile::setPermissions(rootPath(), QFileDevice::Permissions(0x7777));
    m_kilobytesPerSecond = options.kilobytesPerSecond;
    m_quotaFiles = options.quotaFiles;
    m_keepAllFiles = options.keepAllFiles;
    m_webDav = options.webDav;
    m_running = makeCertificates(options.certificateName) && makeAccount() && start(options.tls);
    if (!m_running) // every test of a server needs it: said here once
        ADD_FAILURE() << "the loopback FTP server did not start: " << m_problem.toStdString();
}

LoopbackFtpServer::~LoopbackFtpServer()
{
    stop();
}

void LoopbackFtpServer::stop()
{
    // The server leads its own process group, with one process per session in it.
    m_server.kill();
    m_dav.kill();
    m_running = false;
}

bool LoopbackFtpServer::resume()
{
    m_running = launch();
    return m_running;
}

QUrl LoopbackFtpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("ftp://127.0.0.1:%1/%2").arg(m_port).arg(path));
}

QUrl LoopbackFtpServer::davUrl(const QString& path) const
{
    const char* scheme = m_webDav == Options::WebDav::Tls ? "https" : "http";
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/%3").arg(QLatin1String(scheme)).arg(m_davPort).arg(path));
}

QByteArray LoopbackFtpServer::fileContents(const QString& path) const
{
    QFile file(rootPath() + QLatin1Char('/') + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LoopbackFtpServer::run(const QString& commandLine)
{
    if (runToEnd(words(commandLine), m_dir.path()) == 0)
        return true;
    m_problem = commandLine + QStringLiteral(" failed (its messages are above)");
    return false;
}

bool LoopbackFtpServer::makeCertificates(const QString& name)
{
    const QString altName = (QHostAddress(name).isNull() ? QStringLiteral("DNS:") : QStringLiteral("IP:")) + name;
    QFile ext(m_dir.path() + QStringLiteral("/ext.cnf"));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("subjectAltName=" + altName.toUtf8() + '\n');
    ext.close();
    const QString ec = QStringLiteral(" -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes");
    return run(QStringLiteral("openssl req -x509 -days 2 -subj /CN=Ombrix-Test-CA -keyout ca.key -out ca.pem") + ec) &&
        run(QStringLiteral("openssl req -subj /CN=%1 -keyout server.key -out server.csr").arg(name) + ec) &&
        run(QStringLiteral("openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
                           "-extfile ext.cnf -out server.pem")) &&
        runToEnd({QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("cat server.key server.pem > pure-ftpd.pem")},
                 m_dir.path()) == 0;
}

bool LoopbackFtpServer::makeAccount()
{
    // pure-pw's own hash takes seconds per login by design; a SHA-512 crypt hash,
    // which pure-ftpd accepts too, keeps each test's login instant.
    QByteArray hash;
    if (runToEnd(words(QStringLiteral("openssl passwd -6 ") + password()), m_dir.path(), &hash) != 0) {
        m_problem = QStringLiteral("openssl passwd failed");
        return false;
    }
    QFile passwd(m_dir.path() + QStringLiteral("/passwd"));
    if (!passwd.open(QIODevice::WriteOnly))
        return false;
    passwd.write((user() + QLatin1Char(':') + QString::fromLatin1(hash.trimmed()) + QStringLiteral(":65534:65534::") +
                  rootPath() + QStringLiteral("/./::::::::::::\n"))
                     .toUtf8());
    passwd.close();
    return run(QStringLiteral("pure-pw mkdb users.pdb -f passwd"));
}

bool LoopbackFtpServer::start(Tls tls)
{
    m_port = freeLoopbackPort();
    if (m_webDav != Options::WebDav::Off)
        m_davPort = freeLoopbackPort();
    m_tls = tls;
    return launch();
}

bool LoopbackFtpServer::launch()
{
    const Tls tls = m_tls;
    // Each server gets its own range of passive ports, so parallel tests do not meet.
    const int passiveBase = 30000 + (getpid() % 300) * 100;
    // Its own group, so that stop() reaches the sessions too; it goes with the
    // test, also when the test dies without cleaning up.
    ChildProcess::Options options;
    options.workingDirectory = m_dir.path();
    options.ownProcessGroup = true;
    options.endsWithTest = true;
    options.captureOutput = false;
    // Loopback only, the test account, TLS offered or off, no anonymous login, no name look-ups.
    QString command = QStringLiteral("-S 127.0.0.1,%1 -l puredb:%2/users.pdb -Y %3 -2 %2/pure-ftpd.pem -E -H -u 1 -p %4:%5")
                          .arg(m_port)
                          .arg(m_dir.path())
                          .arg(tls == Tls::Off ? 0 : 1)
                          .arg(passiveBase)
                          .arg(passiveBase + 99);
    if (m_kilobytesPerSecond > 0)
        command += QStringLiteral(" -T %1").arg(m_kilobytesPerSecond);
    if (m_quotaFiles > 0)
        command += QStringLiteral(" -n %1:1000").arg(m_quotaFiles);
    if (m_keepAllFiles)
        command += QStringLiteral(" -K");
    if (!m_server.start(QStringLiteral("pure-ftpd"), words(command), options))
        return m_problem = QStringLiteral("pure-ftpd could not be started"), false;
    if (m_webDav != Options::WebDav::Off) {
        // The same folder and account; no configuration file of the machine's.
        QString dav = QStringLiteral("serve webdav %1 --addr 127.0.0.1:%2 --user %3 --pass %4 --config /dev/null -q")
                          .arg(rootPath())
                          .arg(m_davPort)
                          .arg(user(), password());
        if (m_webDav == Options::WebDav::Tls)
            dav += QStringLiteral(" --cert %1/server.pem --key %1/server.key").arg(m_dir.path());
        if (!m_dav.start(QStringLiteral("rclone"), words(dav), options))
            return m_problem = QStringLiteral("rclone could not be started"), false;
    }
    const QDeadlineTimer deadline(10000);
    for (const auto& [port, process] : {std::pair{m_port, &m_server}, {m_davPort, &m_dav}}) {
        if (port == 0)
            continue;
        for (bool listening = false; !listening;) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            listening = probe.waitForConnected(200);
            if (!listening && (deadline.hasExpired() || !process->isRunning()))
                return m_problem = QStringLiteral("the server on port %1 did not start listening").arg(port), false;
            if (!listening)
                QThread::msleep(50);
        }
    }
    return true;
}

SilentServer::SilentServer()
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // The kernel completes connections into the backlog; nobody ever reads or writes.
    if (m_socket >= 0 && ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(m_socket, 8) == 0 &&
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_port = ntohs(address.sin_port);
}

SilentServer::~SilentServer()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

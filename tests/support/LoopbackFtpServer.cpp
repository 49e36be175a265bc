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

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

LoopbackFtpServer::LoopbackFtpServer()
    : LoopbackFtpServer(Options{})
{
}

LoopbackFtpServer::LoopbackFtpServer(Options options)
{
    QDir().mkpath(rootPath());
    QFile::setPermissions(rootPath(), QFileDevice::Permissions(0x7777));
    m_kilobytesPerSecond = options.kilobytesPerSecond;
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

QByteArray LoopbackFtpServer::fileContents(const QString& path) const
{
    QFile file(rootPath() + QLatin1Char('/') + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LoopbackFtpServer::run(const QString& program, const QStringList& arguments)
{
    if (runToEnd(program, arguments, m_dir.path()) == 0)
        return true;
    m_problem = program + QStringLiteral(" failed (its messages are above)");
    return false;
}

bool LoopbackFtpServer::makeCertificates(const QString& name)
{
    const QString altName = QHostAddress(name).isNull() ? QStringLiteral("DNS:") + name : QStringLiteral("IP:") + name;
    QFile ext(m_dir.path() + QStringLiteral("/ext.cnf"));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write((QStringLiteral("subjectAltName=") + altName + QStringLiteral("\n")).toUtf8());
    ext.close();
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    return run(QStringLiteral("openssl"), QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                                              QStringList{QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                                                          QStringLiteral("/CN=Ombrix Test CA"), QStringLiteral("-keyout"),
                                                          QStringLiteral("ca.key"), QStringLiteral("-out"), QStringLiteral("ca.pem")}) &&
        run(QStringLiteral("openssl"), QStringList{QStringLiteral("req")} + ec +
                                           QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=") + name, QStringLiteral("-keyout"),
                                                       QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr")}) &&
        run(QStringLiteral("openssl"),
            {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"), QStringLiteral("-CA"),
             QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("ext.cnf"), QStringLiteral("-out"),
             QStringLiteral("server.pem")}) &&
        run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat server.key server.pem > pure-ftpd.pem")});
}

bool LoopbackFtpServer::makeAccount()
{
    // pure-pw's own hash takes seconds per login by design; a SHA-512 crypt hash,
    // which pure-ftpd accepts too, keeps each test's login instant.
    QByteArray hash;
    if (runToEnd(QStringLiteral("openssl"), {QStringLiteral("passwd"), QStringLiteral("-6"), password()}, m_dir.path(),
                 &hash) != 0) {
        m_problem = QStringLiteral("openssl passwd failed");
        return false;
    }
    QFile passwd(m_dir.path() + QStringLiteral("/passwd"));
    if (!passwd.open(QIODevice::WriteOnly))
        return false;
    passwd.write((user() + QLatin1Char(':') + QString::fromLatin1(hash.trimmed()) +
                  QStringLiteral(":65534:65534::") + rootPath() + QStringLiteral("/./::::::::::::\n"))
                     .toUtf8());
    passwd.close();
    return run(QStringLiteral("pure-pw"), {QStringLiteral("mkdb"), QStringLiteral("users.pdb"), QStringLiteral("-f"), QStringLiteral("passwd")});
}

bool LoopbackFtpServer::start(Tls tls)
{
    m_port = freePort();
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
    const bool started = m_server.start(QStringLiteral("pure-ftpd"),
                   QStringList{QStringLiteral("-S"), QStringLiteral("127.0.0.1,%1").arg(m_port),                       // loopback only
                    QStringLiteral("-l"), QStringLiteral("puredb:") + m_dir.path() + QStringLiteral("/users.pdb"), // the test account
                    QStringLiteral("-Y"), tls == Tls::Off ? QStringLiteral("0") : QStringLiteral("1"),       // TLS offered or off
                    QStringLiteral("-2"), m_dir.path() + QStringLiteral("/pure-ftpd.pem"),
                    QStringLiteral("-E"),                                                                     // no anonymous login
                    QStringLiteral("-H"),                                                                     // no name look-ups
                    QStringLiteral("-u"), QStringLiteral("1"),
                    QStringLiteral("-p"), QStringLiteral("%1:%2").arg(passiveBase).arg(passiveBase + 99)}
                       + (m_kilobytesPerSecond > 0 ? QStringList{QStringLiteral("-T"), QString::number(m_kilobytesPerSecond)}
                                                   : QStringList()), options);
    if (!started) {
        m_problem = QStringLiteral("pure-ftpd could not be started");
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200))
            return true;
        if (!m_server.isRunning())
            break;
        QThread::msleep(50);
    }
    m_problem = QStringLiteral("pure-ftpd did not start listening");
    return false;
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

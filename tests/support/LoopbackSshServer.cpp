#include "LoopbackSshServer.h"

#include "LoopbackFtpServer.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

bool makeSshKey(const QString& path, const QString& type, const QString& passphrase)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    return runToEnd({QStringLiteral("ssh-keygen"), QStringLiteral("-q"), QStringLiteral("-t"), type, QStringLiteral("-N"),
                     passphrase, QStringLiteral("-f"), path}) == 0;
}

LoopbackSshServer::LoopbackSshServer()
{
    if (::geteuid() != 0) {
        m_problem = QStringLiteral("an sshd with an account of its own needs root");
        return;
    }
    const QString dir = m_dir.path();
    // sshd reads authorized_keys as the account: its folder must let others in.
    QFile::setPermissions(dir, QFileDevice::Permissions(0x7755));
    QDir().mkpath(rootPath());
    QFile::setPermissions(rootPath(), QFileDevice::Permissions(0x7777));
    QFile passwd(dir + QStringLiteral("/passwd")), shadow(dir + QStringLiteral("/shadow"));
    m_port = freeLoopbackPort();
    m_uid = 20000 + m_port % 10000; // the account's own, so that its sessions alone can be ended
    QByteArray hashed;
    if (runToEnd({QStringLiteral("openssl"), QStringLiteral("passwd"), QStringLiteral("-6"), password()}, {}, &hashed) != 0 ||
        !passwd.open(QIODevice::WriteOnly) || !shadow.open(QIODevice::WriteOnly)) {
        m_problem = QStringLiteral("cannot make the account");
        return;
    }
    // The system's accounts stay, so that sshd finds its own (sshd) as well.
    passwd.write(QStringLiteral("garden:x:%1:%1::%2:/bin/sh\n").arg(m_uid).arg(dir).toUtf8());
    shadow.write("garden:" + hashed.trimmed() + ":19000:0:99999:7:::\n");
    QFile systemPasswd(QStringLiteral("/etc/passwd")), systemShadow(QStringLiteral("/etc/shadow"));
    if (systemPasswd.open(QIODevice::ReadOnly))
        passwd.write(systemPasswd.readAll());
    if (systemShadow.open(QIODevice::ReadOnly))
        shadow.write(systemShadow.readAll());
    passwd.close();
    shadow.close();
    QFile config(dir + QStringLiteral("/sshd_config"));
    QDir().mkpath(QStringLiteral("/run/sshd")); // sshd's privilege separation needs it, empty
    if (!makeSshKey(dir + QStringLiteral("/host_key"), QStringLiteral("ed25519")) || !config.open(QIODevice::WriteOnly)) {
        m_problem = QStringLiteral("cannot make the server's key or config");
        return;
    }
    config.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2/host_key\nAuthorizedKeysFile %2/authorized_keys\n"
                                "PasswordAuthentication yes\nKbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                                "PidFile %2/sshd.pid\nSubsystem sftp internal-sftp\nForceCommand internal-sftp\n")
                     .arg(m_port)
                     .arg(dir)
                     .toUtf8());
    config.close();
    m_running = launch();
}

LoopbackSshServer::~LoopbackSshServer()
{
    stop();
}

bool LoopbackSshServer::launch()
{
    ChildProcess::Options options;
    options.ownProcessGroup = true; // so that its sessions end with it
    options.endsWithTest = true;
    options.captureOutput = false;
    const QString dir = m_dir.path();
    const QString script = QStringLiteral("mount --bind %1/passwd /etc/passwd && mount --bind %1/shadow /etc/shadow && "
                                          "exec /usr/sbin/sshd -D -f %1/sshd_config -E %1/sshd.log")
                               .arg(dir);
    if (!m_server.start(QStringLiteral("unshare"),
                        {QStringLiteral("-m"), QStringLiteral("--propagation"), QStringLiteral("private"), QStringLiteral("sh"),
                         QStringLiteral("-c"), script},
                        options)) {
        m_problem = QStringLiteral("cannot start sshd");
        return false;
    }
    const bool listening = QTest::qWaitFor(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            return probe.waitForConnected(100);
        },
        10000);
    if (!listening)
        m_problem = QStringLiteral("sshd did not listen on port %1").arg(m_port);
    return listening;
}

void LoopbackSshServer::stop()
{
    if (!m_running)
        return;
    m_server.kill();
    // Each session runs in a session of its own, as the account: it ends too, as in an outage.
    runToEnd({QStringLiteral("pkill"), QStringLiteral("-KILL"), QStringLiteral("-U"), QString::number(m_uid)});
    m_running = false;
}

bool LoopbackSshServer::resume(bool newHostKey)
{
    stop();
    if (newHostKey && !makeSshKey(m_dir.path() + QStringLiteral("/host_key"), QStringLiteral("ed25519")))
        return false;
    m_running = launch();
    return m_running;
}

SshHostKey LoopbackSshServer::hostKey() const
{
    QFile file(m_dir.path() + QStringLiteral("/host_key.pub"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() < 2 ? SshHostKey{} : SshHostKey{QStringLiteral("127.0.0.1"), m_port, fields[0], QByteArray::fromBase64(fields[1])};
}

QString LoopbackSshServer::fingerprintBySshKeygen() const
{
    QByteArray said; // "256 SHA256:… comment (ED25519)"
    runToEnd({QStringLiteral("ssh-keygen"), QStringLiteral("-lf"), m_dir.path() + QStringLiteral("/host_key.pub")}, {}, &said);
    const QList<QByteArray> fields = said.trimmed().split(' ');
    return fields.size() < 3 ? QString() : QString::fromLatin1(fields.last().mid(1).chopped(1) + ' ' + fields[1]);
}

bool LoopbackSshServer::authorize(const QByteArray& publicKeyLine)
{
    QFile keys(m_dir.path() + QStringLiteral("/authorized_keys"));
    return keys.open(QIODevice::WriteOnly | QIODevice::Append) && keys.write(publicKeyLine.trimmed() + '\n') > 0;
}

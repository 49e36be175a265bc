#pragma once

#include "ChildProcess.h"
#include "KnownHosts.h"

#include <QTemporaryDir>
#include <QUrl>

// A real OpenSSH server (sshd, SFTP only) on 127.0.0.1 for one test, with its own
// config, host key and authorized_keys in a temporary folder, and one account
// (garden) that logs in by key or password. The account exists only in sshd's own
// view of /etc/passwd and /etc/shadow (a private mount namespace): nothing of the
// system is touched. Needs root.
class LoopbackSshServer {
public:
    LoopbackSshServer();
    ~LoopbackSshServer();

    bool isRunning() const { return m_running; }
    QString problem() const { return m_problem; }
    void stop();
    // Back on the same port; with a new host key when asked, as after a reinstall.
    bool resume(bool newHostKey = false);

    static QString user() { return QStringLiteral("garden"); }
    static QString password() { return QStringLiteral("sftp-Pass-42"); }
    quint16 port() const { return m_port; }
    // A folder the account may write to, and its address.
    QString rootPath() const { return m_dir.path() + QStringLiteral("/root"); }
    QString address() const { return QStringLiteral("sftp://127.0.0.1:%1%2").arg(m_port).arg(rootPath()); }
    SshHostKey hostKey() const;
    // "ED25519 SHA256:…" as ssh-keygen -l prints the host key's fingerprint.
    QString fingerprintBySshKeygen() const;
    // Lets the public key (a .pub file's line) log in.
    bool authorize(const QByteArray& publicKeyLine);

private:
    bool run(const QString& commandLine);
    bool launch();

    QTemporaryDir m_dir;
    ChildProcess m_server;
    quint16 m_port = 0;
    uint m_uid = 0;
    bool m_running = false;
    QString m_problem;
};

// Makes a key pair of the type at PATH (and PATH.pub), as ssh-keygen does.
bool makeSshKey(const QString& path, const QString& type, const QString& passphrase = {});

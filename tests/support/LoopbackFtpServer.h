#pragma once

#include "ChildProcess.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A port on 127.0.0.1 that nothing listens on now.
quint16 freeLoopbackPort();

// A real FTP server (pure-ftpd) on 127.0.0.1 for one test, with one throwaway
// account and, unless TLS is off, a certificate made by the test's own authority.
// Where asked, the same folder, account and certificate are also served over
// WebDAV by a real WebDAV server (rclone) on a port of its own.
class LoopbackFtpServer {
public:
    enum class Tls { Offered, Off };
    struct Options {
        Tls tls = Tls::Offered;
        // The name the server's certificate is made out to (an IP address or a DNS name).
        QString certificateName = QStringLiteral("127.0.0.1");
        // Bandwidth of every transfer in KB/s (0: as fast as it goes).
        int kilobytesPerSecond = 0;
        // Files the account may hold, those already in its folder counted (0: no quota).
        int quotaFiles = 0;
        // Files may be written but never deleted or replaced.
        bool keepAllFiles = false;
        enum class WebDav { Off, Plain, Tls };
        WebDav webDav = WebDav::Off;
    };

    LoopbackFtpServer();
    explicit LoopbackFtpServer(Options options);
    ~LoopbackFtpServer();

    bool isRunning() const { return m_running; }
    // An outage: the server and every session it serves end at once.
    void stop();
    // The server comes back on the same port, with the same account and files.
    bool resume();
    QString problem() const { return m_problem; }

    static QString user() { return QStringLiteral("tester"); }
    static QString password() { return QStringLiteral("pic-Upl0ad"); }
    quint16 port() const { return m_port; }
    // The certificate authority that signed the server's certificate.
    QString caPath() const { return m_dir.path() + QStringLiteral("/ca.pem"); }
    QString rootPath() const { return m_dir.path() + QStringLiteral("/root"); }
    QUrl url(const QString& path) const;
    // The folder over WebDAV: http:// or https://, as asked.
    QUrl davUrl(const QString& path) const;
    quint16 davPort() const { return m_davPort; }
    QByteArray fileContents(const QString& path) const;

private:
    bool run(const QString& commandLine);
    bool makeCertificates(const QString& name);
    bool makeAccount();
    bool start(Tls tls);
    bool launch();

    QTemporaryDir m_dir;
    ChildProcess m_server;
    ChildProcess m_dav;
    quint16 m_davPort = 0;
    Options::WebDav m_webDav = Options::WebDav::Off;
    quint16 m_port = 0;
    Tls m_tls = Tls::Offered;
    int m_kilobytesPerSecond = 0;
    int m_quotaFiles = 0;
    bool m_keepAllFiles = false;
    bool m_running = false;
    QString m_problem;
};

// A port on 127.0.0.1 that accepts connections and never says a word.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    quint16 port() const { return m_port; }

private:
    int m_socket = -1;
    quint16 m_port = 0;
};

#include "ConnectionTrial.h"
#include "KnownHosts.h"
#include "LoopbackFtpServer.h"
#include "LoopbackS3Server.h"
#include "LoopbackSshServer.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// What "Test Connection" says, one sentence per step, against real FTP and SSH servers.
TEST(ConnectionTrial, EachFailureIsOnePlainSentenceThatSaysWhatToDo)
{
    TempHome home;
    LoopbackFtpServer::Options alsoDav;
    alsoDav.webDav = LoopbackFtpServer::Options::WebDav::Tls;
    LoopbackFtpServer ftp(alsoDav);
    LoopbackFtpServer::Options otherName;
    otherName.certificateName = QStringLiteral("example.org");
    LoopbackFtpServer misnamed(otherName);
    ASSERT_TRUE(ftp.isRunning() && misnamed.isRunning());
    QDir().mkpath(ftp.rootPath() + QStringLiteral("/locked"));
    QFile::setPermissions(ftp.rootPath() + QStringLiteral("/locked"), QFileDevice::ReadOther | QFileDevice::ExeOther |
                                                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    LoopbackFtpServer::Options keeping;
    keeping.keepAllFiles = true;
    LoopbackFtpServer undeleting(keeping);
    // A server trusted by its key, where someone in between strips the TLS offer.
    LoopbackFtpServer stripped({LoopbackFtpServer::Tls::Off});
    QDir().mkpath(QFileInfo(TrustedCertificates::defaultPath()).path());
    QFile trusted(TrustedCertificates::defaultPath());
    ASSERT_TRUE(trusted.open(QIODevice::WriteOnly));
    trusted.write(QStringLiteral("127.0.0.1:%1 sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n").arg(stripped.port()).toLatin1());
    trusted.close();
    LoopbackSshServer ssh;
    LoopbackS3Server s3;
    const QString user = LoopbackFtpServer::user(), password = LoopbackFtpServer::password();
    const struct {
        QUrl folder;
        QString user, password;
        bool ok;
        QString said; // the last step begins so
    } cases[] = {
        {ftp.url(QStringLiteral("new/cam")), user, password, true, QStringLiteral("A file was written into /new/cam and removed: pictures can be uploaded.")},
        {ftp.url(QStringLiteral("cam")), user, QStringLiteral("wrong"), false, QStringLiteral("Login refused for user tester: check the user name and the password.")},
        {QUrl(QStringLiteral("ftp://127.0.0.1:%1/").arg(freeLoopbackPort())), user, password, false, QStringLiteral("Nothing answers at 127.0.0.1 on port ")},
        {misnamed.url(QStringLiteral("cam")), user, password, false, QStringLiteral("The server's certificate is for example.org, not 127.0.0.1.")},
        {ftp.url(QStringLiteral("locked/cam")), user, password, false, QStringLiteral("The folder /locked/cam/ does not exist and cannot be made: 550")},
        {undeleting.url(QStringLiteral("cam")), user, password, false, QStringLiteral("A file was written into /cam but cannot be removed there (")},
        {ftp.davUrl(QStringLiteral("dav/cam")), user, password, true, QStringLiteral("A file was written into /dav/cam and removed: pictures can be uploaded.")},
        {ftp.davUrl(QStringLiteral("cam")), user, QStringLiteral("wrong"), false, QStringLiteral("Login refused for user tester: check the user name and the password.")},
        {QUrl(QStringLiteral("http://192.0.2.1/cam")), user, password, false, QStringLiteral("The address http://192.0.2.1 would send the password in clear")},
        {s3.url(QStringLiteral("cam/")), LoopbackS3Server::accessKey(), LoopbackS3Server::secretKey(), true, QStringLiteral("A file was written into /cam and removed: pictures can be uploaded.")},
        {QUrl(s3.endpoint() + QStringLiteral("/cams/path/")), LoopbackS3Server::accessKey(), LoopbackS3Server::secretKey(), true, QStringLiteral("A file was written into /cams/path and removed")},
        {s3.url(QStringLiteral("cam/")), QStringLiteral("WRONG"), LoopbackS3Server::secretKey(), false, QStringLiteral("The service refused the access key WRONG (InvalidAccessKeyId")},
        {stripped.url(QStringLiteral("cam")), user, password, false, QStringLiteral("127.0.0.1 did not offer TLS this time, and Ombrix logs in there only with TLS: nothing was sent")},
        {QUrl(ssh.address()), LoopbackSshServer::user(), LoopbackSshServer::password(), false, QStringLiteral("The SSH server [127.0.0.1]:%1 is not known").arg(ssh.port())},
    };
    ConnectionTrial trial;
    QSignalSpy finished(&trial, &ConnectionTrial::finished);
    for (const auto& c : cases) {
        if (c.folder.scheme() == QLatin1String("sftp") && !ssh.isRunning())
            continue; // no sshd of its own without root
        SCOPED_TRACE(c.folder.toString().toStdString());
        finished.clear();
        // Each server has an authority of its own.
        const QString authority = c.folder.port() == misnamed.port() ? misnamed.caPath()
                                  : c.folder.port() == undeleting.port() ? undeleting.caPath() : ftp.caPath();
        FTPTransferSettings settings{authority};
        settings.s3Endpoint = s3.endpoint();
        ASSERT_TRUE(trial.start(c.folder, c.user, c.password, settings));
        ASSERT_TRUE(finished.wait(30000));
        const QStringList steps = finished.first().at(1).toStringList();
        EXPECT_EQ(finished.first().first().toBool(), c.ok);
        EXPECT_TRUE(!steps.isEmpty() && steps.last().startsWith(c.said)) << steps.join(QLatin1Char('\n')).toStdString();
    }
    for (const char* made : {"/new/cam", "/dav/cam"})
        EXPECT_TRUE(QDir(ftp.rootPath() + QLatin1String(made)).exists() && QDir(ftp.rootPath() + QLatin1String(made)).isEmpty())
            << made << ": made, and the trial's file removed";
    EXPECT_FALSE(QDir(stripped.rootPath() + QStringLiteral("/cam")).exists()) << "no login in clear";
}

} // namespace

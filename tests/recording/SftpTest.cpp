#include "LoopbackSshServer.h"
#include "SessionFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

// Uploads over SFTP to a real OpenSSH server, as the window and the service record.
namespace {

class Sftp : public SessionFixture {
protected:
    void SetUp() override
    {
        if (!server.isRunning())
            GTEST_SKIP() << server.problem().toStdString();
        QDir().mkpath(ssh({}));
    }
    QString ssh(const QString& name) const { return home.path() + QStringLiteral("/.ssh/") + name; }
    // A key of the type in ~/.ssh (or the path given) that the server lets log in.
    void makeKey(const QString& path, const QString& type, const QString& passphrase = {})
    {
        ASSERT_TRUE(makeSshKey(path, type, passphrase));
        QFile line(path + QStringLiteral(".pub"));
        ASSERT_TRUE(line.open(QIODevice::ReadOnly) && server.authorize(line.readAll()));
    }
    // Records with the pictures' clock at `now`, uploading to the server as its account.
    void record(const QString& devices = QStringLiteral("Cam=160x120"))
    {
        clock = [this] { return now; };
        open(devices);
        ASSERT_TRUE(waitForFrame());
        store->setObject(server.address(), OXFTPServerAddress);
        store->setObject(LoopbackSshServer::user(), OXFTPUsername);
        lookUpPassword();
    }
    void lookUpPassword()
    {
        session->lookUpPassword();
        ASSERT_TRUE(QTest::qWaitFor([&] { return session->isPasswordKnown(); }, 5000));
    }
    QString knownHosts() const { return ssh(QStringLiteral("known_hosts")); }

    LoopbackSshServer server;
    QDateTime now{QDate(2026, 12, 7), QTime(9, 0)};
};

TEST_F(Sftp, PicturesArriveWholeByKeyOrPasswordAndTheAlwaysCurrentOneIsNeverSeenHalf)
{
    makeKey(ssh(QStringLiteral("id_ed25519")), QStringLiteral("ed25519"));
    QString problem;
    ASSERT_TRUE(KnownHosts::add(knownHosts(), server.hostKey(), &problem)) << problem.toStdString();
    ASSERT_EQ(runToEnd({QStringLiteral("ssh-keygen"), QStringLiteral("-H"), QStringLiteral("-f"), knownHosts()}), 0)
        << "hashed, as Debian's ssh keeps it";
    record(QStringLiteral("Cam=1280x720"));
    store->setObject(1.0f, OXImageQuality);
    sendWhileReading(server.rootPath() + QStringLiteral("/CaptureImage.jpg"));

    // By the typed password once the key is gone, through an outage in the middle of a backlog.
    QFile::remove(ssh(QStringLiteral("id_ed25519")));
    typed = LoopbackSshServer::password();
    session->passwordTyped();
    store->setObject(true, OXSaveSequenceFlag);
    server.stop();
    for (int n = 0; n < 3; ++n) {
        now = now.addSecs(1);
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    }
    // The backlog goes two at a time; the second connection's picture is refused
    // (its temporary name is taken) until the first sent its own.
    const QString blocked = server.rootPath() + QStringLiteral("/CaptureImage_20261207_090002.jpg.part");
    ASSERT_TRUE(QDir().mkpath(blocked));
    ASSERT_TRUE(server.resume());
    ASSERT_TRUE(QTest::qWaitFor([&] { return jpegsIn(server.rootPath()).size() == 2; }, 20000));
    QDir(blocked).removeRecursively();
    ASSERT_TRUE(QTest::qWaitFor([&] { return jpegsIn(server.rootPath()).size() == 4; }, 20000))
        << jpegsIn(server.rootPath()).join(QLatin1Char(' ')).toStdString();
    for (const QString& name : jpegsIn(server.rootPath()))
        EXPECT_EQ(QImage(server.rootPath() + QLatin1Char('/') + name).size(), QSize(1280, 720)) << name.toStdString();
}

TEST_F(Sftp, AnUnknownServerIsAskedAboutOnceAndAChangedKeyIsRefusedLoudly)
{
    makeKey(ssh(QStringLiteral("id_ed25519")), QStringLiteral("ed25519"));
    record();
    QList<SshHostKey> asked;
    QObject::connect(session.get(), &RecordingSession::hostKeyUnknown, [&](const SshHostKey& key) { asked << key; });
    for (int n = 0; n < 2; ++n) {
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    }
    EXPECT_TRUE(last.uploadError.description.contains(QStringLiteral("is not known: its key %1 is not in %2")
                                                          .arg(server.fingerprintBySshKeygen(), knownHosts())))
        << last.uploadError.description.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }, 5000));
    EXPECT_EQ(asked.size(), 1) << "asked once";
    EXPECT_TRUE(jpegsIn(server.rootPath()).isEmpty()) << "nothing sent to an unknown server";

    QString problem;
    ASSERT_TRUE(session->trustHostKey(asked.first(), &problem)) << problem.toStdString();
    EXPECT_EQ(runToEnd({QStringLiteral("ssh-keygen"), QStringLiteral("-F"), QStringLiteral("[127.0.0.1]:%1").arg(server.port()),
                        QStringLiteral("-f"), knownHosts()}),
              0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return jpegsIn(server.rootPath()).size() == 1; }, 10000)) << "the waiting picture goes at once";

    ASSERT_TRUE(server.resume(true)); // reinstalled, or someone in between
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(last.uploadError.description.startsWith(QStringLiteral("WARNING: the SSH key of [127.0.0.1]:%1 has CHANGED (it shows %2, but line 1 of %3")
                                                            .arg(server.port())
                                                            .arg(server.fingerprintBySshKeygen(), knownHosts())))
        << last.uploadError.description.toStdString();
}

// Refused logins say what to do, and their pictures wait in the outbox.
TEST_F(Sftp, AnRsaKeyOrAWrongPasswordIsRefusedWithWhatToDo)
{
    QString problem;
    ASSERT_TRUE(KnownHosts::add(knownHosts(), server.hostKey(), &problem));
    makeKey(home.path() + QStringLiteral("/rsa_key"), QStringLiteral("rsa"));
    const struct {
        const char* keyFile;
        const char* password;
        const char* message;
    } cases[] = {
        {"~/rsa_key", "", "refused the login of garden with the RSA key"},
        {"", "wrong", "refused the login of garden (by key and by password)"},
    };
    record();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        store->setObject(QString::fromLatin1(c.keyFile), OXSFTPKeyFile);
        typed = QString::fromLatin1(c.password);
        restart(); // the key file is read at the start
        lookUpPassword();
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
        EXPECT_TRUE(last.uploadError.description.contains(QString::fromLatin1(c.message))) << last.uploadError.description.toStdString();
        EXPECT_GE(session->outboxState().waiting, 1);
    }
    EXPECT_TRUE(last.uploadError.description.contains(QStringLiteral("The SSH server 127.0.0.1 ")));

    // A key locked with a passphrase opens with the stored (here typed) secret; the account's password is another.
    makeKey(home.path() + QStringLiteral("/locked_key"), QStringLiteral("ed25519"), QStringLiteral("open sesame"));
    store->setObject(QStringLiteral("~/locked_key"), OXSFTPKeyFile);
    typed = QStringLiteral("open sesame");
    restart();
    lookUpPassword();
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Sent) << last.uploadError.description.toStdString();
}

} // namespace

namespace {

// An FTPS server whose certificate no authority this computer trusts (its own
// authority is not handed over), as a NAS or a router has.
using SelfSignedFtps = SessionFixture;

TEST_F(SelfSignedFtps, IsRefusedWithItsKeyUntilTrustedThenOnlyThatKeyPasses)
{
    LoopbackFtpServer server;
    QByteArray pin; // as openssl computes it from the server's certificate
    ASSERT_EQ(runToEnd({QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("openssl x509 -pubkey -noout -in %1/server.pem | openssl pkey -pubin -outform der | "
                                       "openssl dgst -sha256 -binary | base64")
                            .arg(QFileInfo(server.caPath()).absolutePath())},
                       {}, &pin),
              0);
    pin = "sha256//" + pin.trimmed();
    open(QStringLiteral("Cam=160x120"));
    ASSERT_TRUE(waitForFrame());
    useServer(server.port());
    QList<TrustedCertificate> asked;
    QObject::connect(session.get(), &RecordingSession::certificateUnknown, [&](const TrustedCertificate& c) { asked << c; });
    for (int n = 0; n < 2; ++n) {
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    }
    EXPECT_TRUE(last.uploadError.description.startsWith(
        QStringLiteral("No authority this computer trusts signed the certificate of 127.0.0.1:%1 (its key is %2)")
            .arg(server.port())
            .arg(QString::fromLatin1(pin))))
        << last.uploadError.description.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }, 5000));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(jpegsIn(server.rootPath()).isEmpty());

    QString problem;
    ASSERT_TRUE(session->trustCertificate(asked.first(), &problem)) << problem.toStdString();
    // Everything delivered and told before the key changes: nothing is in flight when it does.
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 0 && !server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return settingValue(*store, OXFTPTLSHosts).contains(QStringLiteral("127.0.0.1")); }, 5000)) << "over TLS";

    // Another key for that server (a new certificate, or someone in between): refused loudly.
    QFile trusted(TrustedCertificates::defaultPath());
    ASSERT_TRUE(trusted.open(QIODevice::WriteOnly));
    trusted.write(QStringLiteral("127.0.0.1:%1 sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n").arg(server.port()).toLatin1());
    trusted.close();
    ASSERT_TRUE(tick());
    EXPECT_TRUE(last.uploadError.description.startsWith(
        QStringLiteral("WARNING: the TLS key of 127.0.0.1:%1 has CHANGED: line 1 of %2").arg(server.port()).arg(trusted.fileName())))
        << last.uploadError.description.toStdString();

    // The service's way: ombrix --trust-host asks on the terminal.
    QFile::remove(trusted.fileName());
    int status = -1;
    const QByteArray said = trustFromTerminal(QStringLiteral("127.0.0.1:%1").arg(server.port()), &status);
    EXPECT_EQ(status, 0) << said.constData();
    EXPECT_TRUE(said.contains(pin)) << said.constData();
    EXPECT_EQ(TrustedCertificates::pinFor(trusted.fileName(), QStringLiteral("127.0.0.1"), server.port()), pin);
}

} // namespace

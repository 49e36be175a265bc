#include "ChildProcess.h"
#include "DeliveryWorker.h"
#include "KnownHosts.h"
#include "LoopbackS3Server.h"
#include "Outbox.h"
#include "SessionFixture.h"
#include "TickOutcomeText.h"
#include "TinyDisk.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

namespace {

// Random bytes framed as a JPEG: its start and end markers.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes.replace(0, 2, "\xff\xd8").replace(size - 2, 2, "\xff\xd9");
}

// Over FTP and over WebDAV with TLS, one at a time and two at a time.
TEST(Delivery, AServerThatGoesAwayInTheMiddleOfUploadsEndsWithEveryPictureWhole)
{
    for (const bool dav : {false, true}) {
        SCOPED_TRACE(dav ? "WebDAV" : "FTP");
        LoopbackFtpServer::Options options;
        options.webDav = dav ? LoopbackFtpServer::Options::WebDav::Tls : LoopbackFtpServer::Options::WebDav::Off;
        LoopbackFtpServer server(options);
        QTemporaryDir outbox;
        constexpr int kPictures = 12;
        std::map<QString, QByteArray> expected;
        {
            // A backlog of large pictures, as after a long outage.
            Outbox backlog(outbox.path(), qint64(1) << 30);
            for (int n = 0; n < kPictures; ++n) {
                const QString name = QStringLiteral("pic_%1.jpg").arg(n, 2, 10, QLatin1Char('0'));
                const QByteArray bytes = noise(3 * 1024 * 1024);
                expected[name] = bytes;
                ASSERT_TRUE(backlog.add(bytes, dav ? server.davUrl(name) : server.url(name), LoopbackFtpServer::user(), false));
            }
        }
        DeliveryWorker::Settings settings;
        settings.transfer.caBundlePath = server.caPath();
        settings.outboxFolder = outbox.path();
        settings.firstRetryPause = std::chrono::milliseconds(200);
        DeliveryWorker worker(settings);
        std::atomic<int> waiting{kPictures};
        std::atomic<bool> retrying{false}; // an upload failed and its retry is scheduled
        QObject::connect(&worker, &DeliveryWorker::outboxChanged, &worker,
                         [&](const OutboxState& state) {
                             waiting = state.waiting;
                             retrying = retrying || state.nextTry.isValid();
                         },
                         Qt::DirectConnection);
        worker.start();
        worker.setPassword(QStringLiteral("127.0.0.1"), LoopbackFtpServer::password());

        // The server goes away as soon as the first picture is there, in the middle of the next.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !jpegsIn(server.rootPath()).isEmpty(); }, 20000));
        server.stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return retrying.load(); }, 20000)) << "the outage is noticed";
        ASSERT_TRUE(server.resume()) << server.problem().toStdString();

        ASSERT_TRUE(QTest::qWaitFor([&] { return waiting == 0; }, 60000)) << waiting << " still waiting";
        EXPECT_EQ(jpegsIn(server.rootPath()).size(), kPictures);
        for (const auto& [name, bytes] : expected) // a picture under its final name is whole (see the uploader's test)
            EXPECT_EQ(server.fileContents(name), bytes) << name.toStdString();
        EXPECT_TRUE(QDir(server.rootPath()).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty())
            << "every cut-off picture was sent again";
        EXPECT_TRUE(QDir(outbox.path()).entryList(QDir::Files).isEmpty());
    }
}

class DeliverySession : public SessionFixture {
protected:
    // The cameras, uploading to the server with the pictures' clock at `now`.
    void openOn(const LoopbackFtpServer& server, const QString& devices)
    {
        clock = [this] { return now; };
        open(devices, FTPTransferSettings{server.caPath()});
        ASSERT_TRUE(waitForFrame());
    }
    QDateTime now{QDate(2026, 12, 7), QTime(9, 0)};
};

// A full disk on the server is said in its words, and refuses no picture for good
// (the pause it starts is the plan's, tested in its table).
TEST_F(DeliverySession, AFullServerDiskIsSaidAndRefusesNoPictureForGood)
{
    LoopbackFtpServer::Options full;
    full.quotaFiles = 1;
    LoopbackFtpServer server(full);
    openOn(server, QStringLiteral("Garden=320x240"));
    useServer(server.port());
    store->setObject(true, OXSaveSequenceFlag);
    ASSERT_TRUE(tick());
    ASSERT_EQ(last.upload, TickOutcome::Upload::Sent) << "the one file the account may hold";
    now = now.addSecs(1);
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(last.uploadError.description.startsWith(QStringLiteral("The server's disk is full (552 Quota exceeded")))
        << last.uploadError.description.toStdString();
    EXPECT_EQ(session->outboxState().setAside, 0);
}

TEST_F(DeliverySession, ASlowServerHoldsNeitherTheSavesNorTheQuit)
{
    LoopbackFtpServer::Options slow;
    slow.kilobytesPerSecond = 10;
    LoopbackFtpServer server(slow);
    openOn(server, QStringLiteral("Garden=1280x720"));
    saveTo(home.path(), true);
    store->setObject(1.0f, OXImageQuality);
    useServer(server.port());
    const auto arriving = [&] { return QDir(server.rootPath()).entryList({QStringLiteral("*.part")}, QDir::Files); };
    for (int n = 1; n <= 3; ++n) {
        now = now.addSecs(1);
        session->tick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return jpegsIn(home.path()).size() == n; }, 3000)) << "picture " << n << " saved at once";
        // The next ticks come while the first picture crawls to the server.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !arriving().isEmpty(); }, 5000));
    }
    EXPECT_TRUE(jpegsIn(server.rootPath()).isEmpty()) << "the first upload is still under way";
    QElapsedTimer quitting;
    quitting.start();
    session.reset();
    EXPECT_LT(quitting.elapsed(), 1000);
    EXPECT_EQ(jpegsIn(outboxFolder()).size(), 3) << "kept for the next start";
}

TEST_F(DeliverySession, APictureTheOutboxCannotKeepIsTriedOnceAndSaidNotKeptWhenThatFails)
{
    TinyDisk disk(QStringLiteral("64k"));
    if (!disk.isMounted())
        GTEST_SKIP() << "a small disk of its own needs root (mount -t tmpfs)";
    LoopbackFtpServer server;
    open(QStringLiteral("Garden=320x240"), FTPTransferSettings{server.caPath()});
    services.outboxFolder = disk.path();
    restart();
    ASSERT_TRUE(disk.fill());
    ASSERT_TRUE(waitForFrame());
    useServer(server.port());
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Sent) << last.uploadError.description.toStdString();
    EXPECT_FALSE(server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty());
    server.stop();
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::NotKept);
    EXPECT_TRUE(logLine(last, 0).contains(QStringLiteral(": not kept: The picture could not be kept"))) << logLine(last, 0).toStdString();
    EXPECT_FALSE(logLine(last, 0).contains(QStringLiteral("kept in the outbox")));
}

TEST_F(DeliverySession, PicturesKeptWhileTheServerWasAwayAreSentByTheNextStartTheSingleOneOnlyNewest)
{
    LoopbackFtpServer server;
    server.stop();
    openOn(server, QStringLiteral("Garden=320x240"));
    useServer(server.port());

    store->setObject(true, OXSaveSequenceFlag);
    for (int n = 0; n < 2; ++n) {
        ASSERT_TRUE(tick());
        now = now.addSecs(1); // a new second, a new name
    }
    store->setObject(false, OXSaveSequenceFlag);
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(tick());
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 3; }, 5000))
        << "two of the sequence, and the newest single picture: " << session->outboxState().waiting;
    Outbox kept(outboxFolder(), qint64(1) << 30);
    const QByteArray newestSingle = *kept.picture(kept.items().back());

    session.reset(); // Ombrix quits while the server is away
    ASSERT_TRUE(server.resume());
    restart();
    session->lookUpPassword();

    ASSERT_TRUE(QTest::qWaitFor([&] { return jpegsIn(server.rootPath()).size() == 3; }, 20000))
        << jpegsIn(server.rootPath()).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(server.fileContents(QStringLiteral("CaptureImage.jpg")), newestSingle);
    EXPECT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 0; }, 5000));
    EXPECT_TRUE(QDir(outboxFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(DeliverySession, PastTheOutboxBoundTheOldestAreDroppedAndTheStatusLineSaysSo)
{
    open(QStringLiteral("Garden=1280x720"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(1, OXOutboxLimitMB);
    restart(); // the bound is read at start
    store->setObject(1.0f, OXImageQuality);
    store->setObject(true, OXSaveSequenceFlag);
    useServer(1); // nothing listens there: every upload fails at once

    for (int n = 0; n < 40 && session->outboxState().dropped == 0; ++n) {
        ASSERT_TRUE(tick());
    }
    ASSERT_GT(session->outboxState().dropped, 0);
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(outboxFolder()).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files))
        bytes += file.size();
    EXPECT_LE(bytes, 1024 * 1024);
    EXPECT_EQ(session->outboxState().waiting, QDir(outboxFolder()).entryList({QStringLiteral("*.jpg")}, QDir::Files).size())
        << "what the status line counts is what the folder holds";
}

TEST_F(DeliverySession, AnUploadStuckOnASilentServerHoldsNeitherTheEventLoopNorQuitting)
{
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    open(QStringLiteral("Garden=320x240"));
    ASSERT_TRUE(waitForFrame());
    useServer(silent.port());

    session->tick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 1; }, 5000));

    // The event loop goes on while the upload waits on the server.
    int fired = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++fired; });
    heartbeat.start(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired > 50; }, 5000));
    EXPECT_EQ(ended, 0) << "the upload is still waiting";

    QElapsedTimer quitting;
    quitting.start();
    session.reset();
    EXPECT_LT(quitting.elapsed(), 1000);
    EXPECT_EQ(QDir(outboxFolder()).entryList({QStringLiteral("*.jpg")}, QDir::Files).size(), 1)
        << "the abandoned picture is kept for the next start";
}

// Saving stops at the floor (1 % of the disk here), never at its last byte, and a
// read-only disk is named as the system names it; saving resumes with room.
TEST_F(DeliverySession, AFullOrReadOnlyDiskIsSaidAndSavingResumesWhenSpaceReturns)
{
    TinyDisk disk(QStringLiteral("1M"));
    if (!disk.isMounted())
        GTEST_SKIP() << "a small disk of its own needs root (mount -t tmpfs)";
    open(QStringLiteral("Garden=1280x720"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(disk.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(1.0f, OXImageQuality);
    store->setObject(0, OXAlertAfterMinutes); // a failing save is told at once
    for (const qint64 room : {40 * 1024, 0}) { // some room, but not enough for a picture; none at all
        ASSERT_TRUE(disk.fill(room));
        ASSERT_TRUE(tick());
        EXPECT_TRUE(last.saveProblem.startsWith(QStringLiteral("the disk is nearly full"))) << last.saveProblem.toStdString();
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("filler")})
            << "no partial or empty picture is left";
    }

    QFile::remove(disk.path() + QStringLiteral("/filler"));
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.save, TickOutcome::Save::Saved) << last.saveProblem.toStdString();
    EXPECT_TRUE(QImage(disk.path() + QStringLiteral("/CaptureImage.jpg")).size() == QSize(1280, 720));

    // Read-only (root writes anywhere else): said as the system says it, and saving resumes.
    ASSERT_EQ(runToEnd({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,ro"), disk.path()}), 0);
    ASSERT_TRUE(tick());
    EXPECT_TRUE(last.saveProblem.contains(QString::fromLocal8Bit(std::strerror(EROFS))) ||
                last.saveProblem.contains(QStringLiteral("is not writable")))
        << last.saveProblem.toStdString();
    ASSERT_EQ(runToEnd({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,rw"), disk.path()}), 0);
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.save, TickOutcome::Save::Saved) << last.saveProblem.toStdString();
    EXPECT_EQ(events, words(QStringLiteral("disk-full disk-back saving-failing saving-back")));
}

TEST_F(DeliverySession, AServerOnceReachedOverTlsNeverGetsThePasswordInClear)
{
    LoopbackFtpServer secure;
    open(QStringLiteral("Garden=320x240"), FTPTransferSettings{secure.caPath()});
    ASSERT_TRUE(waitForFrame());
    useServer(secure.port());
    ASSERT_TRUE(tick());
    ASSERT_FALSE(secure.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->objectForKey(OXFTPTLSHosts).toString() == QStringLiteral("127.0.0.1"); }, 5000))
        << store->objectForKey(OXFTPTLSHosts).toString().toStdString();

    // Someone between Ombrix and the host now strips the TLS offer.
    LoopbackFtpServer stripped({LoopbackFtpServer::Tls::Off});
    restart();
    useServer(stripped.port());
    const auto refusedInClear = [&] {
        ASSERT_TRUE(tick());
        ASSERT_EQ(last.upload, TickOutcome::Upload::Failed);
        EXPECT_TRUE(last.uploadError.description.startsWith(QStringLiteral("127.0.0.1 did not offer TLS this time")))
            << last.uploadError.description.toStdString();
        EXPECT_TRUE(stripped.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty()) << "no login in clear";
    };
    refusedInClear();

    // Trusted by its key, before it is remembered as speaking TLS: the key makes TLS a must.
    store->setObject(QString(), OXFTPTLSHosts);
    QDir().mkpath(QFileInfo(TrustedCertificates::defaultPath()).path());
    QFile trusted(TrustedCertificates::defaultPath());
    ASSERT_TRUE(trusted.open(QIODevice::WriteOnly));
    trusted.write(QStringLiteral("127.0.0.1:%1 sha256//AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n").arg(stripped.port()).toLatin1());
    trusted.close();
    restart();
    useServer(stripped.port());
    refusedInClear();

    // A host that never spoke TLS, and is not trusted by a key, keeps working without it.
    QFile::remove(trusted.fileName());
    restart();
    useServer(stripped.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !stripped.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty(); }, 10000))
        << "the kept picture goes out once TLS is not required";
}

// WebDAV over HTTPS: a server no authority vouches for is asked about and then
// trusted by its key; the always-current picture is never seen half; a wrong
// password keeps the pictures until the right one comes.
TEST_F(DeliverySession, OverWebDavPicturesArriveWholeAndWaitThroughAWrongPassword)
{
    LoopbackFtpServer::Options options;
    options.webDav = LoopbackFtpServer::Options::WebDav::Tls;
    LoopbackFtpServer server(options);
    clock = [this] { return now; };
    open(QStringLiteral("Cam=1280x720")); // the system's authorities only: the test's is not among them
    ASSERT_TRUE(waitForFrame());
    QList<TrustedCertificate> asked;
    QObject::connect(session.get(), &RecordingSession::certificateUnknown, [&](const TrustedCertificate& c) { asked << c; });
    useServer(server.davUrl(QStringLiteral("web")).toString());
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(last.uploadError.description.startsWith(
        QStringLiteral("No authority this computer trusts signed the certificate of 127.0.0.1:%1").arg(server.davPort())))
        << last.uploadError.description.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty(); }, 5000));
    // Trusted as on the service's machine: ombrix --trust-host asks on the terminal.
    int status = -1;
    const QByteArray said = trustFromTerminal(QStringLiteral("https://127.0.0.1:%1").arg(server.davPort()), &status);
    EXPECT_EQ(status, 0) << said.constData();
    EXPECT_TRUE(said.contains(asked.first().pin)) << "the key the window would show";
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 0; }, 10000)) << "the kept picture went";

    sendWhileReading(server.rootPath() + QStringLiteral("/web/CaptureImage.jpg"));

    typed = QStringLiteral("wrong");
    session->passwordTyped();
    store->setObject(true, OXSaveSequenceFlag);
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(last.uploadError.description.startsWith(QStringLiteral("The server refused the login (HTTP/")))
        << last.uploadError.description.toStdString();
    EXPECT_EQ(session->outboxState().waiting, 1);
    typed = LoopbackFtpServer::password();
    session->passwordTyped();
    EXPECT_TRUE(QTest::qWaitFor([&] { return jpegsIn(server.rootPath() + QStringLiteral("/web")).size() == 2; }, 10000))
        << jpegsIn(server.rootPath() + QStringLiteral("/web")).join(QLatin1Char(' ')).toStdString();
}

// S3 through a real service: the always-current picture and a sequence, a wrong
// access key said plainly with the pictures kept, an outage in the middle of a
// backlog, and the rules for old pictures on the service touching the sequence only.
TEST_F(DeliverySession, OverS3PicturesArriveThroughAWrongKeyAndAnOutageAndOldOnesGo)
{
    LoopbackS3Server service;
    ASSERT_TRUE(service.isRunning());
    const QStringList others{QStringLiteral("web/cam2_20200101_000000.jpg"), QStringLiteral("web/notes.txt"),
                             QStringLiteral("elsewhere/CaptureImage_20200101_000000.jpg")};
    for (const QString& key : others + QStringList{QStringLiteral("web/CaptureImage_20200101_000000.jpg")})
        ASSERT_TRUE(service.put(key, noise(1000)));
    clock = [this] { return now; };
    open(QStringLiteral("Cam=320x240"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(service.endpoint(), OXS3Endpoint);
    store->setObject(30, OXKeepDaysOnServer);
    restart();
    QString cleaned;
    QObject::connect(session.get(), &RecordingSession::serverCleaned,
                     [&](const QString& host, int removed) { cleaned = QStringLiteral("%1 %2").arg(host).arg(removed); });
    store->setObject(service.url(QStringLiteral("web/")).toString(), OXFTPServerAddress);
    store->setObject(QStringLiteral("WRONG"), OXFTPUsername);
    typed = LoopbackS3Server::secretKey();
    session->lookUpPassword();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->isPasswordKnown(); }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(last.uploadError.description.startsWith(QStringLiteral("The service refused the access key WRONG (InvalidAccessKeyId")))
        << last.uploadError.description.toStdString();

    store->setObject(true, OXSaveSequenceFlag);
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    store->setObject(false, OXSaveSequenceFlag);

    // The corrected access key takes the waiting sequence picture along too.
    store->setObject(LoopbackS3Server::accessKey(), OXFTPUsername);
    ASSERT_TRUE(tick()); // the always-current picture waiting takes the newer one's place
    EXPECT_EQ(last.upload, TickOutcome::Upload::Sent) << last.uploadError.description.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().waiting == 0; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return cleaned == QStringLiteral("cams 1"); }, 10000)) << cleaned.toStdString();
    EXPECT_EQ(service.keys(), (QStringList{QStringLiteral("elsewhere/CaptureImage_20200101_000000.jpg"), QStringLiteral("web/CaptureImage.jpg"),
                                           QStringLiteral("web/CaptureImage_") + now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".jpg"),
                                           QStringLiteral("web/cam2_20200101_000000.jpg"), QStringLiteral("web/notes.txt")}));

    store->setObject(true, OXSaveSequenceFlag);
    service.stop();
    for (int n = 0; n < 3; ++n) {
        now = now.addSecs(1);
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
    }
    ASSERT_TRUE(service.resume()) << service.problem().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.keys(QStringLiteral("web/CaptureImage_")).size() == 4; }, 20000))
        << service.keys().join(QLatin1Char(' ')).toStdString();
    for (const QString& key : service.keys(QStringLiteral("web/CaptureImage_")))
        EXPECT_EQ(QImage::fromData(service.object(key)).size(), QSize(320, 240)) << key.toStdString();
}

} // namespace

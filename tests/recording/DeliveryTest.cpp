#include "ChildProcess.h"
#include "DeliveryWorker.h"
#include "Outbox.h"
#include "SessionFixture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

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

TEST(Delivery, AServerThatGoesAwayInTheMiddleOfUploadsEndsWithEveryPictureWhole)
{
    LoopbackFtpServer server;
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
            ASSERT_TRUE(backlog.add(bytes, server.url(name), LoopbackFtpServer::user(), false));
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

using DeliverySession = SessionFixture;

TEST_F(DeliverySession, PicturesKeptWhileTheServerWasAwayAreSentByTheNextStartTheSingleOneOnlyNewest)
{
    LoopbackFtpServer server;
    server.stop();
    QDateTime now(QDate(2026, 12, 6), QTime(9, 0));
    clock = [&] { return now; };
    open(QStringLiteral("Garden=320x240"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
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

// A small file system of its own, mounted for one test (root only).
class TinyDisk {
public:
    explicit TinyDisk(const QString& size)
    {
        m_mounted = runToEnd(words(QStringLiteral("mount -t tmpfs -o size=%1 tmpfs %2").arg(size, m_dir.path()))) == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            runToEnd({QStringLiteral("umount"), m_dir.path()});
    }
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

TEST_F(DeliverySession, AFullDiskIsNamedAsTheSystemNamesItAndSavingResumesWhenSpaceReturns)
{
    TinyDisk disk(QStringLiteral("256k"));
    if (!disk.isMounted())
        GTEST_SKIP() << "a small disk of its own needs root (mount -t tmpfs)";
    open(QStringLiteral("Garden=1280x720"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(disk.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(1.0f, OXImageQuality);
    QFile filler(disk.path() + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    filler.resize(filler.size() - 40 * 1024); // some room, but not enough for a picture

    ASSERT_TRUE(tick());
    EXPECT_TRUE(last.saveProblem.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << last.saveProblem.toStdString();
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("filler")})
        << "no partial picture is left";

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
    ASSERT_TRUE(tick());
    ASSERT_EQ(last.upload, TickOutcome::Upload::Failed);
    EXPECT_TRUE(stripped.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty()) << "no login in clear";

    // A host that never spoke TLS keeps working without it.
    store->setObject(QString(), OXFTPTLSHosts);
    restart();
    useServer(stripped.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !stripped.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty(); }, 10000))
        << "the kept picture goes out once TLS is not required";
}

} // namespace

#include "DiskKeeper.h"
#include "SessionFixture.h"
#include "TinyDisk.h"

#include <QDirIterator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kKB = 1024;

void writeFile(const QString& path, qint64 bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

// "shed_yyyyMMdd_HHmmss.jpg" of that many days ago, an hour later: clear of a rule's cut.
QString daysAgo(int days, const QString& base = QStringLiteral("shed"))
{
    return base + QDateTime::currentDateTime().addDays(-days).addSecs(3600).toString(QStringLiteral("_yyyyMMdd_HHmmss")) + QStringLiteral(".jpg");
}

// Sixty days of one 10 kB picture a day, and files no rule may touch.
TEST(DiskKeeper, EachRuleAndTheirCombinationsRemoveTheOldestOfTheSequenceOnly)
{
    const QStringList survivors{QStringLiteral("shed2_20200101_000000.jpg"), QStringLiteral("notes.txt"),
                                QStringLiteral("shed.jpg"),                  QStringLiteral("shed_20200101.webm"),
                                QStringLiteral("shed_20201301_000000.jpg"),  QStringLiteral("old/shed_20200101_000000.jpg")};
    const struct {
        KeepRules rules;
        int kept; // the newest of the sixty
    } cases[] = {
        {{}, 60},
        {{30, 0, 0}, 31},
        {{0, 200 * kKB, 0}, 20},
        {{30, 100 * kKB, 0}, 10},
        {{90, 1000 * kKB, 0}, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        QTemporaryDir folder;
        QStringList days; // newest first, named once: the clock moves on while the test runs
        for (int day = 0; day < 60; ++day)
            writeFile(folder.filePath((days << daysAgo(day)).last()), 10 * kKB);
        const QString counted = QString(days.last()).replace(QStringLiteral(".jpg"), QStringLiteral("_2.jpg")); // as old
        writeFile(folder.filePath(counted), 0);
        for (const QString& name : survivors)
            writeFile(folder.filePath(name), kKB);
        DiskKeeper keeper;
        QObject here; // the reports come to this thread, queued
        std::vector<CleanupReport> cleaned;
        QObject::connect(&keeper, &DiskKeeper::cleaned, &here, [&](const CleanupReport& report) { cleaned.push_back(report); });
        keeper.setRules(c.rules);
        keeper.setPlace(SequencePlace{folder.path(), QStringLiteral("shed")});
        keeper.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !cleaned.empty(); }, 5000));
        QStringList expected = survivors + days.mid(0, c.kept) + (c.kept == 60 ? QStringList{counted} : QStringList());
        QStringList left;
        for (QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            left << QDir(folder.path()).relativeFilePath(it.next());
        left.sort();
        expected.sort();
        EXPECT_EQ(left.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(cleaned.back().kept, c.kept + (c.kept == 60 ? 1 : 0));
    }
}

using DiskSession = SessionFixture;

// On a disk of its own, the free-space rule removes the oldest as recording goes on.
TEST_F(DiskSession, TheFreeSpaceRuleKeepsRoomRemovingTheOldestFirst)
{
    TinyDisk disk(QStringLiteral("4M"));
    if (!disk.isMounted())
        GTEST_SKIP() << "a small disk of its own needs root (mount -t tmpfs)";
    QStringList old;
    for (int day = 10; day > 0; --day)
        writeFile(disk.path() + QLatin1Char('/') + (old << daysAgo(day, QStringLiteral("CaptureImage"))).last(), 200 * kKB);
    open(QStringLiteral("Garden=1280x720"));
    ASSERT_TRUE(waitForFrame());
    saveTo(disk.path(), true);
    store->setObject(1.0f, OXImageQuality);
    store->setObject(2, OXKeepFreeMB);
    for (int n = 0; n < 4; ++n) {
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.save, TickOutcome::Save::Saved) << last.saveProblem.toStdString();
    }
    const auto freeNow = [&] { return session->cleanup() ? session->cleanup()->freeBytes : -1; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return freeNow() >= 2 * 1024 * kKB; }, 5000)) << freeNow();
    const auto removedNow = [&] {
        const QStringList left = jpegsIn(disk.path());
        return int(std::count_if(old.begin(), old.end(), [&](const QString& name) { return !left.contains(name); }));
    };
    // The keeper may still be at work: its report and the disk agree once it rests.
    EXPECT_TRUE(QTest::qWaitFor([&] { return session->cleanup()->removedToday == removedNow(); }, 5000));
    const int removed = removedNow();
    EXPECT_GT(removed, 0);
    EXPECT_EQ(old.mid(removed), QStringList(jpegsIn(disk.path()).mid(0, old.size() - removed))) << "the oldest went first";
}

// On the server, over FTP and WebDAV (plain HTTP: this machine may have the password
// so): the sequence's pictures older than the rule go; nothing else does, not even
// another camera's sequence in the same folder.
TEST_F(DiskSession, OldPicturesOfTheSequenceAreRemovedFromTheServerAndNothingElse)
{
    LoopbackFtpServer::Options options;
    options.webDav = LoopbackFtpServer::Options::WebDav::Plain;
    LoopbackFtpServer server(options);
    const QStringList kept{daysAgo(29, QStringLiteral("cam1")), daysAgo(90, QStringLiteral("cam2")), daysAgo(90, QStringLiteral("cam10")),
                           daysAgo(90, QStringLiteral("Other")), QStringLiteral("cam1.jpg"), QStringLiteral("notes.txt")};
    open(QStringLiteral("Garden=160x120"), FTPTransferSettings{server.caPath()});
    store->setObject(QStringLiteral("cam1"), OXImageFilename);
    store->setObject(30, OXKeepDaysOnServer);
    QString said;
    QObject::connect(session.get(), &RecordingSession::serverCleaned,
                     [&](const QString& host, int removed) { said = QStringLiteral("%1 %2").arg(host).arg(removed); });
    for (const QString& address : {server.url(QString()).toString(), server.davUrl(QString()).toString()}) {
        SCOPED_TRACE(address.toStdString());
        for (const QString& name : kept + QStringList{daysAgo(31, QStringLiteral("cam1")), daysAgo(90, QStringLiteral("cam1"))})
            writeFile(server.rootPath() + QLatin1Char('/') + name, kKB);
        said.clear();
        useServer(address);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !said.isEmpty(); }, 10000));
        EXPECT_EQ(said, QStringLiteral("127.0.0.1 2"));
        QStringList left = QDir(server.rootPath()).entryList(QDir::Files);
        left.sort();
        QStringList expected = kept;
        expected.sort();
        EXPECT_EQ(left, expected);
    }
}

} // namespace

#include "Outbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QUrl kSingle(QStringLiteral("ftp://cam.example/web/CaptureImage.jpg"));

QUrl sequenceUrl(int n)
{
    return QUrl(QStringLiteral("ftp://cam.example/web/CaptureImage_%1.jpg").arg(n));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

TEST(Outbox, KeepsPicturesOldestFirstAcrossARestartAndClearsHalfEntries)
{
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/state/outbox");
    // The last is a day's film, kept under its own suffix.
    const auto urlOf = [](int n) { return n < 2 ? sequenceUrl(n) : QUrl(QStringLiteral("ftp://cam.example/web/Cam_20261207.mp4")); };
    {
        const mode_t umaskBefore = ::umask(022); // as most users have it: folders readable by all
        Outbox box(folder, qint64(1) << 30);
        ::umask(umaskBefore);
        EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0) << "nobody else reads what waits for a private server";
        for (int n = 0; n < 3; ++n)
            ASSERT_TRUE(box.add(QByteArray(100 + n, char('a' + n)), urlOf(n), QStringLiteral("cam"), false));
    }
    // What a kill in the middle of a write, or a hand-edited folder, leaves behind.
    for (const auto& [name, bytes] : {std::pair{"stray.jpg", "x"}, {"stray.mp4", "x"}, {"lost.json", "{\"url\":\"ftp://a/b.jpg\"}"},
                                     {"999999999999999-9999.json", "not json"}}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    Outbox again(folder, qint64(1) << 30);
    ASSERT_EQ(again.items().size(), 3u);
    for (int n = 0; n < 3; ++n) {
        const Outbox::Item& item = again.items()[n];
        EXPECT_EQ(item.url, urlOf(n));
        EXPECT_EQ(item.username, QStringLiteral("cam"));
        EXPECT_FALSE(item.replaceable);
        EXPECT_EQ(again.picture(item), QByteArray(100 + n, char('a' + n)));
    }
    EXPECT_EQ(filesIn(folder).size(), 6) << filesIn(folder).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(filesIn(folder).filter(QStringLiteral(".mp4")), QStringList(again.items()[2].id + QStringLiteral(".mp4")));

    ASSERT_TRUE(again.setAside(again.items()[1].id, QStringLiteral("refused"), QDateTime(QDate(2030, 1, 1), QTime(0, 0))));
    again.remove(again.items().front().id);
    again.remove(QStringLiteral("no-such-id"));
    const Outbox third(folder, qint64(1) << 30);
    ASSERT_EQ(third.items().size(), 2u);
    EXPECT_TRUE(third.items()[0].setAside);
    EXPECT_EQ(third.items()[0].problem, QStringLiteral("refused"));
    EXPECT_EQ(third.items()[0].retryAfter, QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    EXPECT_FALSE(third.items()[1].setAside);
}

TEST(Outbox, ANewerSinglePictureReplacesTheOneWaitingForTheSameAddressOnly)
{
    QTemporaryDir dir;
    Outbox box(dir.path(), qint64(1) << 30);
    const QUrl elsewhere(QStringLiteral("ftp://other.example/CaptureImage.jpg"));
    ASSERT_TRUE(box.add("old", kSingle, QString(), true));
    ASSERT_TRUE(box.add("other", elsewhere, QString(), true));
    ASSERT_TRUE(box.add("in sequence", sequenceUrl(1), QString(), false));
    ASSERT_TRUE(box.add("new", kSingle, QString(), true));

    ASSERT_EQ(box.items().size(), 3u);
    EXPECT_EQ(box.picture(box.items()[0]), QByteArray("other"));
    EXPECT_EQ(box.picture(box.items()[1]), QByteArray("in sequence"));
    EXPECT_EQ(box.picture(box.items()[2]), QByteArray("new"));
    EXPECT_EQ(box.droppedCount(), 0) << "a replaced picture is not a lost one";
    EXPECT_EQ(filesIn(dir.path()).size(), 6);
}

TEST(Outbox, PastItsBoundTheOldestGoFirstAndAreCounted)
{
    QTemporaryDir dir;
    Outbox box(dir.path(), 2500);
    for (int n = 0; n < 5; ++n)
        ASSERT_TRUE(box.add(QByteArray(1000, char('0' + n)), sequenceUrl(n), QString(), false));
    ASSERT_EQ(box.items().size(), 2u);
    EXPECT_EQ(box.items()[0].url, sequenceUrl(3));
    EXPECT_EQ(box.items()[1].url, sequenceUrl(4));
    EXPECT_EQ(box.droppedCount(), 3);
    EXPECT_EQ(box.totalBytes(), 2000);
    EXPECT_EQ(filesIn(dir.path()).size(), 4);

    // The newest picture stays even when it alone is past the bound.
    ASSERT_TRUE(box.add(QByteArray(4000, 'x'), sequenceUrl(9), QString(), false));
    ASSERT_EQ(box.items().size(), 1u);
    EXPECT_EQ(box.items()[0].url, sequenceUrl(9));
    EXPECT_EQ(box.droppedCount(), 5);
}

TEST(Outbox, APictureThatCannotBeWrittenIsRefusedWithTheReason)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/outbox");
    Outbox box(folder, qint64(1) << 30);
    QDir(folder).removeRecursively();
    QFile blocker(folder); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString problem;
    EXPECT_FALSE(box.add("picture", kSingle, QString(), true, &problem));
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_TRUE(box.isEmpty());
}

} // namespace

#include "TempHome.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QString kInt = QStringLiteral("OXRecordingInterval");
const QString kFloat = QStringLiteral("OXImageQuality");
const QString kText = QStringLiteral("OXImageFilename");
const QString kFlag = QStringLiteral("OXSaveToDiskFlag");

UserDefaults::Registration registration()
{
    return {{kInt, QVariant(10)}, {kFloat, QVariant(0.5f)}, {kText, QVariant(QStringLiteral("CaptureImage"))}};
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class UserDefaultsTest : public ::testing::Test {
protected:
    TempHome home;
    QString file = home.configFile();
};

TEST_F(UserDefaultsTest, UserValuesWinSurviveRestartsAndKeepTheirForm)
{
    {
        UserDefaults store(file);
        store.registerDefaults(registration());
        EXPECT_EQ(store.objectForKey(kInt), QVariant(10));
        EXPECT_FALSE(store.objectForKey(kFlag).isValid()) << "an unregistered key that was never written is absent";
        EXPECT_FALSE(store.boolForKey(kFlag));

        store.setObject(20, kInt);
        store.setObject(0.75f, kFloat);
        store.setObject(true, kFlag);
        EXPECT_EQ(store.objectForKey(kInt), QVariant(20)) << "seen by the next read at once";
    }
    EXPECT_FALSE(readAll(file).contains("CaptureImage")) << "the registration layer is never written";

    UserDefaults restarted(file);
    restarted.registerDefaults(registration()); // registration at the next launch overwrites nothing
    EXPECT_EQ(restarted.objectForKey(kInt), QVariant(20));
    EXPECT_EQ(restarted.objectForKey(kInt).typeId(), QMetaType::Int);
    EXPECT_EQ(restarted.objectForKey(kFloat).typeId(), QMetaType::Float);
    EXPECT_FLOAT_EQ(restarted.objectForKey(kFloat).toFloat(), 0.75f);
    EXPECT_TRUE(restarted.boolForKey(kFlag));
    EXPECT_EQ(restarted.objectForKey(kText), QVariant(QStringLiteral("CaptureImage")));
    EXPECT_TRUE(restarted.loadProblem().isEmpty());
}

TEST_F(UserDefaultsTest, EveryWriteNotifiesObserversOfThatKey)
{
    UserDefaults store(file);
    QSignalSpy spy(&store, &UserDefaults::valueChanged);
    store.setObject(true, kFlag);
    store.setObject(true, kFlag); // the same value again still notifies
    store.setObject(QStringLiteral("x"), kText);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), kFlag);
    EXPECT_EQ(spy.at(1).at(0).toString(), kFlag);
    EXPECT_EQ(spy.at(2).at(0).toString(), kText);
}

TEST_F(UserDefaultsTest, ValuesOfTheWrongFormReadAsTheDefault)
{
    writeAll(file, "[General]\nOXRecordingInterval=soon\nOXImageQuality=nan\nOXImageFilename=Garden, east\n"
                   "OXSaveToDiskFlag=yes\nOXSaveSequenceFlag=maybe"); // as editors leave it: no last newline
    UserDefaults store(file);
    store.registerDefaults(registration());
    EXPECT_EQ(store.loadProblem(), QString()) << "nothing in it is damaged";
    EXPECT_EQ(store.objectForKey(kInt), QVariant(10));
    EXPECT_EQ(store.objectForKey(kFloat), QVariant(0.5f));
    EXPECT_EQ(store.objectForKey(kText), QVariant(QStringLiteral("Garden, east"))) << "unquoted commas are text";
    EXPECT_TRUE(store.boolForKey(kFlag));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("OXSaveSequenceFlag"))) << "an unrecognised text does not switch on";
}

TEST_F(UserDefaultsTest, GarbageFileIsReadAsFarAsPossibleAndKeptBeforeTheFirstWrite)
{
    const QByteArray garbage = QByteArray("[General]\nOXImageFilename=Mine\n\x01\x02\xff\xfe binary junk\0\0\n", 45);
    writeAll(file, garbage);

    UserDefaults store(file);
    store.registerDefaults(registration());
    EXPECT_FALSE(store.loadProblem().isEmpty());
    EXPECT_EQ(store.objectForKey(kInt), QVariant(10));
    EXPECT_EQ(readAll(file), garbage) << "nothing is written before the user changes a setting";

    store.setObject(30, kInt);
    ASSERT_FALSE(store.backupPath().isEmpty());
    EXPECT_EQ(readAll(store.backupPath()), garbage);
    UserDefaults restarted(file);
    EXPECT_EQ(restarted.objectForKey(kInt).toInt(), 30);
    EXPECT_EQ(restarted.objectForKey(kText), QVariant(QStringLiteral("Mine"))) << "what could be read is kept";
    EXPECT_TRUE(restarted.loadProblem().isEmpty()) << "the rewritten file is clean";
    EXPECT_FALSE(readAll(file).contains("junk"));

    store.setObject(40, kInt);
    EXPECT_EQ(QDir(QFileInfo(file).path()).entryList({QStringLiteral("*.damaged-*")}).size(), 1) << "one copy, once";
}

TEST_F(UserDefaultsTest, TruncatedFileKeepsWhatItHolds)
{
    writeAll(file, "[General]\nOXImageFilename=Mine\nOXRecordingInt");
    UserDefaults store(file);
    store.registerDefaults(registration());
    EXPECT_FALSE(store.loadProblem().isEmpty());
    EXPECT_EQ(store.objectForKey(kText), QVariant(QStringLiteral("Mine")));
    EXPECT_EQ(store.objectForKey(kInt), QVariant(10));
}

TEST_F(UserDefaultsTest, UnreadableFileIsLeftAloneAndChangesLastTheSession)
{
    QDir().mkpath(file); // a folder where the file should be cannot be read as one
    UserDefaults store(file);
    store.registerDefaults(registration());
    EXPECT_FALSE(store.loadProblem().isEmpty());
    QSignalSpy spy(&store, &UserDefaults::valueChanged);
    store.setObject(15, kInt);
    EXPECT_EQ(store.objectForKey(kInt), QVariant(15));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(store.saveProblem().isEmpty()) << "nothing was attempted on disk";
    EXPECT_TRUE(QFileInfo(file).isDir());
}

} // namespace

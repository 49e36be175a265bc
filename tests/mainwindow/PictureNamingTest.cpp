#include "SettingsTable.h"
#include "PictureNaming.h"
#include "PictureSequence.h"
#include "TempHome.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <memory>

namespace {

const QDateTime kTick(QDate(2024, 3, 5), QTime(14, 7, 9));

class Naming : public ::testing::Test {
protected:
    Naming()
    {
        registerSettingDefaults(store);
        store.setObject(QStringLiteral("~/Downloads"), OXSaveToDiskPath);
    }
    PictureNaming naming(QDateTime tick = kTick) { return PictureNaming(&store, [tick] { return tick; }); }
    QString home() const { return QDir::homePath(); }

    TempHome tempHome;
    UserDefaults store{tempHome.configFile()};
};

TEST_F(Naming, SingleAndSequenceFormsOfTheWorkedExamples)
{
    EXPECT_EQ(naming().imageWithSequence(false), QStringLiteral("CaptureImage.jpg"));
    EXPECT_EQ(naming().composedSaveToDiskPath(), home() + QStringLiteral("/Downloads/CaptureImage.jpg"));

    store.setObject(true, OXSaveSequenceFlag);
    EXPECT_EQ(naming().composedSaveToDiskPath(), home() + QStringLiteral("/Downloads/CaptureImage_20240305_140709.jpg"));
    EXPECT_EQ(naming(QDateTime(QDate(2025, 1, 1), QTime(9, 5, 3))).imageWithSequence(true),
              QStringLiteral("CaptureImage_20250101_090503.jpg"))
        << "zero-padded, 24-hour clock";

    store.setObject(QStringLiteral("Garden cam"), OXImageFilename);
    EXPECT_EQ(naming().composedSaveToDiskPath(), home() + QStringLiteral("/Downloads/Garden cam_20240305_140709.jpg"));
}

TEST_F(Naming, OddBaseNamesAndFoldersAreUsedAsStored)
{
    store.setObject(QStringLiteral("CaptureImage.jpg"), OXImageFilename);
    EXPECT_EQ(naming().imageWithSequence(false), QStringLiteral("CaptureImage.jpg.jpg"));
    store.setObject(QStringLiteral("cams/front"), OXImageFilename);
    store.setObject(QStringLiteral("/srv/webcam/"), OXSaveToDiskPath);
    EXPECT_EQ(naming().composedSaveToDiskPath(), QStringLiteral("/srv/webcam/cams/front.jpg"));
}

TEST_F(Naming, DateKeepsItsFormWhateverTheLanguage)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale before = icu::Locale::getDefault();
    for (const char* locale : {"ar_EG", "th_TH@calendar=buddhist", "fa_IR", "de_DE"}) {
        icu::Locale::setDefault(icu::Locale(locale), status);
        EXPECT_EQ(naming().imageWithSequence(true), QStringLiteral("CaptureImage_20240305_140709.jpg")) << locale;
    }
    icu::Locale::setDefault(before, status);
}

TEST_F(Naming, AnEmptySingleNameIsAProblemButAnEmptySequenceBaseIsNot)
{
    EXPECT_TRUE(naming().namingProblem().isEmpty());
    store.setObject(QString(), OXImageFilename);
    EXPECT_FALSE(naming().namingProblem().isEmpty());
    store.setObject(true, OXSaveSequenceFlag);
    EXPECT_TRUE(naming().namingProblem().isEmpty());
    EXPECT_EQ(naming().imageWithSequence(true), QStringLiteral("_20240305_140709.jpg"));
}

TEST_F(Naming, ANameThatLeadsOutOfItsFolderIsAProblemSubfoldersAreNot)
{
    for (const char* name : {"../../x", "cams/../../x", "..", "a/.."}) {
        store.setObject(QString::fromUtf8(name), OXImageFilename);
        EXPECT_TRUE(naming().namingProblem().contains(QStringLiteral(".."))) << name;
    }
    for (const char* name : {"cams/garden", "..hidden", "x..y", "./x"}) {
        store.setObject(QString::fromUtf8(name), OXImageFilename);
        EXPECT_TRUE(naming().namingProblem().isEmpty()) << name;
    }
}

TEST_F(Naming, UploadAddressesOfTheWorkedExamples)
{
    auto url = [this](const char* server, const char* path) {
        return naming().composedUploadURL(QString::fromUtf8(server), QString::fromUtf8(path)).toString(QUrl::FullyEncoded);
    };
    EXPECT_EQ(url("ftp://192.0.2.10", "webcam"), QStringLiteral("ftp://192.0.2.10/webcam/CaptureImage.jpg"));
    EXPECT_EQ(url("ftps://192.0.2.10:2121", "cams/garden"), QStringLiteral("ftps://192.0.2.10:2121/cams/garden/CaptureImage.jpg"));
    EXPECT_EQ(url("ftp://192.0.2.10", "my pictures"), QStringLiteral("ftp://192.0.2.10/my%20pictures/CaptureImage.jpg"));
    EXPECT_EQ(url("ftp://192.0.2.10/pub", "/webcam/"), QStringLiteral("ftp://192.0.2.10/pub/webcam/CaptureImage.jpg"))
        << "one slash between components";
    EXPECT_EQ(url("ftp://[::1]:2121", ""), QStringLiteral("ftp://[::1]:2121/CaptureImage.jpg"));
    store.setObject(true, OXSaveSequenceFlag);
    EXPECT_EQ(url("ftp://192.0.2.10/pub/", ""), QStringLiteral("ftp://192.0.2.10/pub/CaptureImage_20240305_140709.jpg"));
    store.setObject(QStringLiteral("Cam #1?"), OXImageFilename);
    store.setObject(false, OXSaveSequenceFlag);
    EXPECT_EQ(url("ftp://h.example", ""), QStringLiteral("ftp://h.example/Cam%20%231%3F.jpg"));

    EXPECT_TRUE(naming().composedUploadURL(QString(), QStringLiteral("x")).isEmpty());
    EXPECT_TRUE(naming().composedUploadURL(QStringLiteral("ftp://bad host"), QStringLiteral("x")).isEmpty());
}

} // namespace

// Films are made of what recording names: every sequence name, with or without a
// counter, is found again in the order it was taken.
TEST_F(Naming, FilmsFindTheSequenceNamesRecordingGives)
{
    store.setObject(QStringLiteral("shed (east)"), OXImageFilename);
    QStringList written;
    for (int minute : {2, 0, 1}) {
        const QString name = naming(kTick.addSecs(60 * minute)).imageWithSequence(true);
        written << name << PictureNaming::withCounter(name, 2);
    }
    for (const QString& name : written + QStringList{QStringLiteral("shed (east).jpg")}) {
        QFile file(tempHome.path() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    const PictureSequence sequence = PictureSequence::scan(tempHome.path(), QStringLiteral("shed (east)"));
    QStringList found;
    for (const SequencePicture& picture : sequence.pictures())
        found << QFileInfo(picture.path).fileName();
    EXPECT_EQ(found, (QStringList{QStringLiteral("shed (east)_20240305_140709.jpg"), QStringLiteral("shed (east)_20240305_140709_2.jpg"),
                                  QStringLiteral("shed (east)_20240305_140809.jpg"), QStringLiteral("shed (east)_20240305_140809_2.jpg"),
                                  QStringLiteral("shed (east)_20240305_140909.jpg"), QStringLiteral("shed (east)_20240305_140909_2.jpg")}))
        << "the single picture is no part of the sequence";
}

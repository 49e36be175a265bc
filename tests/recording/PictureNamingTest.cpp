#include "SettingsTable.h"
#include "PictureNaming.h"
#include "PictureSequence.h"
#include "SequenceName.h"
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

TEST_F(Naming, NamesAndPathsOfTheWorkedExamplesAndOddNamesAsStored)
{
    struct Case {
        const char* base;
        const char* folder;
        bool sequence;
        QDateTime tick;
        const char* path; // from the home folder, or absolute
    };
    const QDateTime early(QDate(2025, 1, 1), QTime(9, 5, 3));
    for (const Case& c : {Case{"CaptureImage", "~/Downloads", false, kTick, "/Downloads/CaptureImage.jpg"},
                          {"CaptureImage", "~/Downloads", true, kTick, "/Downloads/CaptureImage_20240305_140709.jpg"},
                          {"CaptureImage", "~/Downloads", true, early, "/Downloads/CaptureImage_20250101_090503.jpg"},
                          {"Garden cam", "~/Downloads", true, kTick, "/Downloads/Garden cam_20240305_140709.jpg"},
                          {"", "~/Downloads", true, kTick, "/Downloads/_20240305_140709.jpg"},
                          {"CaptureImage.jpg", "~/Downloads", false, kTick, "/Downloads/CaptureImage.jpg.jpg"},
                          {"cams/front", "/srv/webcam/", false, kTick, "/srv/webcam/cams/front.jpg"}}) {
        store.setObject(QString::fromUtf8(c.base), OXImageFilename);
        store.setObject(QString::fromUtf8(c.folder), OXSaveToDiskPath);
        const QString expected = QString::fromUtf8(c.path).startsWith(QStringLiteral("/srv")) ? QString::fromUtf8(c.path)
                                                                                              : home() + QString::fromUtf8(c.path);
        const PictureNaming named = naming(c.tick);
        EXPECT_EQ(named.saveToDiskPath(named.imageWithSequence(c.sequence, c.tick)), expected) << c.base;
    }
}

TEST_F(Naming, DateKeepsItsFormWhateverTheLanguage)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale before = icu::Locale::getDefault();
    for (const char* locale : {"ar_EG", "th_TH@calendar=buddhist", "fa_IR", "de_DE"}) {
        icu::Locale::setDefault(icu::Locale(locale), status);
        EXPECT_EQ(naming().imageWithSequence(true, kTick), QStringLiteral("CaptureImage_20240305_140709.jpg")) << locale;
    }
    icu::Locale::setDefault(before, status);
}

TEST_F(Naming, AnEmptySingleNameOrOneLeadingOutOfItsFolderIsAProblem)
{
    struct Case {
        const char* name;
        bool sequence;
        bool problem;
    };
    for (const Case& c : {Case{"CaptureImage", false, false}, {"", false, true}, {"", true, false}, {"../../x", true, true},
                          {"cams/../../x", false, true}, {"..", false, true}, {"a/..", false, true}, {"cams/garden", false, false},
                          {"..hidden", false, false}, {"x..y", false, false}, {"./x", false, false}}) {
        store.setObject(QString::fromUtf8(c.name), OXImageFilename);
        store.setObject(c.sequence, OXSaveSequenceFlag);
        EXPECT_EQ(naming().namingProblem().isEmpty(), !c.problem) << '"' << c.name << '"';
    }
}

TEST_F(Naming, UploadAddressesOfTheWorkedExamples)
{
    auto url = [this](const char* server, const char* path) {
        const PictureNaming named = naming();
        const QString name = named.imageWithSequence(store.boolForKey(OXSaveSequenceFlag), kTick);
        return named.uploadURL(QString::fromUtf8(server), QString::fromUtf8(path), name).toString(QUrl::FullyEncoded);
    };
    EXPECT_EQ(url("ftp://192.0.2.10", "webcam"), QStringLiteral("ftp://192.0.2.10/webcam/CaptureImage.jpg"));
    EXPECT_EQ(url("ftps://192.0.2.10:2121", "cams/garden"), QStringLiteral("ftps://192.0.2.10:2121/cams/garden/CaptureImage.jpg"));
    EXPECT_EQ(url("ftp://192.0.2.10", "my pictures"), QStringLiteral("ftp://192.0.2.10/my%20pictures/CaptureImage.jpg"));
    EXPECT_EQ(url("ftp://192.0.2.10/pub", "/webcam/"), QStringLiteral("ftp://192.0.2.10/pub/webcam/CaptureImage.jpg"))
        << "one slash between components";
    EXPECT_EQ(url("ftp://[::1]:2121", ""), QStringLiteral("ftp://[::1]:2121/CaptureImage.jpg"));
    EXPECT_EQ(url("ftp://192.0.2.10/Gärten 2026/", "Süd"), QStringLiteral("ftp://192.0.2.10/G%C3%A4rten%202026/S%C3%BCd/CaptureImage.jpg"));
    store.setObject(true, OXSaveSequenceFlag);
    EXPECT_EQ(url("ftp://192.0.2.10/pub/", ""), QStringLiteral("ftp://192.0.2.10/pub/CaptureImage_20240305_140709.jpg"));
    store.setObject(QStringLiteral("Cam #1?"), OXImageFilename);
    store.setObject(false, OXSaveSequenceFlag);
    EXPECT_EQ(url("ftp://h.example", ""), QStringLiteral("ftp://h.example/Cam%20%231%3F.jpg"));

    EXPECT_TRUE(naming().uploadURL(QString(), QStringLiteral("x"), QStringLiteral("a.jpg")).isEmpty());
    EXPECT_TRUE(naming().uploadURL(QStringLiteral("ftp://bad host"), QStringLiteral("x"), QStringLiteral("a.jpg")).isEmpty());
}

} // namespace

// Films are made of what recording names: every sequence name, with or without a
// counter, is found again in the order it was taken.
TEST_F(Naming, FilmsFindTheSequenceNamesRecordingGives)
{
    store.setObject(QStringLiteral("shed (east)"), OXImageFilename);
    QStringList written;
    for (int minute : {2, 0, 1}) {
        const QString name = naming().imageWithSequence(true, kTick.addSecs(60 * minute));
        written << name << SequenceName::withCounter(name, 2);
    }
    // Counters recording never writes belong to no sequence: the films and the rules for old pictures read one grammar.
    const QStringList others{QStringLiteral("shed (east).jpg"), QStringLiteral("shed (east)_20240305_140709_1.jpg"),
                             QStringLiteral("shed (east)_20240305_140709_02.jpg"), QStringLiteral("shed (east)_20240230_140709.jpg")};
    for (const QString& name : written + others) {
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
    for (const QString& name : others)
        EXPECT_FALSE(SequenceName::parse(name, QStringLiteral("shed (east)"))) << name.toStdString();
}

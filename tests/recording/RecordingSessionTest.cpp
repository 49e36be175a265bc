#include "Brightness.h"
#include "DailyFilm.h"
#include "SunTimes.h"
#include "SessionFixture.h"
#include "TickOutcomeText.h"
#include "WholeFile.h"

#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// What a tick does is the session's, the same for the window and the service.
namespace {

using Session = SessionFixture;

TEST(RecordingRules, TheStoredIntervalRunsHeldBetweenOneSecondAndTheTimersLongest)
{
    TempHome home;
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);
    struct Case {
        int count;
        int unit;
        double seconds;
    };
    for (const Case& c : {Case{10, 0, 10}, {10, 1, 600}, {10, 2, 600}, {10, -1, 600}, {0, 0, 1}, {-5, 1, 1},
                          {2147483, 0, 2147483}, {2147483647, 0, 2147483}, {40000, 1, 2147483}}) {
        setSettingValue(store, OXRecordingInterval, c.count);
        setSettingValue(store, OXIntervalUnit, c.unit);
        EXPECT_EQ(RecordingSession::intervalSeconds(store), c.seconds) << c.count << " in unit " << c.unit;
    }
    for (const auto& [address, on] : {std::pair{"", false}, {"   ", false}, {"not even a URL", true}}) {
        setSettingValue(store, OXFTPServerAddress, QString::fromLatin1(address));
        EXPECT_EQ(RecordingSession::uploading(store), on) << '"' << address << '"';
    }
    for (const char* user : {"", "anonymous", " Anonymous", "ftp"})
        EXPECT_TRUE(RecordingSession::isAnonymousLogin(QString::fromLatin1(user))) << user;
    EXPECT_FALSE(RecordingSession::isAnonymousLogin(QStringLiteral("ftpuser")));
}

// At its default time, 00:15, the day's film is of the whole day before: the 24 hours
// up to its time, not the quarter hour since midnight.
TEST(RecordingRules, TheDailyFilmHoldsTheTwentyFourHoursBeforeItsTime)
{
    TempHome home;
    UserDefaults store(home.configFile());
    registerSettingDefaults(store);
    const QString pictures = home.path() + QStringLiteral("/pictures");
    store.setObject(pictures, OXSaveToDiskPath);
    store.setObject(QStringLiteral("shed"), OXImageFilename);
    store.setObject(home.path() + QStringLiteral("/films"), OXFilmFolder);
    store.setObject(true, OXDailyFilmFlag);
    const QDateTime due(QDate(2026, 12, 8), QTime(0, 15));
    QDir().mkpath(pictures);
    QImage still(64, 48, QImage::Format_RGB32);
    still.fill(Qt::gray);
    // Minutes from the film's time: a day and a minute before, just inside the day, noon, late evening, after midnight, after the film's time.
    for (const int minutes : {-1441, -1439, -720, -30, -5, 4})
        ASSERT_TRUE(still.save(pictures + due.addSecs(minutes * 60).toString(QStringLiteral("'/shed_'yyyyMMdd_HHmmss'.jpg'")), "JPEG"));
    QDir().mkpath(QFileInfo(DailyFilm::stateFile()).path());
    ASSERT_TRUE(writeWholeFile(DailyFilm::stateFile(), due.addDays(-1).toString(Qt::ISODate).toLatin1() + '\n', nullptr));

    DailyFilm film(&store, [&] { return due.addSecs(5 * 60); });
    QSignalSpy made(&film, &DailyFilm::made);
    ASSERT_TRUE(made.wait(60000));
    EXPECT_EQ(made.first().at(1).toString().toStdString(), "Film of 7 December: 4 pictures, 1 s");
    EXPECT_TRUE(made.first().first().toString().startsWith(home.path() + QStringLiteral("/films/shed_20261207.")));
}

// Sunrise and sunset as the almanacs publish them (UTC, to the minute): the
// equator, mid-latitudes north and south, both sides of the date line, and
// inside the polar circle in summer and winter.
TEST(RecordingRules, SunTimesMatchPublishedOnesWithinTwoMinutes)
{
    struct Case {
        const char* place;
        double latitude, longitude;
        QDate date;
        const char *sunrise, *sunset;
    };
    const Case cases[] = {
        {"Greenwich equator", 0, 0, QDate(2024, 3, 20), "2024-03-20T06:04", "2024-03-20T18:10"},
        {"London midsummer", 51.5074, -0.1278, QDate(2024, 6, 21), "2024-06-21T03:43", "2024-06-21T20:21"},
        {"London midwinter", 51.5074, -0.1278, QDate(2024, 12, 21), "2024-12-21T08:04", "2024-12-21T15:53"},
        {"New York", 40.7128, -74.0060, QDate(2024, 6, 21), "2024-06-21T09:25", "2024-06-22T00:31"},
        {"Sydney", -33.8688, 151.2093, QDate(2024, 12, 21), "2024-12-20T18:41", "2024-12-21T09:05"},
        {"Suva", -18.1416, 178.4419, QDate(2024, 6, 21), "2024-06-20T18:37", "2024-06-21T05:39"},
        {"Apia", -13.8333, -171.75, QDate(2024, 6, 21), "2024-06-21T17:50", "2024-06-22T05:08"},
        {"Tromso summer", 69.6492, 18.9553, QDate(2024, 6, 21), nullptr, "day"},
        {"Tromso winter", 69.6492, 18.9553, QDate(2024, 12, 21), nullptr, "night"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        const SunTimes sun = SunTimes::on(c.date, c.latitude, c.longitude);
        if (!c.sunrise) {
            EXPECT_EQ(sun.day, qstrcmp(c.sunset, "day") == 0 ? SunTimes::Day::PolarDay : SunTimes::Day::PolarNight);
            continue;
        }
        ASSERT_EQ(sun.day, SunTimes::Day::Normal);
        const auto utc = [](const char* text) { return QDateTime::fromString(QString::fromLatin1(text) + QStringLiteral("Z"), Qt::ISODate); };
        EXPECT_LE(std::abs(sun.sunrise.secsTo(utc(c.sunrise))), 120) << sun.sunrise.toString(Qt::ISODate).toStdString();
        EXPECT_LE(std::abs(sun.sunset.secsTo(utc(c.sunset))), 120) << sun.sunset.toString(Qt::ISODate).toStdString();
    }
    const SunHours hours = SunHours::on(QDate(2024, 12, 21), 51.5074, -0.1278, 30, -15);
    EXPECT_EQ(hours.from.toUTC().time().toString(QStringLiteral("HH:mm")), QStringLiteral("08:34"));
    EXPECT_EQ(hours.until.toUTC().time().toString(QStringLiteral("HH:mm")), QStringLiteral("15:38"));
}

TEST_F(Session, TheTimerRunsTheStoredIntervalAndTheFirstTickComesOneIntervalLater)
{
    open(QStringLiteral("Cam=160x120"));
    saveTo(home.path());
    store->setObject(2, OXRecordingInterval);
    store->setObject(1, OXIntervalUnit);
    session->start();
    EXPECT_EQ(session->timerInterval(), std::chrono::minutes(2));
    store->setObject(1, OXRecordingInterval);
    store->setObject(0, OXIntervalUnit);
    session->start();
    ASSERT_TRUE(waitForFrame());
    EXPECT_TRUE(jpegsIn(home.path()).isEmpty()) << "no picture at the start";
    ASSERT_TRUE(waitForTicks(1, 5000));
    EXPECT_EQ(last.save, TickOutcome::Save::Saved);
    session->stop();
    EXPECT_FALSE(session->isRecording());
}

TEST_F(Session, TicksOutsideTheActiveHoursTooDarkSilentOrWithTheCameraOffSaveNothingAndSayWhy)
{
    QDateTime now(QDate(2026, 12, 6), QTime(23, 30));
    clock = [&] { return now; };
    open(QStringLiteral("Sky=160x120"));
    ASSERT_TRUE(waitForFrame());
    saveTo(home.path(), true);
    ASSERT_TRUE(tick());
    EXPECT_EQ(jpegsIn(home.path()).size(), 1) << "no hours set: every tick";
    store->setObject(true, OXActiveHoursFlag);
    struct Case {
        const char* from;
        const char* until;
        QTime time;
        bool taken;
    };
    int saved = 1;
    for (const Case& c : {Case{"22:00", "06:00", QTime(0, 30), true}, {"22:00", "06:00", QTime(12, 0), false},
                          {"22:00", "06:00", QTime(6, 0), false}, {"09:00", "17:00", QTime(8, 59, 59), false},
                          {"09:00", "17:00", QTime(17, 0), false}, {"09:00", "09:00", QTime(3, 0), true},
                          {"09:00", "17:00", QTime(9, 0), true}, {"22:00", "06:00", QTime(22, 0), true}}) {
        store->setObject(QString::fromLatin1(c.from), OXActiveFrom);
        store->setObject(QString::fromLatin1(c.until), OXActiveUntil);
        now = QDateTime(QDate(2026, 12, 7), c.time);
        ASSERT_TRUE(tick());
        saved += c.taken;
        EXPECT_EQ(jpegsIn(home.path()).size(), saved) << c.from << "-" << c.until << " " << c.time.toString().toStdString();
    }
    EXPECT_EQ(said, QString()) << "the last was inside";
    now = QDateTime(QDate(2026, 12, 7), QTime(12, 0));
    ASSERT_TRUE(tick());
    EXPECT_EQ(said, QStringLiteral("outside active hours"));
    // Following the sun in London: midday records, the evening does not, and the polar night never.
    store->setObject(QStringLiteral("sun"), OXActiveHoursMode);
    store->setObject(51.5, OXLatitude);
    for (const auto& [latitude, utcTime, taken] : {std::tuple{51.5, QTime(12, 0), true}, {51.5, QTime(17, 0), false}, {78.2, QTime(12, 0), false}}) {
        store->setObject(latitude, OXLatitude);
        now = QDateTime(QDate(2026, 12, 7), utcTime, Qt::UTC).toLocalTime();
        ASSERT_TRUE(tick());
        saved += taken;
        EXPECT_EQ(jpegsIn(home.path()).size(), saved) << latitude << " " << utcTime.toString().toStdString();
    }
    EXPECT_EQ(said, QStringLiteral("the sun does not rise today"));
    store->setObject(51.5, OXLatitude);
    now = QDateTime(QDate(2026, 12, 7), QTime(17, 0), Qt::UTC).toLocalTime();
    ASSERT_TRUE(tick());
    EXPECT_TRUE(said.startsWith(QStringLiteral("outside active hours (today "))) << said.toStdString();
    store->setObject(QStringLiteral("clock"), OXActiveHoursMode);
    store->setObject(false, OXActiveHoursFlag);

    store->setObject(true, OXSkipDarkFlag);
    store->setObject(10, OXDarkThreshold);
    camera->command(QStringLiteral("dark Sky"));
    const auto brightness = [&] { return brightnessPercent(controller->newestFrame().get()).value_or(-1); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return brightness() == 0; }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_EQ(said, QStringLiteral("too dark: 0%"));
    camera->command(QStringLiteral("light Sky"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return brightness() > 10; }, 5000));
    now = now.addSecs(1);
    ASSERT_TRUE(tick());
    EXPECT_EQ(jpegsIn(home.path()).size(), saved + 1);

    // A camera that stops sending: no frame is ever saved twice.
    camera->command(QStringLiteral("stall Sky"));
    QTest::qWait(200);
    now = now.addSecs(1);
    ASSERT_TRUE(tick()); // it may still take a frame that came before the stall
    const qsizetype before = jpegsIn(home.path()).size();
    now = now.addSecs(1);
    ASSERT_TRUE(tick());
    EXPECT_FALSE(last.pictureMade);
    EXPECT_EQ(logLine(last, 0), now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                    QStringLiteral(" no new picture from the camera since the last one: nothing saved or sent"));
    EXPECT_EQ(jpegsIn(home.path()).size(), before);
    saved = int(before) - 1;

    camera->command(QStringLiteral("suspend Sky"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->cameraSuspended(); }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_EQ(said, QStringLiteral("the camera is turned off"));
    EXPECT_EQ(jpegsIn(home.path()).size(), saved + 1);
}

TEST_F(Session, ASequencePictureNeverReplacesOneOnDiskAndTheOutcomeNamesTheFileWritten)
{
    LoopbackFtpServer server;
    // The repeated hour after the clocks go back, or pictures of an earlier run.
    clock = [] { return QDateTime(QDate(2026, 10, 25), QTime(2, 30, 0)); };
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    const QString folder = home.path() + QStringLiteral("/cams");
    for (const QString& shed : {folder + QStringLiteral("/shed"), server.rootPath() + QStringLiteral("/shed")}) {
        ASSERT_TRUE(QDir().mkpath(shed));
        QFile::setPermissions(shed, QFileDevice::Permissions(0x7777));
    }
    saveTo(folder, true);
    store->setObject(QStringLiteral("shed/cam"), OXImageFilename); // a subfolder in the name
    const QString taken = folder + QStringLiteral("/shed/cam_20261025_023000.jpg");
    for (const QString& path : {taken, folder + QStringLiteral("/shed/cam_20261025_023000_2.jpg")}) {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run");
    }
    ASSERT_TRUE(tick()); // saving only
    EXPECT_EQ(last.fileName, QStringLiteral("shed/cam_20261025_023000_3.jpg"));
    EXPECT_EQ(last.savePath, folder + QStringLiteral("/shed/cam_20261025_023000_3.jpg"));
    EXPECT_TRUE(logLine(last, 0).contains(QStringLiteral(" shed/cam_20261025_023000_3.jpg: saved")))
        << logLine(last, 0).toStdString();
    useServer(server.port());
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.fileName, QStringLiteral("shed/cam_20261025_023000_4.jpg")) << "and none given this run";
    EXPECT_EQ(last.upload, TickOutcome::Upload::Sent);
    store->setObject(false, OXSaveToDiskFlag);
    ASSERT_TRUE(tick()); // uploading only: a name given this run is not given again
    EXPECT_EQ(jpegsIn(server.rootPath() + QStringLiteral("/shed")),
              (QStringList{QStringLiteral("cam_20261025_023000_3.jpg"), QStringLiteral("cam_20261025_023000_4.jpg")}))
        << "the upload takes the name saved";
    QFile earlier(taken);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("earlier run"));
    EXPECT_EQ(jpegsIn(folder + QStringLiteral("/shed")).size(), 4);
}

TEST_F(Session, WhatATickCannotDoIsSaidAndTheRestStillHappens)
{
    open(QStringLiteral("Cam=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(QStringLiteral("  "), OXSaveToDiskPath); // no folder: nothing lands where Ombrix was started
    const QString startedIn = QDir::currentPath();
    QDir::setCurrent(home.path());
    ASSERT_TRUE(tick());
    QDir::setCurrent(startedIn);
    EXPECT_EQ(last.save, TickOutcome::Save::Failed);
    EXPECT_TRUE(saveProblemText(last).startsWith(QStringLiteral("Not saved: no save folder"))) << saveProblemText(last).toStdString();
    EXPECT_TRUE(jpegsIn(home.path()).isEmpty());

    saveTo(home.path() + QStringLiteral("/missing"));
    ASSERT_TRUE(tick());
    EXPECT_TRUE(saveProblemText(last).startsWith(QStringLiteral("Not saved to ") + home.path() + QStringLiteral("/missing: ")))
        << saveProblemText(last).toStdString();

    saveTo(home.path());
    for (const char* name : {"", "../out"}) { // no name for a single picture, or one that leads out
        store->setObject(QString::fromLatin1(name), OXImageFilename);
        const quint64 before = last.tick;
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.tick, before) << "no picture this tick: " << name;
        EXPECT_FALSE(said.isEmpty()) << name;
    }
    EXPECT_TRUE(jpegsIn(home.path()).isEmpty());
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/.jpg")));
}

TEST_F(Session, AControlCharacterInAnyUploadSettingSendsNothingAndNamesTheSetting)
{
    LoopbackFtpServer server;
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    saveTo(home.path());
    const QString evil = QStringLiteral("\r\nDELE CaptureImage.jpg");
    struct Case {
        const char* field;
        std::function<void()> spoil;
    };
    const Case cases[] = {
        {"user name", [&] { store->setObject(LoopbackFtpServer::user() + evil, OXFTPUsername); }},
        {"password", [&] { typed += evil; }},
        {"server folder", [&] { store->setObject(evil, OXFTPPath); }},
        {"picture name", [&] { store->setObject(QStringLiteral("Capture\tImage"), OXImageFilename); }},
    };
    for (const Case& c : cases) {
        useServer(server.port());
        store->setObject(QString(), OXFTPPath);
        store->setObject(QStringLiteral("CaptureImage"), OXImageFilename);
        c.spoil();
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Refused) << c.field;
        EXPECT_TRUE(last.uploadError.description.contains(QString::fromLatin1(c.field))) << last.uploadError.description.toStdString();
        EXPECT_EQ(last.save, TickOutcome::Save::Saved) << "the picture is still saved";
        EXPECT_TRUE(uploadFailureFate(last).startsWith(QStringLiteral("The picture is not kept"))) << "nothing is kept to send later";
    }
    EXPECT_TRUE(QDir(server.rootPath()).isEmpty()) << "nothing reached the server";
    EXPECT_TRUE(jpegsIn(outboxFolder()).isEmpty()) << "nothing waits to be sent";
}

TEST_F(Session, WithoutAKeyringTheTypedPasswordUploadsAndAnAnonymousLoginNeverWaits)
{
    LoopbackFtpServer server;
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    useServer(server.port()); // the keyring cannot be reached: the field's content is the password
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->isPasswordKnown(); }, 5000));
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Sent);
    EXPECT_FALSE(server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty());
    EXPECT_EQ(statusLineSummary(last), QStringLiteral("uploaded"));
}

TEST_F(Session, TheServiceWithoutKeyringReadsItsNetrcAndAnAnonymousLoginIsTriedAtOnce)
{
    LoopbackFtpServer server;
    windowLike = false;
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    QString problem;
    QObject::connect(session.get(), &RecordingSession::passwordProblemChanged,
                     [&](const QString& text) { problem += text + QLatin1Char('\n'); });
    useServer(server.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !problem.isEmpty(); }, 5000));
    EXPECT_TRUE(problem.contains(QStringLiteral("No FTP password for 127.0.0.1"))) << problem.toStdString();
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Kept);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->outboxState().needsPassword; }, 5000));

    QFile netrc(services.netrcPath);
    ASSERT_TRUE(netrc.open(QIODevice::WriteOnly));
    netrc.write(QStringLiteral("machine 127.0.0.1 login %1 password %2\n")
                    .arg(LoopbackFtpServer::user(), LoopbackFtpServer::password()).toUtf8());
    netrc.close();
    netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    session->lookUpPassword();
    ASSERT_TRUE(QTest::qWaitFor([&] { return problem.contains(QStringLiteral("can be read by other users")); }, 5000))
        << problem.toStdString();
    EXPECT_FALSE(session->isPasswordKnown());
    netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    session->lookUpPassword();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty(); }, 10000))
        << "the waiting picture goes once the password is known";

    store->setObject(QStringLiteral("anonymous"), OXFTPUsername); // this server has no anonymous account
    QFile::remove(services.netrcPath);
    session->lookUpPassword();
    EXPECT_TRUE(session->isPasswordKnown()) << "an anonymous login needs no password";
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Failed) << "tried, not held for a password";
}

TEST_F(Session, AKeyringThatNeverAnswersHoldsUploadsUntilThePasswordIsTyped)
{
    LoopbackFtpServer server;
    QTemporaryDir bus;
    QLocalServer mute; // accepts into its backlog and never speaks, as a frozen keyring
    ASSERT_TRUE(mute.listen(bus.path() + QStringLiteral("/bus")));
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    m_noKeyring.emplace("DBUS_SESSION_BUS_ADDRESS", (QStringLiteral("unix:path=") + mute.fullServerName()).toLocal8Bit());
    ASSERT_TRUE(waitForFrame());
    QString problem;
    QObject::connect(session.get(), &RecordingSession::passwordProblemChanged, [&](const QString& text) { problem = text; });
    store->setObject(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()), OXFTPServerAddress);
    store->setObject(LoopbackFtpServer::user(), OXFTPUsername);
    session->lookUpPassword();
    ASSERT_TRUE(tick());
    EXPECT_EQ(last.upload, TickOutcome::Upload::Kept) << "no login is tried without the password";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !problem.isEmpty(); }, 10000));
    EXPECT_TRUE(problem.startsWith(QStringLiteral("The keyring has not answered"))) << problem.toStdString();
    EXPECT_TRUE(session->outboxState().needsPassword);
    typed = LoopbackFtpServer::password();
    session->passwordTyped();
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty(); }, 10000));
    EXPECT_EQ(events, words(QStringLiteral("password-missing password-known")));
}

} // namespace

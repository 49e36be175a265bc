#include "LoopbackFtpServer.h"
#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class Recording : public WindowFixture {};

TEST_F(Recording, IntervalIsConvertedFromTheFieldsAndNeverRunsAway)
{
    open(QStringLiteral("Cam=160x120"));
    EXPECT_EQ(ui().intervalTextField->text(), QStringLiteral("10")) << "the stored interval is shown";
    EXPECT_EQ(ui().intervalUnitPopUp->currentIndex(), 0);

    setInterval(QStringLiteral("10"), 0);
    EXPECT_FLOAT_EQ(window->convertedInterval(), 10.0f);
    setInterval(QStringLiteral("10"), 1);
    EXPECT_FLOAT_EQ(window->convertedInterval(), 600.0f);
    EXPECT_EQ(store->objectForKey(OXIntervalUnit), QVariant(1));
    setInterval(QStringLiteral("1.5"), 1);
    EXPECT_FLOAT_EQ(window->convertedInterval(), 90.0f);
    EXPECT_EQ(store->objectForKey(OXRecordingInterval), QVariant(1)) << "the setting keeps the whole number";
    ui().intervalUnitPopUp->addItem(QStringLiteral("hours"));
    setInterval(QStringLiteral("10"), 2);
    EXPECT_FLOAT_EQ(window->convertedInterval(), 600.0f) << "every unit but seconds counts minutes";

    setInterval(QStringLiteral("1.5"), 1);
    window->startRecording();
    EXPECT_EQ(window->timerInterval(), std::chrono::milliseconds(90000));
    window->stopRecording();
    for (const char* bad : {"0", "-5", "", "0.001"}) {
        ui().intervalTextField->setText(QString::fromLatin1(bad));
        ui().intervalUnitPopUp->setCurrentIndex(0);
        window->startRecording();
        EXPECT_EQ(window->timerInterval(), std::chrono::milliseconds(1000)) << bad;
        window->stopRecording();
    }
    // Past what the timer's milliseconds hold, the interval would wrap round to a
    // short or negative one: it stops at the longest the timer can run.
    for (const auto& [text, unit] : {std::pair{"4294968", 0}, {"3000000", 0}, {"40000", 1}, {"1e300", 0}}) {
        ui().intervalTextField->setText(QString::fromLatin1(text));
        ui().intervalUnitPopUp->setCurrentIndex(unit);
        Q_EMIT ui().intervalTextField->editingFinished();
        window->startRecording();
        EXPECT_EQ(window->timerInterval(), std::chrono::milliseconds(2147483000)) << text;
        window->stopRecording();
        EXPECT_LE(std::abs(store->objectForKey(OXRecordingInterval).toDouble()), 2147483.0) << text;
    }
    ui().intervalUnitPopUp->setCurrentIndex(0);
    ui().intervalTextField->setText(QString());
    QTest::keyClicks(ui().intervalTextField, QStringLiteral("99999999"));
    EXPECT_EQ(ui().intervalTextField->text(), QStringLiteral("9999999")) << "no more digits than the longest interval has";
    window->startRecording();
    EXPECT_EQ(window->timerInterval(), std::chrono::milliseconds(2147483000));
    window->stopRecording();
    ui().intervalTextField->setText(QString());
    QTest::keyClicks(ui().intervalTextField, QStringLiteral("-3x"));
    EXPECT_EQ(ui().intervalTextField->text(), QStringLiteral("3")) << "the field refuses what is no interval";
}

TEST_F(Recording, FirstTickComesOneIntervalAfterTheStart)
{
    open(QStringLiteral("Cam=160x120"));
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path(), OXSaveToDiskPath);
    setInterval(QStringLiteral("1"), 0);
    QSignalSpy counter(window.get(), &MainWindowController::filenameCounterChanged);
    QElapsedTimer clock;
    clock.start();
    window->startRecording();
    EXPECT_TRUE(window->isRecording());
    EXPECT_TRUE(ui().startStopButton->isChecked());
    EXPECT_EQ(counter.count(), 1) << "observers hear the reset to 0";
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/CaptureImage.jpg"))) << "no picture at the start";
    ASSERT_TRUE(waitForTicks(2));
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_EQ(window->filenameCounter(), 2);
    EXPECT_EQ(counter.count(), 1) << "ticks count without telling observers";
    EXPECT_TRUE(QFile::exists(home.path() + QStringLiteral("/CaptureImage.jpg")));
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("saved"))) << window->statusText().toStdString();
}

TEST_F(Recording, RecEnabledNeedsACameraAndSavingOrUploading)
{
    open(QStringLiteral("Cam=160x120"));
    QSignalSpy changes(window.get(), &MainWindowController::recEnabledChanged);
    ASSERT_TRUE(window->isCameraOn());
    EXPECT_FALSE(window->recEnabled());
    EXPECT_FALSE(ui().startStopButton->isEnabled());

    store->setObject(true, OXSaveToDiskFlag);
    EXPECT_TRUE(window->recEnabled());
    EXPECT_TRUE(ui().startStopButton->isEnabled());
    store->setObject(false, OXSaveToDiskFlag);
    EXPECT_FALSE(window->recEnabled());
    store->setObject(QStringLiteral("not even a URL"), OXFTPServerAddress); // any stored text switches uploading on
    EXPECT_TRUE(window->recEnabled());
    EXPECT_EQ(changes.count(), 3);

    QSignalSpy suspended(controller.get(), &CameraController::cameraSuspendedChanged);
    camera->command(QStringLiteral("suspend Cam"));
    ASSERT_TRUE(suspended.wait(5000));
    EXPECT_FALSE(window->isCameraOn());
    EXPECT_FALSE(window->recEnabled()) << "no camera, no recording, whatever the settings";
    EXPECT_EQ(changes.count(), 4);

    ui().serverTextField->setText(QString());
    Q_EMIT ui().serverTextField->editingFinished();
    EXPECT_FALSE(store->objectForKey(OXFTPServerAddress).isValid()) << "an empty address switches uploading off";
}

TEST_F(Recording, SuspensionStopsARecordingButLosingTheLastCameraDoesNot)
{
    open(QStringLiteral("Cam=160x120"));
    store->setObject(true, OXSaveToDiskFlag);
    window->startRecording();
    QSignalSpy suspended(controller.get(), &CameraController::cameraSuspendedChanged);
    camera->command(QStringLiteral("suspend Cam"));
    ASSERT_TRUE(suspended.wait(5000));
    EXPECT_FALSE(window->isRecording());
    EXPECT_FALSE(ui().startStopButton->isChecked());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("Recording stopped: the camera was turned off")))
        << window->statusText().toStdString();

    camera->command(QStringLiteral("resume Cam"));
    ASSERT_TRUE(suspended.wait(5000));
    EXPECT_TRUE(window->isCameraOn());
    EXPECT_FALSE(window->isRecording()) << "resuming does not restart";

    window->startRecording();
    QSignalSpy devices(controller.get(), &CameraController::devicesDictChanged);
    camera->command(QStringLiteral("disconnect Cam"));
    ASSERT_TRUE(devices.wait(5000));
    EXPECT_FALSE(window->isCameraOn());
    EXPECT_TRUE(window->isRecording());

    window->stopRecording();
    QSignalSpy recording(window.get(), &MainWindowController::isRecordingChanged);
    window->stopRecording();
    EXPECT_EQ(recording.count(), 0) << "stopping when idle changes nothing";
    EXPECT_FALSE(ui().startStopButton->isChecked());
}

TEST_F(Recording, ACameraFailureStaysOnTheStatusLineUntilTheCameraIsBackAndRecordingGoesOn)
{
    open(QStringLiteral("Cam=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path(), OXSaveToDiskPath);
    window->startRecording();
    camera->command(QStringLiteral("fail Cam"));
    const QString failure = QStringLiteral("The camera \"Cam\" stopped working: The camera stopped working. Trying again.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->statusText().startsWith(failure); }, 5000))
        << window->statusText().toStdString();
    EXPECT_TRUE(window->isRecording()) << "ticks go on with the last frame";
    ASSERT_TRUE(tick());
    EXPECT_TRUE(window->statusText().startsWith(failure)) << "a tick does not hide it";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->statusText().contains(failure); }, 10000))
        << window->statusText().toStdString();
    EXPECT_EQ(alerts.alerts.size(), 1);
    EXPECT_TRUE(window->isRecording());
    window->stopRecording();
}

TEST_F(Recording, SavingAndUploadingAreIndependentAndFailedSavesAreShown)
{
    LoopbackFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    const QString saved = home.path() + QStringLiteral("/CaptureImage.jpg");
    store->setObject(home.path(), OXSaveToDiskPath);

    store->setObject(true, OXSaveToDiskFlag); // saving only
    ASSERT_TRUE(tick());
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_TRUE(QDir(server.rootPath()).isEmpty());

    QFile::remove(saved);
    store->setObject(false, OXSaveToDiskFlag); // uploading only
    store->setObject(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()), OXFTPServerAddress);
    ui().usernameTextField->setText(LoopbackFtpServer::user());
    ui().passwordTextField->setText(LoopbackFtpServer::password());
    ASSERT_TRUE(tick());
    EXPECT_FALSE(QFile::exists(saved));
    EXPECT_FALSE(server.fileContents(QStringLiteral("CaptureImage.jpg")).isEmpty());
    EXPECT_EQ(window->errorMessage(), nullptr);

    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path() + QStringLiteral("/missing-folder"), OXSaveToDiskPath);
    ASSERT_TRUE(tick());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("Not saved"))) << window->statusText().toStdString();
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("uploaded"))) << "the upload still happened";
    store->setObject(home.path(), OXSaveToDiskPath);
    ASSERT_TRUE(tick());
    EXPECT_FALSE(window->statusText().contains(QStringLiteral("Not saved"))) << "until the next save succeeds";
    EXPECT_EQ(window->filenameCounter(), 4);

    store->setObject(QString(), OXSaveToDiskPath); // no folder: nothing saved in whatever folder this runs in
    const QString startedIn = QDir::currentPath();
    QDir::setCurrent(home.path());
    QFile::remove(saved);
    ASSERT_TRUE(tick());
    QDir::setCurrent(startedIn);
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("no save folder"))) << window->statusText().toStdString();
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/CaptureImage.jpg")));
    store->setObject(home.path(), OXSaveToDiskPath);

    store->setObject(QString(), OXImageFilename); // no name for a single picture: nothing saved, and why
    QFile::remove(saved);
    ASSERT_TRUE(tick());
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/.jpg")));
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("no name"))) << window->statusText().toStdString();
}

} // namespace

// The clock is read once a tick: even when it moves a second between readings,
// the picture's name and the status line's time are the same.
TEST_F(Recording, ATickReadsTheClockOnceForItsNameAndItsStatus)
{
    QDateTime now(QDate(2026, 12, 6), QTime(9, 0, 0));
    namingClock = [&] {
        const QDateTime reading = now;
        now = now.addSecs(1);
        return reading;
    };
    open(QStringLiteral("Cam=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(true, OXSaveSequenceFlag);
    store->setObject(home.path(), OXSaveToDiskPath);
    ASSERT_TRUE(tick());
    const QStringList saved = QDir(home.path()).entryList({QStringLiteral("CaptureImage_*.jpg")}, QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    const QTime named = QTime::fromString(saved[0].mid(QStringLiteral("CaptureImage_20261206_").size(), 6), QStringLiteral("HHmmss"));
    ASSERT_TRUE(named.isValid()) << saved[0].toStdString();
    EXPECT_TRUE(window->statusText().contains(QLocale().toString(named, QLocale::LongFormat)))
        << saved[0].toStdString() << " / " << window->statusText().toStdString();
}

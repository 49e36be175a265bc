#include "CameraSuspendedView.h"
#include "ContentViewControllers.h"
#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class Recording : public WindowFixture {
protected:
    QString shownView() const { return window->currentViewController()->title(); }
    QString placeholderText() const
    {
        return static_cast<CameraSuspendedView*>(window->currentViewController()->view())->attrString();
    }
};

TEST_F(Recording, TheIntervalFieldsStoreWhatTheTimerRuns)
{
    open(QStringLiteral("Cam=160x120"));
    EXPECT_EQ(ui().intervalTextField->text(), QStringLiteral("10")) << "the stored interval is shown";
    EXPECT_EQ(ui().intervalUnitPopUp->currentIndex(), 0);
    // Typed, not finished: a start from the menu still runs what the field shows.
    struct Case {
        const char* typed;
        int unit;
        const char* shown;
        int stored;
        std::chrono::milliseconds runs;
    };
    for (const Case& c : {Case{"90", 0, "90", 90, std::chrono::seconds(90)},
                          {"1.5", 1, "15", 15, std::chrono::minutes(15)},
                          {"-3x", 0, "3", 3, std::chrono::seconds(3)},
                          {"99999999", 0, "9999999", 9999999, std::chrono::milliseconds(2147483000)},
                          {"0", 0, "0", 0, std::chrono::seconds(1)}}) {
        ui().intervalUnitPopUp->setCurrentIndex(c.unit);
        ui().intervalTextField->clear();
        QTest::keyClicks(ui().intervalTextField, QString::fromLatin1(c.typed));
        EXPECT_EQ(ui().intervalTextField->text(), QString::fromLatin1(c.shown)) << "the field takes whole numbers only";
        window->startRecording();
        EXPECT_EQ(window->timerInterval(), c.runs) << c.typed;
        EXPECT_EQ(store->objectForKey(OXRecordingInterval), QVariant(c.stored)) << c.typed;
        EXPECT_EQ(store->objectForKey(OXIntervalUnit), QVariant(c.unit));
        window->stopRecording();
    }
}

// Lowering a rule far enough to remove many pictures at once asks first; Cancel puts the rule back.
TEST_F(Recording, ARuleThatWouldRemoveManyPicturesAsksFirst)
{
    open(QStringLiteral("Cam=160x120"));
    const QDateTime first(QDate(2020, 1, 1), QTime(0, 0));
    for (int n = 0; n < RecordingSession::kAskAboveCount; ++n) {
        QFile picture(home.path() + QStringLiteral("/CaptureImage_%1.jpg").arg(first.addSecs(60 * n).toString(QStringLiteral("yyyyMMdd_HHmmss"))));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    }
    store->setObject(home.path(), OXSaveToDiskPath);
    const auto asking = [&]() -> QMessageBox* {
        for (QMessageBox* box : window->window()->findChildren<QMessageBox*>())
            if (box->isVisible() && box->windowTitle() == QStringLiteral("Remove old pictures?"))
                return box;
        return nullptr;
    };
    for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
        store->setObject(30, OXKeepDays);
        ASSERT_TRUE(QTest::qWaitFor([&] { return asking() != nullptr; }, 5000));
        EXPECT_TRUE(asking()->text().startsWith(QStringLiteral("This removes %1 pictures").arg(QLocale().toString(1000))))
            << asking()->text().toStdString();
        asking()->button(answer)->click();
        const bool removed = answer == QMessageBox::Ok;
        ASSERT_TRUE(QTest::qWaitFor([&] { return jpegsIn(home.path()).isEmpty() == removed; }, 5000));
        EXPECT_EQ(store->objectForKey(OXKeepDays), QVariant(removed ? 30 : 0)) << "a cancelled rule is put back";
    }
}

TEST_F(Recording, RecEnabledNeedsACameraAndWorkAndSuspensionStopsARecordingButLosingTheLastCameraDoesNot)
{
    open(QStringLiteral("Cam=160x120"));
    QSignalSpy changes(window.get(), &MainWindowController::recEnabledChanged);
    ASSERT_TRUE(window->isCameraOn());
    EXPECT_FALSE(ui().startStopButton->isEnabled()) << "neither saving nor uploading";
    store->setObject(QStringLiteral("not even a URL"), OXFTPServerAddress); // any stored text switches uploading on
    EXPECT_TRUE(ui().startStopButton->isEnabled());
    ui().serverTextField->setText(QString());
    Q_EMIT ui().serverTextField->editingFinished();
    EXPECT_FALSE(store->objectForKey(OXFTPServerAddress).isValid()) << "an empty address switches uploading off";
    EXPECT_FALSE(window->recEnabled());
    store->setObject(true, OXSaveToDiskFlag);
    EXPECT_TRUE(ui().startStopButton->isEnabled());
    EXPECT_EQ(changes.count(), 3);

    window->startRecording();
    QSignalSpy suspended(controller.get(), &CameraController::cameraSuspendedChanged);
    camera->command(QStringLiteral("suspend Cam"));
    ASSERT_TRUE(suspended.wait(5000));
    EXPECT_FALSE(window->recEnabled()) << "no camera, no recording, whatever the settings";
    EXPECT_EQ(changes.count(), 4);
    EXPECT_FALSE(window->isRecording());
    EXPECT_FALSE(ui().startStopButton->isChecked());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("Recording stopped: the camera was turned off")))
        << window->statusText().toStdString();
    EXPECT_EQ(shownView(), kSuspendedView);
    EXPECT_EQ(placeholderText(), QStringLiteral("Camera turned off"));
    ContentViewController* before = window->currentViewController();
    camera->command(QStringLiteral("resume Cam"));
    ASSERT_TRUE(suspended.wait(5000));
    EXPECT_TRUE(window->isCameraOn());
    EXPECT_FALSE(window->isRecording()) << "resuming does not restart";
    EXPECT_EQ(shownView(), kCaptureView);
    EXPECT_NE(window->currentViewController(), before) << "every switch builds a new view";
    EXPECT_EQ(ui().qtSwapView->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

    window->startRecording();
    QSignalSpy devices(controller.get(), &CameraController::devicesDictChanged);
    camera->command(QStringLiteral("disconnect Cam"));
    ASSERT_TRUE(devices.wait(5000));
    EXPECT_FALSE(window->isCameraOn());
    EXPECT_TRUE(window->isRecording());
    EXPECT_EQ(shownView(), kNoCameraView);
    EXPECT_EQ(placeholderText(), QStringLiteral("No camera available"));
    EXPECT_EQ(window->currentViewController()->view()->geometry(), ui().qtSwapView->rect());
    window->stopRecording();
    QSignalSpy recording(window.get(), &MainWindowController::isRecordingChanged);
    window->stopRecording();
    EXPECT_EQ(recording.count(), 0) << "stopping when idle changes nothing";
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

TEST_F(Recording, TheStatusLineKeepsAFailedSaveUntilOneSucceedsAndAFailedUploadShowsOneMessage)
{
    open(QStringLiteral("Cam=160x120"));
    ASSERT_TRUE(waitForFrame());
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(home.path() + QStringLiteral("/missing-folder"), OXSaveToDiskPath);
    store->setObject(QStringLiteral("ftp://127.0.0.1:1"), OXFTPServerAddress); // refused at once
    ui().passwordTextField->setText(QStringLiteral("pw"));
    window->startRecording();
    ASSERT_TRUE(tick());
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("Not saved to ") + home.path() + QStringLiteral("/missing-folder")))
        << window->statusText().toStdString();
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("upload failed"))) << window->statusText().toStdString();
    QMessageBox* sheet = window->errorMessage();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("A FTP error occured"));
    EXPECT_TRUE(sheet->text().startsWith(QStringLiteral("Server message: "))) << sheet->text().toStdString();
    EXPECT_TRUE(sheet->informativeText().contains(QStringLiteral("kept"))) << "the picture is not lost";
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);

    store->setObject(home.path(), OXSaveToDiskPath);
    ASSERT_TRUE(tick()); // fails again while the message is open: no second message
    EXPECT_FALSE(window->statusText().contains(QStringLiteral("Not saved"))) << "until the next save succeeds";
    EXPECT_EQ(window->errorMessage(), sheet);
    EXPECT_EQ(window->window()->findChildren<QMessageBox*>().size(), 1);
    EXPECT_TRUE(window->isRecording()) << "recording goes on while the message is shown";

    // Quitting must not wait for the message to be read; closing it stops recording.
    QSignalSpy quit(ui().quitAction, &QAction::triggered);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
    sheet->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(window->isRecording());
    EXPECT_FALSE(ui().startStopButton->isChecked());

    ASSERT_TRUE(QTest::qWaitFor([&] { return window->errorMessage() == nullptr; }, 2000));
    ASSERT_TRUE(tick()); // a failure while idle: closing its message changes nothing
    ASSERT_NE(window->errorMessage(), nullptr);
    window->errorMessage()->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(window->isRecording());
}

} // namespace

// The clock is read once a tick: even when it moves a second between readings,
// the picture's name and the status line's time are the same.
TEST_F(Recording, ATickReadsTheClockOnceForItsNameAndItsStatus)
{
    QDateTime now(QDate(2026, 12, 6), QTime(9, 0, 0));
    clock = [&] {
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

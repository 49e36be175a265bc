#include "LoopbackFtpServer.h"
#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QMessageBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class UploadOutcome : public WindowFixture {
protected:
    void openWithRefusingServer()
    {
        open(QStringLiteral("Cam=160x120"));
        ASSERT_TRUE(waitForFrame());
        // Nothing listens on port 1 of the loopback: the connection is refused at once.
        store->setObject(QStringLiteral("ftp://127.0.0.1:1"), OXFTPServerAddress);
    }
};

TEST_F(UploadOutcome, AFailureShowsOneMessageAndClosingItStopsRecording)
{
    openWithRefusingServer();
    window->startRecording();
    ASSERT_TRUE(tick());
    QMessageBox* sheet = window->errorMessage();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("A FTP error occured"));
    EXPECT_TRUE(sheet->text().startsWith(QStringLiteral("Server message: "))) << sheet->text().toStdString();
    EXPECT_TRUE(sheet->text().contains(QStringLiteral("connect"))) << "libcurl's own text";
    EXPECT_TRUE(sheet->informativeText().contains(QStringLiteral("kept"))) << "the picture is not lost";
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(window->isRecording()) << "recording goes on while the message is shown";
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("upload failed")));

    ASSERT_TRUE(tick()); // fails again while the message is open: no second message
    EXPECT_EQ(window->errorMessage(), sheet);
    EXPECT_EQ(window->window()->findChildren<QMessageBox*>().size(), 1);

    // Quitting must not wait for the message to be read.
    QSignalSpy quit(ui().quitAction, &QAction::triggered);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);

    sheet->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(window->isRecording());
    EXPECT_FALSE(ui().startStopButton->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->errorMessage() == nullptr; }, 2000));
}

TEST_F(UploadOutcome, ClosingTheMessageAfterRecordingStoppedChangesNothing)
{
    openWithRefusingServer();
    ASSERT_TRUE(tick()); // a failure while idle
    QMessageBox* sheet = window->errorMessage();
    ASSERT_NE(sheet, nullptr);
    QSignalSpy recording(window.get(), &MainWindowController::isRecordingChanged);
    sheet->button(QMessageBox::Ok)->click();
    EXPECT_EQ(recording.count(), 0);
    EXPECT_FALSE(window->isRecording());
}

TEST_F(UploadOutcome, AControlCharacterInAnyUploadFieldSendsNothingAndSaysWhy)
{
    LoopbackFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    ASSERT_TRUE(waitForFrame());
    store->setObject(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()), OXFTPServerAddress);
    const QString user = LoopbackFtpServer::user();
    const QString password = LoopbackFtpServer::password();
    struct Field {
        QLineEdit* edit;
        const char* name;
    };
    for (const Field& field : {Field{ui().usernameTextField, "user name"}, Field{ui().passwordTextField, "password"},
                               Field{ui().pathTextField, "server folder"}}) {
        ui().usernameTextField->setText(user);
        ui().passwordTextField->setText(password);
        ui().pathTextField->clear();
        field.edit->setText(field.edit->text() + QStringLiteral("\r\nDELE CaptureImage.jpg"));
        ASSERT_TRUE(tick());
        QMessageBox* sheet = window->errorMessage();
        ASSERT_NE(sheet, nullptr) << field.name;
        EXPECT_TRUE(sheet->text().contains(QString::fromLatin1(field.name))) << sheet->text().toStdString();
        EXPECT_TRUE(sheet->text().contains(QStringLiteral("control character"))) << sheet->text().toStdString();
        sheet->button(QMessageBox::Ok)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->errorMessage() == nullptr; }, 2000));
    }
    store->setObject(QStringLiteral("Capture\tImage"), OXImageFilename);
    ASSERT_TRUE(tick());
    EXPECT_NE(window->errorMessage(), nullptr) << "the picture name too";
    EXPECT_TRUE(QDir(server.rootPath()).isEmpty()) << "nothing reached the server";
    EXPECT_TRUE(QDir(outboxFolder()).entryList({QStringLiteral("*.jpg")}, QDir::Files).isEmpty()) << "nothing waits to be sent";
}

} // namespace

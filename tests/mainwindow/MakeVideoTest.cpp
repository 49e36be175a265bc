#include "SettingsTable.h"
#include "WindowFixture.h"
#include "ui_MakeVideoDialog.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class MakeVideo : public WindowFixture {
protected:
    // A recorded sequence of the given number of pictures, one a minute from 08:00.
    QString recordSequence(int count)
    {
        const QString folder = home.path() + QStringLiteral("/Pictures");
        QDir().mkpath(folder);
        QImage picture(320, 240, QImage::Format_RGB32);
        for (int i = 0; i < count; ++i) {
            picture.fill(QColor::fromHsv(i * 7 % 360, 200, 200));
            const QDateTime taken(QDate(2026, 12, 1), QTime(8, 0).addSecs(60 * i));
            picture.save(folder + QStringLiteral("/Garden_%1.jpg").arg(taken.toString(QStringLiteral("yyyyMMdd_HHmmss"))), "JPEG");
        }
        store->setObject(folder, OXSaveToDiskPath);
        store->setObject(QStringLiteral("Garden"), OXImageFilename);
        return folder;
    }
};

TEST_F(MakeVideo, TheDialogShowsWhatItFoundMakesTheFilmAndCancelLeavesNothing)
{
    open(QStringLiteral("Cam=160x120"));
    recordSequence(48);
    window->showMakeVideoDialog();
    MakeVideoDialog* dialog = window->makeVideoDialog();
    ASSERT_NE(dialog, nullptr);
    Ui::MakeVideoDialog& form = *dialog->ui();
    EXPECT_TRUE(form.foundLabel->text().startsWith(QStringLiteral("48 pictures, taken over 47 min 00 s"))) << form.foundLabel->text().toStdString();
    EXPECT_EQ(form.lengthLabel->text(), QStringLiteral("= 2.0 s of film"));
    form.fpsField->setValue(12);
    EXPECT_EQ(form.lengthLabel->text(), QStringLiteral("= 4.0 s of film"));
    form.fromField->setDateTime(QDateTime(QDate(2026, 12, 1), QTime(8, 2)));
    EXPECT_TRUE(form.foundLabel->text().startsWith(QStringLiteral("46 pictures"))) << form.foundLabel->text().toStdString();
    EXPECT_EQ(form.sizePopUp->itemText(0), QStringLiteral("The pictures' size (320×240)"));
    EXPECT_EQ(form.sizePopUp->count(), 1) << "never scaled up";
    ASSERT_GT(form.formatPopUp->count(), 0);
    const QString output = form.outputField->text();
    EXPECT_TRUE(output.startsWith(home.path())) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Garden_20261201-0802_20261201-0847."))) << output.toStdString();
    QDir().mkpath(QFileInfo(output).absolutePath());

    form.deflickerCheckBox->setChecked(true);
    EXPECT_TRUE(store->objectForKey(OXFilmDeflicker).toBool()) << "kept for the next film and the daily one";
    QSignalSpy finished(dialog, &MakeVideoDialog::filmFinished);
    form.makeButton->click();
    EXPECT_TRUE(dialog->isMaking());
    EXPECT_FALSE(form.makeButton->isEnabled());
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(finished.first().first().value<FilmOutcome>().status, FilmOutcome::Status::Made);
    EXPECT_TRUE(QFile::exists(output));
    ASSERT_NE(dialog->resultMessage(), nullptr);
    EXPECT_TRUE(dialog->resultMessage()->isVisible());
    EXPECT_FALSE(dialog->resultMessage()->isModal()) << "the window and recording go on";
    EXPECT_EQ(dialog->resultMessage()->buttons().size(), 2) << "OK and Open Folder";
    EXPECT_TRUE(form.progressLabel->text().startsWith(QStringLiteral("Made "))) << form.progressLabel->text().toStdString();

    // A long one, cancelled from the dialog.
    recordSequence(600);
    form.folderField->setText(store->objectForKey(OXSaveToDiskPath).toString());
    Q_EMIT form.folderField->editingFinished();
    form.outputField->setText(home.path() + QStringLiteral("/long.webm"));
    Q_EMIT form.outputField->textEdited(form.outputField->text());
    finished.clear();
    form.makeButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.progressBar->value() > 0; }, 10000));
    form.cancelButton->click();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.first().first().value<FilmOutcome>().status, FilmOutcome::Status::Cancelled);
    EXPECT_EQ(form.progressLabel->text(), QStringLiteral("Cancelled; no video was saved."));
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/long.webm")));
    EXPECT_FALSE(QFile::exists(home.path() + QStringLiteral("/long.webm.part")));
    EXPECT_TRUE(form.makeButton->isEnabled());
}

} // namespace

#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class CameraMenu : public WindowFixture {
protected:
    QList<QAction*> items()
    {
        window->menuNeedsUpdate(ui().cameraMenu);
        return ui().cameraMenu->actions();
    }
};

TEST_F(CameraMenu, WithoutCamerasOneNoteThatDoesNothing)
{
    open(QString());
    const QList<QAction*> menu = items();
    ASSERT_EQ(menu.size(), 1);
    EXPECT_EQ(menu[0]->text(), QStringLiteral("No camera available"));
    QSignalSpy suspended(controller.get(), &CameraController::cameraSuspendedChanged);
    window->chooseCameraFromMenu(menu[0]);
    EXPECT_EQ(suspended.count(), 0);
}

TEST_F(CameraMenu, ListsTheRegistryTicksTheCameraInUseAndSwitches)
{
    open(QStringLiteral("Camera A;Camera B;R&D Cam"));
    QList<QAction*> menu = items();
    ASSERT_EQ(menu.size(), 3);
    EXPECT_EQ(menu[0]->data().toString(), QStringLiteral("Camera A"));
    EXPECT_EQ(menu[1]->data().toString(), QStringLiteral("Camera B"));
    EXPECT_EQ(menu[2]->text(), QStringLiteral("R&&D Cam")) << "an ampersand is shown, not taken as a mnemonic";
    EXPECT_FALSE(menu[0]->isChecked());
    EXPECT_FALSE(menu[1]->isChecked());
    EXPECT_TRUE(menu[2]->isChecked()) << "the last name is opened at start";

    window->chooseCameraFromMenu(menu[0]);
    EXPECT_EQ(controller->userDevice()->localizedDisplayName(), QStringLiteral("Camera A"));
    menu = items();
    EXPECT_TRUE(menu[0]->isChecked());
    EXPECT_FALSE(menu[2]->isChecked());

    QSignalSpy suspended(controller.get(), &CameraController::cameraSuspendedChanged);
    window->chooseCameraFromMenu(menu[0]); // the camera in use again: reopened all the same
    EXPECT_EQ(suspended.count(), 1);
    EXPECT_TRUE(controller->mCaptureSession()->isRunning());
}

TEST_F(CameraMenu, RecordingCommandOnlyStartsRecordings)
{
    open(QStringLiteral("Cam=160x120"));
    QAction* command = ui().toggleRecordingAction;
    EXPECT_FALSE(command->isEnabled()) << "nothing to save or upload to";
    store->setObject(true, OXSaveToDiskFlag);
    EXPECT_TRUE(command->isEnabled());
    command->trigger();
    EXPECT_TRUE(window->isRecording());
    EXPECT_FALSE(command->isEnabled()) << "disabled while recording";
    command->trigger();
    EXPECT_TRUE(window->isRecording()) << "the command does not stop a recording";
    window->toggleRecording();
    EXPECT_TRUE(command->isEnabled());
    EXPECT_FALSE(command->shortcut().isEmpty());
}

} // namespace

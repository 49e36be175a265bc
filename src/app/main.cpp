#include "CameraController.h"
#include "MainWindowController.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"
#include "SettingsKeys.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QWidget>

#include <gst/gst.h>

int main(int argc, char* argv[])
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrix"));
    QApplication::setOrganizationName(QStringLiteral("Ombrix"));

    OmbrixAppDelegate::initialize();

    MessageBoxAlertPresenter alerts;
    CameraController::sharedCameraController()->setAlertPresenter(&alerts);

    MainWindowController windowController(MainWindowController::Services{});
    windowController.window()->show();
    windowController.readFromKeyChain();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &windowController, [&windowController] {
        windowController.stopRecording();
        windowController.writeToKeychain();
    });
    if (UserDefaults::standardUserDefaults()->boolForKey(OXStartAuto) && windowController.recEnabled())
        windowController.startRecording();

    return app.exec();
}

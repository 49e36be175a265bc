#include "CameraController.h"
#include "MainWindowController.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"
#include "PrefsController.h"
#include "ui_MainWindow.h"
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
    PrefsController prefs(UserDefaults::standardUserDefaults());
    QObject::connect(windowController.ui()->preferencesAction, &QAction::triggered, &prefs, [&prefs] {
        prefs.window()->setAttribute(Qt::WA_QuitOnClose, false); // closing the main window alone quits
        prefs.showWindow();
    });
    QObject::connect(windowController.ui()->quitAction, &QAction::triggered, &app, &QCoreApplication::quit);
    if (UserDefaults::standardUserDefaults()->boolForKey(OXStartAuto) && windowController.recEnabled())
        windowController.startRecording();

    return app.exec();
}

#include "CameraController.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"

#include <QApplication>

#include <gst/gst.h>

int main(int argc, char* argv[])
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrix"));
    QApplication::setOrganizationName(QStringLiteral("Ombrix"));

    OmbrixAppDelegate::initialize();

    MessageBoxAlertPresenter alerts;
    CameraController* cameras = CameraController::sharedCameraController();
    cameras->setAlertPresenter(&alerts);
    cameras->addAnyCaptureDevice();

    return app.exec();
}

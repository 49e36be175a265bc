#include "CameraController.h"
#include "FTPController.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <gst/gst.h>


int main(int argc, char* argv[])
{
    const CurlGlobal curl; // libcurl is set up once, before any thread exists
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrix"));
    QApplication::setOrganizationName(QStringLiteral("Ombrix"));
    QApplication::setDesktopFileName(QStringLiteral("org.ombrix.Ombrix"));

    QTranslator qtTranslator, translator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    if (translator.load(QLocale(), QStringLiteral("ombrix"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QApplication::installTranslator(&translator);

    OmbrixAppDelegate::initialize();

    MessageBoxAlertPresenter alerts;
    CameraController::sharedCameraController()->setAlertPresenter(&alerts);

    OmbrixAppDelegate delegate;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &OmbrixAppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}

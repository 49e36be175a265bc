#include "CameraController.h"
#include "FTPController.h"
#include "MakeVideoCommand.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"
#include "SettingsKeys.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <gst/gst.h>

#include <memory>

namespace {

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Ombrix"));
    QCoreApplication::setOrganizationName(QStringLiteral("Ombrix"));
}

// Qt's own texts and Ombrix's, in the user's language; kept until the process ends.
void installTranslators()
{
    static QTranslator qtTranslator, translator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    if (translator.load(QLocale(), QStringLiteral("ombrix"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);
}

} // namespace

int main(int argc, char* argv[])
{
    const CurlGlobal curl; // libcurl is set up once, before any thread exists
    gst_init(&argc, &argv);
    if (isMakeVideoCommand(argc, argv)) {
        // No window, so no display needed: it runs over SSH too.
        QCoreApplication app(argc, argv);
        nameTheApplication();
        installTranslators();
        OmbrixAppDelegate::initialize();
        return runMakeVideoCommand(QCoreApplication::arguments(),
                                   UserDefaults::standardUserDefaults()->objectForKey(OXImageFilename).toString());
    }

    QApplication app(argc, argv);
    nameTheApplication();
    QApplication::setDesktopFileName(QStringLiteral("org.ombrix.Ombrix"));
    installTranslators();

    OmbrixAppDelegate::initialize();

    MessageBoxAlertPresenter alerts;
    CameraController::sharedCameraController()->setAlertPresenter(&alerts);

    OmbrixAppDelegate delegate;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &OmbrixAppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}

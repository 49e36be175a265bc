#include "CameraController.h"
#include "FTPController.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <gst/gst.h>

#include <cstdio>

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
    // Problems never hold Ombrix: a camera that restarts after a power cut must record
    // without a click, and quitting must end the process. They are shown without
    // blocking while Ombrix runs, and always written to the log.
    bool quitting = false;
    QObject::connect(&delegate, &OmbrixAppDelegate::problemReported, &delegate, [&quitting, &delegate](const QString& text) {
        std::fprintf(stderr, "Ombrix: %s\n", qPrintable(text));
        if (quitting)
            return;
        auto* notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Ombrix"), text, QMessageBox::Ok);
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->setAttribute(Qt::WA_QuitOnClose, false); // only the main window's closing ends Ombrix
        notice->setWindowModality(Qt::NonModal);
        if (MainWindowController* main = delegate.mainWindowController())
            notice->addAction(main->ui()->quitAction); // Ctrl+Q quits from here too
        notice->show();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&] {
        quitting = true;
        delegate.applicationWillTerminate();
    });
    delegate.applicationDidFinishLaunching();
    return app.exec();
}

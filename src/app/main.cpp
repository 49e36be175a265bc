#include "CameraController.h"
#include "ConsoleLine.h"
#include "DeviceWatcher.h"
#include "FTPController.h"
#include "HeadlessRecorder.h"
#include "MakeVideoCommand.h"
#include "MessageBoxAlertPresenter.h"
#include "OmbrixAppDelegate.h"
#include "QuitOnSignals.h"
#include "SecretStore.h"
#include "SettingsLock.h"
#include "ServiceStatus.h"
#include "SettingsTable.h"
#include "SystemdNotifier.h"
#include "UploadCheckCommand.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <gst/gst.h>

#include <cstdio>

namespace {

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Ombrix"));
    QCoreApplication::setOrganizationName(QStringLiteral("Ombrix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OMBRIX_VERSION));
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

// Options that run Ombrix without its window.
bool wantsNoWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--headless", "--status", "--test-upload", "--trust-host", "--list-cameras", "--camera", "--help", "-h", "--version", "-v"})
            if (qstrcmp(argv[i], option) == 0 || (qstrncmp(argv[i], option, qstrlen(option)) == 0 && argv[i][qstrlen(option)] == '='))
                return true;
    return false;
}

int runWithoutWindow(int argc, char* argv[])
{
    // No display is needed or used: stamps are drawn offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    nameTheApplication();
    installTranslators();

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Time-lapse pictures from a camera, saved to a folder and uploaded by FTP.\n"
                "Without options, the window opens. Films: ombrix --make-video FOLDER [--name NAME] [--from DATE_TIME] "
                "[--to DATE_TIME] [--fps N] [--size WxH] -o FILE"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QCoreApplication::translate("main", "Record with the settings file's values, without a window."));
    const QCommandLineOption camera(QStringLiteral("camera"), QCoreApplication::translate("main", "The camera to record with: its name as --list-cameras prints it, or its device (/dev/video0, /dev/v4l/by-id/...)."),
                                    QStringLiteral("NAME"));
    const QCommandLineOption listCameras(QStringLiteral("list-cameras"),
                                         QCoreApplication::translate("main", "Print the names of the attached cameras."));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QCoreApplication::translate("main", "Print the state of the running service."));
    const QCommandLineOption testUpload(QStringLiteral("test-upload"),
                                        QCoreApplication::translate("main", "Try the settings' server: connect, log in, write and remove a file."));
    const QCommandLineOption trustHost(QStringLiteral("trust-host"),
                                       QCoreApplication::translate("main", "Trust an FTPS server whose certificate no authority signed, by its key."),
                                       QStringLiteral("HOST[:PORT]"));
    parser.addOptions({headless, camera, listCameras, status, testUpload, trustHost});
    parser.process(app); // --help, --version and unknown options end here

    const auto out = [](const QString& line) { printLine(stdout, line); };
    const auto err = [](const QString& line) { printLine(stderr, line); };
    if (parser.isSet(listCameras)) {
        const DeviceWatcher watcher;
        // The device node beside the name, for --camera and other tools.
        for (const CaptureDevicePtr& device : watcher.videoDevices())
            out(device->v4l2Path().isEmpty() ? device->localizedDisplayName()
                                             : device->localizedDisplayName() + QLatin1Char('\t') + device->v4l2Path());
        return 0;
    }
    if (parser.isSet(status))
        return printServiceStatus();
    if (parser.isSet(trustHost))
        return runTrustHost(parser.value(trustHost), out);
    if (parser.isSet(testUpload)) {
        OmbrixAppDelegate::initialize();
        SecretStore secrets;
        return runUploadCheck(UserDefaults::standardUserDefaults(), &secrets, out);
    }
    if (!parser.isSet(headless)) {
        err(QCoreApplication::translate("main", "ombrix: --camera goes with --headless"));
        return 2;
    }

    const SettingsLock lock(UserDefaults::standardFilePath());
    if (!lock.isHeld()) {
        err(QStringLiteral("ombrix: ") + lock.problem());
        return 1;
    }
    OmbrixAppDelegate::initialize();
    UserDefaults* settings = UserDefaults::standardUserDefaults();
    if (!settings->loadProblem().isEmpty())
        err(settings->loadProblem());
    const QuitOnSignals quit;
    LoggingAlertPresenter alerts(err);
    CameraController cameras(settings, &alerts);
    cameras.setPace(CaptureMode::Pace::Sparse); // stills only: no preview to keep smooth
    if (parser.isSet(camera)) {
        const QString name = cameras.cameraNamed(parser.value(camera));
        if (name.isEmpty()) {
            const QStringList attached = cameras.devicesDict().keys();
            err(QCoreApplication::translate("main", "ombrix: no camera named \"%1\" (attached: %2)")
                    .arg(parser.value(camera), attached.isEmpty() ? QCoreApplication::translate("main", "none") : attached.join(QStringLiteral(", "))));
            return 1;
        }
        cameras.changeDevice(name);
    } else if (cameras.devicesDict().isEmpty()) {
        out(QCoreApplication::translate("main", "No camera is attached yet: waiting for one."));
    } else {
        cameras.addAnyCaptureDevice();
    }
    SecretStore secrets;
    HeadlessRecorder::Services services;
    services.session.userDefaults = settings;
    services.session.camController = &cameras;
    services.session.secretStore = &secrets;
    services.log = out;
    services.problem = err;
    services.statusFile = ServiceStatus::filePath();
    HeadlessRecorder recorder(services);
    const QString problem = recorder.settingsProblem();
    if (!problem.isEmpty()) {
        err(QStringLiteral("ombrix: ") + problem);
        return 1;
    }
    recorder.start();
    // Ready once it records, with or without its camera: a missing camera is a problem to tell.
    SystemdNotifier systemd;
    systemd.ready();
    app.exec();
    systemd.stopping();
    out(QCoreApplication::translate("main", "Stopped (signal %1).").arg(quit.received()));
    return 0;
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
                                   settingValue(*UserDefaults::standardUserDefaults(), OXImageFilename));
    }
    if (wantsNoWindow(argc, argv))
        return runWithoutWindow(argc, argv);

    QApplication app(argc, argv);
    nameTheApplication();
    QApplication::setDesktopFileName(QStringLiteral("org.ombrix.Ombrix"));
    installTranslators();

    const SettingsLock lock(UserDefaults::standardFilePath());
    if (!lock.isHeld()) { // the message instead of the window
        QMessageBox::critical(nullptr, QStringLiteral("Ombrix"), lock.problem());
        return 1;
    }
    OmbrixAppDelegate::initialize();

    MessageBoxAlertPresenter alerts;
    CameraController::sharedCameraController()->setAlertPresenter(&alerts);

    OmbrixAppDelegate delegate;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &OmbrixAppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return app.exec();
}

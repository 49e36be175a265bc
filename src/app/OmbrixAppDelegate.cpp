#include "OmbrixAppDelegate.h"

#include "Paths.h"
#include "PrefsController.h"
#include "SettingsTable.h"
#include "StampArchive.h"
#include "StampSettings.h"
#include "UserDefaults.h"

#include <QColor>
#include <QDesktopServices>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrlQuery>
#include <QWidget>

#include <cstdio>

void OmbrixAppDelegate::initialize(UserDefaults* userDefaults)
{
    registerSettingDefaults(userDefaults ? *userDefaults : *UserDefaults::standardUserDefaults());
}

OmbrixAppDelegate::OmbrixAppDelegate(MainWindowController::Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (!m_services.userDefaults)
        m_services.userDefaults = UserDefaults::standardUserDefaults();
    connect(this, &OmbrixAppDelegate::problemReported, this, &OmbrixAppDelegate::presentProblem);
}

void OmbrixAppDelegate::presentProblem(const QString& text)
{
    std::fprintf(stderr, "Ombrix: %s\n", qPrintable(text));
    if (m_terminating)
        return;
    auto* notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Ombrix"), text, QMessageBox::Ok);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setAttribute(Qt::WA_QuitOnClose, false); // only the main window's closing ends Ombrix
    notice->setWindowModality(Qt::NonModal);
    if (mMainWindowController)
        notice->addAction(mMainWindowController->quitAction()); // Ctrl+Q quits from here too
    notice->show();
}

OmbrixAppDelegate::~OmbrixAppDelegate() = default;

void OmbrixAppDelegate::applicationDidFinishLaunching()
{
    mMainWindowController = std::make_unique<MainWindowController>(m_services);
    QWidget* window = mMainWindowController->window();
    window->show();
    window->raise();
    window->activateWindow();
    mMainWindowController->readFromKeyChain();

    connect(mMainWindowController.get(), &MainWindowController::preferencesRequested, this, &OmbrixAppDelegate::showPrefsWindow);
    connect(mMainWindowController.get(), &MainWindowController::websiteRequested, this, &OmbrixAppDelegate::openWebsite);
    connect(mMainWindowController.get(), &MainWindowController::donateRequested, this, &OmbrixAppDelegate::openDonate);

    const QString settingsProblem = m_services.userDefaults->loadProblem();
    if (!settingsProblem.isEmpty())
        Q_EMIT problemReported(settingsProblem);

    if (settingValue(*m_services.userDefaults, OXStartAuto) && mMainWindowController->recEnabled())
        mMainWindowController->startRecording();
}

void OmbrixAppDelegate::applicationWillTerminate()
{
    m_terminating = true;
    if (!mMainWindowController)
        return;
    Error error;
    if (!mMainWindowController->writeToKeychain(&error))
        Q_EMIT problemReported(error.description);
}

void OmbrixAppDelegate::showPrefsWindow()
{
    if (!mPrefsController) {
        mPrefsController = std::make_unique<PrefsController>(m_services.userDefaults);
        // Only the main window's closing ends the application.
        mPrefsController->window()->setAttribute(Qt::WA_QuitOnClose, false);
    }
    mPrefsController->showWindow();
}

QUrl OmbrixAppDelegate::websiteURL()
{
    return QUrl(QStringLiteral("http://%1/ombrix").arg(QStringLiteral(OMBRIX_HOMEPAGE_HOST)));
}

QUrl OmbrixAppDelegate::donateURL()
{
    QUrl url(QStringLiteral("https://www.paypal.com/cgi-bin/webscr"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("cmd"), QStringLiteral("_xclick"));
    query.addQueryItem(QStringLiteral("business"), QStringLiteral(OMBRIX_DONATE_ADDRESS));
    query.addQueryItem(QStringLiteral("item_name"), QStringLiteral("Ombrix"));
    query.addQueryItem(QStringLiteral("no_shipping"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("cn"), QStringLiteral("Comments"));
    query.addQueryItem(QStringLiteral("tax"), QStringLiteral("0"));
    query.addQueryItem(QStringLiteral("currency_code"), QStringLiteral("EUR"));
    query.addQueryItem(QStringLiteral("lc"), QStringLiteral("US"));
    url.setQuery(query);
    return url;
}

void OmbrixAppDelegate::openWebsite()
{
    QDesktopServices::openUrl(websiteURL());
}

void OmbrixAppDelegate::openDonate()
{
    QDesktopServices::openUrl(donateURL());
}

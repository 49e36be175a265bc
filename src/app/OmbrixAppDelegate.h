#pragma once

#include "MainWindowController.h"

#include <QObject>
#include <QUrl>

#include <memory>

class PrefsController;
class UserDefaults;

// The application's delegate: registers the defaults before anything reads a
// setting, brings up the main window at launch (password from the keyring, an
// automatic start when asked and possible), stores the password when Ombrix quits,
// and opens the preferences and the two web pages.
class OmbrixAppDelegate : public QObject {
    Q_OBJECT
public:
    // Registers the defaults on the given store (the shared store when null).
    static void initialize(UserDefaults* userDefaults = nullptr);

    explicit OmbrixAppDelegate(MainWindowController::Services services = {}, QObject* parent = nullptr);
    ~OmbrixAppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // Shows a problem without blocking anything while Ombrix runs (a camera that
    // restarts after a power cut must record without a click), and only logs it once
    // Ombrix is quitting, so that no message box keeps the process alive.
    void presentProblem(const QString& text);
    void showPrefsWindow();
    void openWebsite();
    void openDonate();

    static QUrl websiteURL();
    static QUrl donateURL();

    MainWindowController* mainWindowController() const { return mMainWindowController.get(); }
    PrefsController* prefsController() const { return mPrefsController.get(); }

Q_SIGNALS:
    // A problem the user should hear of but that stops nothing (shown as a message).
    void problemReported(const QString& text);

private:
    MainWindowController::Services m_services;
    std::unique_ptr<MainWindowController> mMainWindowController;
    std::unique_ptr<PrefsController> mPrefsController;
    bool m_terminating = false;
};

#include "SessionFixture.h"
#include "CameraSuspendedView.h"
#include "ContentViewControllers.h"
#include "OmbrixAppDelegate.h"
#include "PrefsController.h"
#include "SettingsTable.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTranslator>
#include <QWidget>

#include <gtest/gtest.h>


namespace {

class Lifecycle : public SessionFixture {
protected:
    void launch(const QString& devices)
    {
        prepare(devices);
        services.typedPassword = {}; // the window's field
    }
    void finishLaunching()
    {
        delegate = std::make_unique<OmbrixAppDelegate>(services);
        QObject::connect(delegate.get(), &OmbrixAppDelegate::problemReported,
                         [this](const QString& text) { problems << text; });
        delegate->applicationDidFinishLaunching();
    }
    std::unique_ptr<OmbrixAppDelegate> delegate;
    QStringList problems;
};

TEST_F(Lifecycle, AutomaticStartOnlyWhenAskedAndPossible)
{
    launch(QStringLiteral("Cam=160x120"));
    store->setObject(true, OXSaveToDiskFlag);
    finishLaunching();
    EXPECT_FALSE(delegate->mainWindowController()->isRecording()) << "off unless asked";
    for (const auto& [startAuto, save, records] : {std::tuple{true, false, false}, {true, true, true}}) {
        store->setObject(startAuto, OXStartAuto);
        store->setObject(save, OXSaveToDiskFlag); // off: nothing to do
        finishLaunching();
        EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
        EXPECT_EQ(delegate->mainWindowController()->isRecording(), records) << startAuto << save;
    }
}

TEST_F(Lifecycle, NoAutomaticStartWithoutACamera)
{
    launch(QString());
    store->setObject(true, OXStartAuto);
    store->setObject(true, OXSaveToDiskFlag);
    finishLaunching();
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible()) << "the window comes up all the same";
    EXPECT_FALSE(delegate->mainWindowController()->isRecording());
    EXPECT_EQ(delegate->mainWindowController()->currentViewController()->title(), kNoCameraView) << "and says why";
}

TEST_F(Lifecycle, PreferencesTwiceGiveOneWindowThatDoesNotEndTheApplication)
{
    launch(QStringLiteral("Cam=160x120"));
    finishLaunching();
    delegate->mainWindowController()->ui()->preferencesAction->trigger();
    PrefsController* first = delegate->prefsController();
    ASSERT_NE(first, nullptr);
    QWidget* window = first->window();
    EXPECT_TRUE(window->isVisible());
    window->close();
    delegate->showPrefsWindow();
    EXPECT_EQ(delegate->prefsController(), first);
    EXPECT_EQ(first->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_TRUE(delegate->mainWindowController()->window()->testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(Lifecycle, QuitClosesTheMainWindowAndAnUnreachableKeyringIsReported)
{
    launch(QStringLiteral("Cam=160x120"));
    store->setObject(QStringLiteral("ftp://ftp.example.com"), OXFTPServerAddress);
    finishLaunching();
    MainWindowController* window = delegate->mainWindowController();
    window->ui()->passwordTextField->setText(QStringLiteral("typed")); // something to store at quit
    delegate->mainWindowController()->ui()->quitAction->trigger();
    EXPECT_FALSE(delegate->mainWindowController()->window()->isVisible());
    delegate->applicationWillTerminate();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("The FTP password could not be stored"))) << problems[0].toStdString();
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(top) && top->isVisible()) << "no message box keeps a quitting Ombrix alive";
}

TEST_F(Lifecycle, UnreadableSettingsAreReportedAndTheWindowStillComesUp)
{
    QDir().mkpath(QFileInfo(home.configFile()).path());
    QFile garbage(home.configFile());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("\x00\x01\x02garbage", 10));
    garbage.close();
    launch(QStringLiteral("Cam=160x120"));
    finishLaunching();
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("damaged")));
    // Shown without blocking: the launch went on past it, and it does not keep Ombrix running.
    QMessageBox* notice = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
            notice = box;
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->windowModality(), Qt::NonModal);
    EXPECT_FALSE(notice->testAttribute(Qt::WA_QuitOnClose));
    notice->close();
}

} // namespace

namespace {

TEST(Translation, GermanIsBuiltInAndUsed)
{
    QTranslator german;
    ASSERT_TRUE(german.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("ombrix"), QStringLiteral("_"),
                            QStringLiteral(":/i18n")));
    QCoreApplication::installTranslator(&german);
    NoCameraViewController placeholder;
    EXPECT_EQ(static_cast<CameraSuspendedView*>(placeholder.view())->attrString(), QStringLiteral("Keine Kamera verfügbar"));
    EXPECT_EQ(QCoreApplication::translate("MainWindowController", "A FTP error occured"),
              QStringLiteral("Ein FTP-Fehler ist aufgetreten"));
    EXPECT_EQ(QCoreApplication::translate("URLFormatter", "Invalid URL"), QStringLiteral("Ungültige URL"));
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ(QCoreApplication::translate("URLFormatter", "Invalid URL"), QStringLiteral("Invalid URL"));
}

} // namespace

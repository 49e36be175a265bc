#include "CameraFixture.h"
#include "OmbrixAppDelegate.h"
#include "PasswordKeychain.h"
#include "SecretStore.h"
#include "SettingsKeys.h"
#include "UserDefaults.h"
#include "ui_MainWindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

// Runs against GNOME Keyring in a private D-Bus session (tests/support/with-keyring.sh).
namespace {

class Keychain : public ::testing::Test {
protected:
    void use(const char* address, const char* user = "cam")
    {
        store.setObject(QString::fromUtf8(address), OXFTPServerAddress);
        store.setObject(QString::fromUtf8(user), OXFTPUsername);
    }
    std::optional<QString> read()
    {
        Error error;
        auto password = keychain.readFromKeyChain(&error);
        EXPECT_TRUE(error.description.isEmpty()) << error.description.toStdString();
        return password;
    }
    void write(const QString& password)
    {
        Error error;
        EXPECT_TRUE(keychain.writeToKeychain(password, &error)) << error.description.toStdString();
    }

    QTemporaryDir dir;
    UserDefaults store{dir.path() + QStringLiteral("/Ombrix.conf")};
    SecretStore secrets;
    PasswordKeychain keychain{&store, &secrets};
};

TEST_F(Keychain, WrittenReadBackAndReplacedByAnEmptyOne)
{
    use("ftp://ftp.example.com/pub");
    EXPECT_FALSE(read().has_value()) << "nothing stored yet";
    write(QStringLiteral("s3cret pässword"));
    EXPECT_EQ(read(), QStringLiteral("s3cret pässword"));
    write(QString());
    EXPECT_EQ(read(), QString()) << "an empty password replaces the earlier one";

    QFile settings(store.filePath());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("s3cret")) << "never in the settings file";
}

TEST_F(Keychain, OneEntryPerHostWhateverSchemePortOrUser)
{
    use("ftp://cam.example.org:21/a", "alice");
    write(QStringLiteral("first"));
    use("ftps://cam.example.org:990/b", "bob");
    EXPECT_EQ(read(), QStringLiteral("first"));
    write(QStringLiteral("second"));
    use("ftp://cam.example.org");
    EXPECT_EQ(read(), QStringLiteral("second")) << "the entry was replaced, not added to";

    use("ftp://other.example.org");
    EXPECT_FALSE(read().has_value());
    write(QStringLiteral("other"));
    use("ftp://cam.example.org");
    EXPECT_EQ(read(), QStringLiteral("second")) << "another host's entry stays as it was";
}

TEST_F(Keychain, WithoutAStoredUserNameThePasswordIsStillKept)
{
    store.setObject(QStringLiteral("ftp://192.0.2.10"), OXFTPServerAddress);
    write(QStringLiteral("pw"));
    EXPECT_EQ(read(), QStringLiteral("pw"));
}

} // namespace

// The whole launch and quit, against the real keyring.
namespace {

class LaunchAndQuit : public CameraFixture {};

TEST_F(LaunchAndQuit, PasswordIsFilledBeforeAnAutomaticStartAndStoredAtQuit)
{
    start(QStringLiteral("Cam=160x120"));
    SecretStore secrets;
    ASSERT_TRUE(secrets.storePassword(QStringLiteral("ftp.example.com"), QStringLiteral("cam"), QStringLiteral("from-keyring")));
    store->setObject(QStringLiteral("ftp://ftp.example.com/pub"), OXFTPServerAddress);
    store->setObject(true, OXStartAuto);

    MainWindowController::Services services;
    services.userDefaults = store.get();
    services.camController = controller.get();
    services.secretStore = &secrets;
    {
        OmbrixAppDelegate delegate(services);
        delegate.applicationDidFinishLaunching();
        MainWindowController* window = delegate.mainWindowController();
        EXPECT_TRUE(window->isRecording()) << "recording does not wait for the keyring";
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->isPasswordKnown(); }, 5000));
        EXPECT_EQ(window->ui()->passwordTextField->text(), QStringLiteral("from-keyring"));
        window->stopRecording();
        window->ui()->passwordTextField->setText(QStringLiteral("typed later"));
        delegate.applicationWillTerminate();
    }
    EXPECT_EQ(secrets.passwordForHost(QStringLiteral("ftp.example.com")), QStringLiteral("typed later"));

    // Quitting stores the password even when recording never ran.
    store->setObject(false, OXStartAuto);
    OmbrixAppDelegate idle(services);
    idle.applicationDidFinishLaunching();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle.mainWindowController()->isPasswordKnown(); }, 5000));
    idle.mainWindowController()->ui()->passwordTextField->setText(QStringLiteral("third"));
    idle.applicationWillTerminate();
    EXPECT_EQ(secrets.passwordForHost(QStringLiteral("ftp.example.com")), QStringLiteral("third"));
}

} // namespace

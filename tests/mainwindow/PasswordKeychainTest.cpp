#include "CameraFixture.h"
#include "ChildProcess.h"
#include "OmbrixAppDelegate.h"
#include "PasswordKeychain.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "UserDefaults.h"
#include "ui_MainWindow.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ScopedEnv.h"

#include <gtest/gtest.h>

// Runs against GNOME Keyring in a private D-Bus session (tests/support/with-keyring.sh).
namespace {

// The keyring's answer, waited for (at most ten seconds: none is no answer).
std::optional<QString> lookUp(const SecretStore& secrets, const QString& host, Error* error = nullptr,
                              const QString& protocol = QStringLiteral("ftps"))
{
    std::optional<std::optional<QString>> answer;
    const auto call = secrets.lookupPassword(host, protocol, [&](std::optional<QString> password, const Error& why) {
        answer = password;
        if (error)
            *error = why;
    });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 10000);
    return answer.value_or(std::nullopt);
}

bool storeIn(const SecretStore& secrets, const QString& host, const QString& user, const QString& password,
             Error* error = nullptr, const QString& protocol = QStringLiteral("ftps"))
{
    std::optional<bool> stored;
    const auto call = secrets.storePasswordLater(host, protocol, user, password, [&](bool ok, const Error& why) {
        stored = ok;
        if (error)
            *error = why;
    });
    (void)QTest::qWaitFor([&] { return stored.has_value(); }, 10000);
    return stored.value_or(false);
}

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
        auto password = lookUp(secrets, keychain.storedHost(), &error, keychain.storedProtocol());
        EXPECT_TRUE(error.description.isEmpty()) << error.description.toStdString();
        return password;
    }
    void write(const QString& password)
    {
        Error error;
        EXPECT_TRUE(storeIn(secrets, keychain.storedHost(), store.objectForKey(OXFTPUsername).toString(), password, &error,
                            keychain.storedProtocol()))
            << error.description.toStdString();
    }

    QTemporaryDir dir;
    UserDefaults store{dir.path() + QStringLiteral("/Ombrix.conf")};
    SecretStore secrets;
    PasswordKeychain keychain{&store, &secrets};
};

TEST_F(Keychain, WrittenReadBackAndReplacedByAnEmptyOneAlsoWithoutAUserName)
{
    use("ftp://ftp.example.com/pub", "");
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
    // SSH passwords are filed apart, with protocol sftp.
    use("sftp://cam.example.org/b", "bob");
    EXPECT_FALSE(read().has_value());
    write(QStringLiteral("by ssh"));
    EXPECT_EQ(lookUp(secrets, QStringLiteral("cam.example.org"), nullptr, QStringLiteral("sftp")), QStringLiteral("by ssh"));
    use("ftps://cam.example.org");
    EXPECT_EQ(read(), QStringLiteral("second"));
}

// secret-tool as a person runs it, the secret on its standard input; the words split at spaces.
bool secretTool(const QString& words, const QByteArray& secret)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), words.split(QLatin1Char(' ')));
    tool.write(secret);
    tool.closeWriteChannel();
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

int entriesFor(const char* host)
{
    QByteArray found;
    runToEnd(words(QStringLiteral("secret-tool search --all server %1 protocol ftps").arg(QString::fromLatin1(host))), {}, &found);
    return found.count("secret = ");
}

TEST_F(Keychain, AnEntryStoredByHandIsFoundAndTheQuietStoreKeepsOneEntryPerHost)
{
    // As the README tells: secret-tool store --label=... server HOST protocol ftps
    ASSERT_TRUE(secretTool(QStringLiteral("store --label=by-hand server hand.example.org protocol ftps"), "typed-by-hand"));
    use("ftp://hand.example.org", "alice");
    EXPECT_EQ(read(), QStringLiteral("typed-by-hand"));
    write(QStringLiteral("newer")); // stored first, then the older entries go
    EXPECT_EQ(read(), QStringLiteral("newer"));
    EXPECT_EQ(entriesFor("hand.example.org"), 1) << "the hand-made entry was replaced";
}

TEST_F(Keychain, AStoreThatFailsKeepsTheOldPassword)
{
    // The old entry sits in the always-open session collection; the default one is
    // locked, and with no display its unlock prompt fails: storing there fails.
    ASSERT_TRUE(secretTool(QStringLiteral("store --collection=session --label=old xdg:schema org.gnome.keyring.NetworkPassword "
                                          "server kept.example.org protocol ftps port 0 authtype default user old"),
                           "old-password"));
    ASSERT_EQ(runToEnd(words(QStringLiteral("gdbus call --session --dest org.freedesktop.secrets --object-path /org/freedesktop/secrets "
                                     "--method org.freedesktop.Secret.Service.Lock ['/org/freedesktop/secrets/collection/login']"))),
              0);
    const ScopedEnv noDisplay("DISPLAY", QByteArray()); // no prompt can be shown

    EXPECT_FALSE(storeIn(secrets, QStringLiteral("kept.example.org"), QStringLiteral("new"), QStringLiteral("new-password")));
    EXPECT_EQ(lookUp(secrets, QStringLiteral("kept.example.org")), QStringLiteral("old-password"))
        << "the old password is still there";
}

} // namespace

// The whole launch and quit, against the real keyring.
namespace {

class LaunchAndQuit : public CameraFixture {};

TEST_F(LaunchAndQuit, PasswordIsFilledBeforeAnAutomaticStartAndStoredAtQuit)
{
    start(QStringLiteral("Cam=160x120"));
    SecretStore secrets;
    ASSERT_TRUE(storeIn(secrets, QStringLiteral("ftp.example.com"), QStringLiteral("cam"), QStringLiteral("from-keyring")));
    store->setObject(QStringLiteral("ftp://ftp.example.com/pub"), OXFTPServerAddress);
    store->setObject(QStringLiteral("cam"), OXFTPUsername);
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
    EXPECT_EQ(lookUp(secrets, QStringLiteral("ftp.example.com")), QStringLiteral("typed later"));

    // A keyring that could not be read leaves the field empty: quitting must not
    // store that emptiness over the real password.
    {
        MainWindowController unread(services); // the keyring is never asked
        Error error;
        EXPECT_TRUE(unread.writeToKeychain(&error)) << error.description.toStdString();
    }
    EXPECT_EQ(lookUp(secrets, QStringLiteral("ftp.example.com")), QStringLiteral("typed later"));

    // Quitting stores the password even when recording never ran.
    store->setObject(false, OXStartAuto);
    OmbrixAppDelegate idle(services);
    idle.applicationDidFinishLaunching();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle.mainWindowController()->isPasswordKnown(); }, 5000));
    idle.mainWindowController()->ui()->passwordTextField->setText(QStringLiteral("third"));
    idle.applicationWillTerminate();
    EXPECT_EQ(lookUp(secrets, QStringLiteral("ftp.example.com")), QStringLiteral("third"));
}

} // namespace

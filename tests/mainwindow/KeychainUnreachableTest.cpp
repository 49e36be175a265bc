#include "PasswordKeychain.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "TempHome.h"
#include "UserDefaults.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>

#include "ScopedEnv.h"

#include <gtest/gtest.h>

// Without a Secret Service the password can be neither read nor stored: the caller
// hears so at once, and nothing waits longer than the store's timeout. Each test
// points the session bus elsewhere before the process first talks to it.
namespace {

class Unreachable : public ::testing::Test {
protected:
    void SetUp() override { store.setObject(QStringLiteral("ftp://ftp.example.com/pub"), OXFTPServerAddress); }
    TempHome home;
    UserDefaults store{home.configFile()};
};

TEST_F(Unreachable, NoSessionBusAtAll)
{
    const ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus);
    SecretStore secrets(std::chrono::seconds(5));
    PasswordKeychain keychain(&store, &secrets);
    Error error;
    EXPECT_FALSE(keychain.writeToKeychain(QStringLiteral("s3cret"), &error));
    EXPECT_TRUE(error.description.startsWith(QStringLiteral("The FTP password could not be stored"))) << error.description.toStdString();
    EXPECT_FALSE(error.description.contains(QStringLiteral("s3cret")));
    EXPECT_FALSE(keychain.readFromKeyChain().has_value());
}

TEST_F(Unreachable, BusThatNeverAnswers)
{
    QTemporaryDir dir;
    QLocalServer mute; // accepts into its backlog and never speaks
    ASSERT_TRUE(mute.listen(dir.path() + QStringLiteral("/bus")));
    const ScopedEnv muteBus("DBUS_SESSION_BUS_ADDRESS", (QStringLiteral("unix:path=") + dir.path() + QStringLiteral("/bus")).toLocal8Bit());
    SecretStore secrets(std::chrono::seconds(1));
    PasswordKeychain keychain(&store, &secrets);
    QElapsedTimer clock;
    clock.start();
    Error error;
    EXPECT_FALSE(keychain.writeToKeychain(QStringLiteral("s3cret"), &error));
    EXPECT_FALSE(keychain.readFromKeyChain().has_value());
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(error.description.isEmpty());
}

TEST_F(Unreachable, WithoutAServerAddressNothingIsAsked)
{
    const ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus);
    SecretStore secrets;
    for (const QString& address : {QString(), QStringLiteral("not a url"), QStringLiteral("mailto:x")}) {
        store.setObject(address, OXFTPServerAddress);
        PasswordKeychain keychain(&store, &secrets);
        Error error;
        EXPECT_TRUE(keychain.writeToKeychain(QStringLiteral("pw"), &error)) << address.toStdString();
        EXPECT_TRUE(error.description.isEmpty());
        EXPECT_FALSE(keychain.readFromKeyChain().has_value());
    }
}

} // namespace

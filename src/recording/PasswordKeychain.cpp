#include "PasswordKeychain.h"

#include "SecretStore.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QUrl>

PasswordKeychain::PasswordKeychain(UserDefaults* userDefaults, SecretStore* store)
    : m_userDefaults(userDefaults)
    , m_store(store)
{
}

QString PasswordKeychain::storedHost() const
{
    return QUrl(settingValue(*m_userDefaults, OXFTPServerAddress)).host();
}

std::unique_ptr<SecretCall> PasswordKeychain::readLater(std::function<void(std::optional<QString>, const Error&)> done) const
{
    const QString host = storedHost();
    if (host.isEmpty())
        return nullptr;
    return m_store->lookupPassword(host, std::move(done));
}

std::unique_ptr<SecretCall> PasswordKeychain::writeLater(const QString& password, std::function<void(bool, const Error&)> done) const
{
    const QString host = storedHost();
    if (host.isEmpty())
        return nullptr;
    return m_store->storePasswordLater(host, settingValue(*m_userDefaults, OXFTPUsername), password,
                                       std::move(done));
}

#include "PasswordKeychain.h"

#include "S3Transport.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
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

QString PasswordKeychain::storedProtocol() const
{
    const QUrl address(settingValue(*m_userDefaults, OXFTPServerAddress));
    const QString scheme = address.scheme();
    if (S3Transport::isS3Address(address, settingValue(*m_userDefaults, OXS3Endpoint)))
        return QStringLiteral("s3");
    if (scheme == QLatin1String("sftp"))
        return scheme;
    return scheme.startsWith(QLatin1String("http")) ? QStringLiteral("webdav") : QStringLiteral("ftps");
}

std::unique_ptr<SecretCall> PasswordKeychain::readLater(std::function<void(std::optional<QString>, const Error&)> done) const
{
    const QString host = storedHost();
    if (host.isEmpty())
        return nullptr;
    return m_store->lookupPassword(host, storedProtocol(), std::move(done));
}

std::unique_ptr<SecretCall> PasswordKeychain::writeLater(const QString& password, std::function<void(bool, const Error&)> done) const
{
    const QString host = storedHost();
    if (host.isEmpty())
        return nullptr;
    return m_store->storePasswordLater(host, storedProtocol(), settingValue(*m_userDefaults, OXFTPUsername), password,
                                       std::move(done));
}

bool PasswordKeychain::storeWithin(const QString& password, std::chrono::milliseconds bound, Error* error) const
{
    bool finished = false;
    bool stored = false;
    Error failure;
    QEventLoop wait;
    const std::unique_ptr<SecretCall> call = writeLater(password, [&](bool ok, const Error& why) {
        finished = true;
        stored = ok;
        failure = why;
        wait.quit();
    });
    if (!call)
        return true;
    QTimer::singleShot(bound, &wait, &QEventLoop::quit);
    if (!finished)
        wait.exec();
    if (!finished)
        failure = Error{QStringLiteral("SecretServiceErrorDomain"), 0,
                        QCoreApplication::translate("PasswordKeychain",
                                                    "The FTP password could not be stored in the keyring (no answer from the keyring)")};
    if (!stored && error)
        *error = failure;
    return stored;
}

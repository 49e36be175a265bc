#pragma once

#include "Error.h"

#include <QString>

#include <chrono>
#include <optional>

// Passwords in the desktop's Secret Service (GNOME Keyring, KWallet) under the
// standard network-password schema, one entry per server host: server = host,
// port 0, protocol "ftps", authtype "default", with the user name beside it, so
// the entry shows in the desktop's keyring manager.
//
// No call waits longer than the timeout: a Secret Service that does not answer is
// reported as an error, like one that cannot be reached at all.
class SecretStore {
public:
    explicit SecretStore(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The password stored for the host; none when there is none or on failure
    // (then *error, when given, says why).
    std::optional<QString> passwordForHost(const QString& host, Error* error = nullptr) const;
    // Replaces whatever was stored for the host.
    bool storePassword(const QString& host, const QString& user, const QString& password, Error* error = nullptr) const;

private:
    std::chrono::milliseconds m_timeout;
};

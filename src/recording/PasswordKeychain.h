#pragma once

#include "Error.h"

#include <QString>

#include <chrono>
#include <functional>

#include <memory>
#include <optional>

class SecretCall;

class SecretStore;
class UserDefaults;

// The FTP password in the keyring, filed under the host of the stored server
// address, shared by its ftp and ftps addresses and all its ports; an sftp
// address has its own (protocol "sftp"), as SSH tools file it. Without a
// stored address (or one without a host) nothing is read or stored.
class PasswordKeychain {
public:
    PasswordKeychain(UserDefaults* userDefaults, SecretStore* store);

    // Reads the stored password, or stores one with the stored user name, without
    // waiting (see SecretStore); null when there is no host to ask about, and then
    // `done` is not called.
    std::unique_ptr<SecretCall> readLater(std::function<void(std::optional<QString>, const Error&)> done) const;
    std::unique_ptr<SecretCall> writeLater(const QString& password, std::function<void(bool, const Error&)> done) const;
    // Stores the password, waiting for the keyring at most `bound` (for quitting,
    // which must not hang on a keyring that never answers). True when stored, or
    // when there is no host to file it under.
    bool storeWithin(const QString& password, std::chrono::milliseconds bound, Error* error) const;
    QString storedHost() const;
    QString storedProtocol() const; // "ftps" or "sftp"

private:
    UserDefaults* m_userDefaults;
    SecretStore* m_store;
};

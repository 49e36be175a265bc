#pragma once

#include "Error.h"

#include <QString>

#include <optional>

class SecretStore;
class UserDefaults;

// The FTP password in the keyring, filed under the host of the stored server
// address, shared by its ftp and ftps addresses and all its ports. Without a
// stored address (or one without a host) nothing is read or stored.
class PasswordKeychain {
public:
    PasswordKeychain(UserDefaults* userDefaults, SecretStore* store);

    // The stored password for the password field, or none (leave the field as it is).
    std::optional<QString> readFromKeyChain(Error* error = nullptr) const;
    // Stores the password field's text with the stored user name; false (and *error)
    // when the keyring could not take it.
    bool writeToKeychain(const QString& password, Error* error = nullptr) const;

private:
    QString storedHost() const;

    UserDefaults* m_userDefaults;
    SecretStore* m_store;
};

#pragma once

#include "Error.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// A keyring call under way. Dropping or cancelling it cancels the call; its
// callback is then never run.
class SecretCall {
public:
    struct State;
    explicit SecretCall(std::shared_ptr<State> state);
    ~SecretCall();
    SecretCall(const SecretCall&) = delete;
    SecretCall& operator=(const SecretCall&) = delete;
    void cancel();

private:
    std::shared_ptr<State> m_state;
};

// Passwords in the desktop's Secret Service (GNOME Keyring, KWallet) under the
// standard network-password schema, one entry per server host and protocol:
// server = host, port 0, protocol "ftps" (FTP and FTPS) or "sftp", authtype
// "default", with the user name beside it, so the entry shows in the desktop's
// keyring manager.
class SecretStore {
public:
    // The password stored for the host (none when there is none or on failure,
    // then with the reason), and storing one in place of whatever was stored for
    // the host. Nothing waits: the answer comes later on the calling thread's
    // GLib main context (Qt's event loop on the main thread), through `done`.
    // A keyring that wants to prompt, or never answers, simply never calls back:
    // callers bound their own wait and cancel.
    using LookupDone = std::function<void(std::optional<QString> password, const Error& error)>;
    using StoreDone = std::function<void(bool stored, const Error& error)>;
    std::unique_ptr<SecretCall> lookupPassword(const QString& host, const QString& protocol, LookupDone done) const;
    std::unique_ptr<SecretCall> storePasswordLater(const QString& host, const QString& protocol, const QString& user,
                                                   const QString& password, StoreDone done) const;
};

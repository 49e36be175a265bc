#pragma once

#include <QString>

#include <functional>

class SecretStore;
class UserDefaults;

// `ombrix --test-upload`: tries the settings' server as the service would upload
// (the password from the keyring or the netrc file) and prints one sentence per
// step. Exit status 0 when pictures can be uploaded, 1 when not, 2 with no server.
int runUploadCheck(UserDefaults* settings, SecretStore* secrets, const std::function<void(const QString&)>& out);

// `ombrix --trust-host HOST[:PORT]`: shows the key of an FTPS server's certificate
// and, when the person at the terminal says yes, trusts the server by that key.
int runTrustHost(const QString& hostAndPort, const std::function<void(const QString&)>& out);

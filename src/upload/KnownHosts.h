#pragma once

#include <QByteArray>
#include <QString>

// An SSH server's host key as it showed it.
struct SshHostKey {
    QString host;
    int port = 22;
    QByteArray type; // as known_hosts names it: "ssh-ed25519", "ecdsa-sha2-nistp256", "ssh-rsa"
    QByteArray blob; // the key itself

    bool isValid() const { return !host.isEmpty() && !type.isEmpty() && !blob.isEmpty(); }
    // "ED25519 SHA256:…", as ssh prints it.
    QString fingerprint() const;
    // "host", or "[host]:port" for another port than 22, as known_hosts names a server.
    QString hostPattern() const;
    bool operator==(const SshHostKey&) const = default;
};

// OpenSSH's known_hosts file: plain and hashed names, "[host]:port" for other ports.
namespace KnownHosts {
// ~/.ssh/known_hosts
QString defaultPath();
// The number (from 1) of the first line that names the server, or 0.
int lineFor(const QString& path, const QString& host, int port);
// Appends the key's line, as OpenSSH does; false with the reason when it cannot.
bool add(const QString& path, const SshHostKey& key, QString* problem);
} // namespace KnownHosts

// A TLS server whose certificate no authority signed (a NAS, a router), trusted by
// the owner: its public key, pinned as libcurl takes it ("sha256//BASE64", the
// SHA-256 of the DER public key).
struct TrustedCertificate {
    QString host;
    int port = 21;
    QByteArray pin;

    bool isValid() const { return !host.isEmpty() && !pin.isEmpty(); }
    // "HOST", or "HOST:PORT" for another port than 21.
    QString hostPattern() const;
    bool operator==(const TrustedCertificate&) const = default;
};

// The owner's list of such servers: lines "HOST[:PORT] sha256//BASE64".
namespace TrustedCertificates {
// $XDG_CONFIG_HOME/Ombrix/trusted-certificates
QString defaultPath();
// The pin trusted for the server, empty when none; `line` gets its line number.
QByteArray pinFor(const QString& path, const QString& host, int port, int* line = nullptr);
bool add(const QString& path, const TrustedCertificate& certificate, QString* problem);
// The pin of a certificate in PEM.
QByteArray pinOf(const QByteArray& pem);
} // namespace TrustedCertificates

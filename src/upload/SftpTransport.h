#pragma once

#include "KnownHosts.h"
#include "Transport.h"

class CurlSession;

// SFTP. Only a server whose host key known_hosts holds is spoken to: an unknown or
// changed key is refused, and the result holds the key shown for the owner to check.
// The login tries the ssh-agent, then the key file, then the password (which also
// opens a key locked with a passphrase). A picture goes to NAME.part in one write
// buffer and is renamed onto its name.
class SftpTransport : public Transport {
public:
    explicit SftpTransport(CurlSession& session);

    TransferResult upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password) override;
    TransferResult list(const QUrl& folder, const QString& username, const QString& password) override;
    TransferResult remove(const QUrl& folder, const QStringList& names, const QString& username, const QString& password,
                          Removal removal) override;
    TransferResult reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps) override;

    // The host key a server showed, and libcurl's verdict on it against known_hosts.
    struct HostKeyCheck {
        SshHostKey seen;
        int match = -1; // a curl_khmatch; -1: no key was checked
    };

private:
    void prepare(const QByteArray& target, const QUrl& url, const QString& username, const QString& password, qsizetype bytes);
    TransferResult failure(int result, const QUrl& url, const QString& username) const;
    QByteArray keyFile() const;

    CurlSession& m_session;
    HostKeyCheck m_hostKeyCheck;
    QByteArray m_knownHosts; // of the request under way, for libcurl
    QByteArray m_keyFile;
};

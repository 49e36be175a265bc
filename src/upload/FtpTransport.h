#pragma once

#include "Transport.h"

#include <QSet>

class CurlSession;

// FTP and FTPS. TLS is asked for on every connection and used whenever the server
// offers it; a host that spoke TLS before (or whose key the owner trusts) must speak
// it again, so that a missing offer never sends the password in clear. A picture
// goes to NAME.part and is renamed onto its name (after removing the old one where
// a server refuses to rename over it).
class FtpTransport : public Transport {
public:
    explicit FtpTransport(CurlSession& session);

    TransferResult upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password) override;
    TransferResult list(const QUrl& folder, const QString& username, const QString& password) override;
    TransferResult remove(const QUrl& folder, const QStringList& names, const QString& username, const QString& password,
                          Removal removal) override;
    TransferResult reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps) override;

    void setHostsRequiringTls(QSet<QString> hosts) { m_hostsRequiringTls = std::move(hosts); }

private:
    void prepare(const QByteArray& target, const QUrl& url, const QString& username, const QString& password, qsizetype bytes);
    TransferResult failure(int result, const QUrl& url);
    Error describe(int result) const;
    QString reachFailure(int result, const QUrl& folder, const QString& username);

    CurlSession& m_session;
    QSet<QString> m_hostsRequiringTls;
    QSet<QString> m_tlsConnectedHosts; // hosts whose kept connection is encrypted
};

#pragma once

#include "Transport.h"

class CurlSession;

// WebDAV (Nextcloud, ownCloud, a NAS, Apache, rclone) over HTTPS. A picture is put
// under NAME.part and moved onto its name with Overwrite: T, one step on the server,
// so that the always-current picture is replaced whole; missing folders are made.
// Plain http:// never carries a password, but to this machine (a local proxy).
class WebDavTransport : public Transport {
public:
    explicit WebDavTransport(CurlSession& session);

    TransferResult upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password) override;
    TransferResult list(const QUrl& folder, const QString& username, const QString& password) override;
    TransferResult remove(const QUrl& folder, const QStringList& names, const QString& username, const QString& password,
                          Removal removal) override;
    TransferResult reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps) override;

    // Why the address must not get the password: plain HTTP to another machine; empty when it may.
    static QString inClear(const QUrl& url, const QString& password);

private:
    // One request; its HTTP status (0: none came), its answer's body into `body` when given.
    int request(const char* method, const QUrl& url, const QString& username, const QString& password,
                const QList<QByteArray>& headers = {}, const QByteArray* upload = nullptr, QByteArray* body = nullptr,
                long* status = nullptr);
    bool makeFolders(const QUrl& folder, const QString& username, const QString& password);
    TransferResult failure(int result, long status, const QUrl& url);

    CurlSession& m_session;
};

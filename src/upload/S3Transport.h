#pragma once

#include "Transport.h"

class CurlSession;

// S3-compatible storage (Amazon S3, Backblaze B2, Cloudflare R2, Wasabi, MinIO,
// Garage). Addresses are s3://BUCKET/PREFIX/NAME, whose requests go to the endpoint
// in the transfer settings (path style) or to Amazon's in the region (virtual-hosted
// style), or https://ENDPOINT/BUCKET/PREFIX/NAME (path style), signed with AWS Signature Version 4: the access key is the user name, the
// secret key the password. A PUT replaces an object whole, so no temporary name is
// needed. Plain http:// endpoints only on this machine (a local MinIO).
class S3Transport : public Transport {
public:
    explicit S3Transport(CurlSession& session);

    TransferResult upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password) override;
    TransferResult list(const QUrl& folder, const QString& username, const QString& password) override;
    TransferResult remove(const QUrl& folder, const QStringList& names, const QString& username, const QString& password,
                          Removal removal) override;
    TransferResult reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps) override;

    // Whether an address is S3's: s3://, or http(s):// to the endpoint set or to a
    // well-known service's host; any other http(s) address is WebDAV.
    static bool isS3Address(const QUrl& url, const QString& endpoint);
    static QString bucketOf(const QUrl& address);
    // The region requests to this host are signed for: the one its name says, else the one set.
    static QString regionOf(const QString& host, const QString& setRegion);
    // The address a request for the key in the address's bucket goes to; `query` already encoded.
    QUrl requestUrl(const QUrl& address, const QString& key, const QByteArray& query = {}) const;
    // "The bucket is in eu-central-1, not us-east-1" from a service's error answer; empty when it names no region.
    static QString regionText(const QByteArray& answer, const QString& signedFor);

private:
    int request(const char* method, const QUrl& url, const QString& username, const QString& password,
                const QByteArray* upload, const QByteArray& contentType, QByteArray* answer, long* status);
    TransferResult failure(int result, long status, const QByteArray& answer, const QUrl& target, const QString& username);

    CurlSession& m_session;
};

#pragma once

#include "KnownHosts.h"
#include "TransferResult.h"
#include "TransferSettings.h"
#include "Transport.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class CurlSession;
class FtpTransport;
class SftpTransport;
class WebDavTransport;
class S3Transport;

// libcurl's process-wide set-up. Made once in main() before any other thread
// exists (libcurl's global init is not thread-safe), released when main() ends.
class CurlGlobal {
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;

private:
    bool m_ready;
};

// Sends pictures held in memory to a server, on the caller's thread, by the
// protocol its address names (FTP, FTPS, SFTP, WebDAV over HTTPS, S3), and returns how each call went as
// one value. Readers of the server never see half a picture. One libcurl handle is
// kept between calls, so a server's connection and login are reused from one
// picture to the next. Calls are made from one thread at a time; abortTransfers()
// may be called from any thread.
class FTPController {
public:
    using Removal = Transport::Removal;

    explicit FTPController(FTPTransferSettings settings = {});
    ~FTPController();
    FTPController(const FTPController&) = delete;
    FTPController& operator=(const FTPController&) = delete;

    // Sends the picture; `ok` once it arrived whole.
    TransferResult uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password);
    // The names of the files in a folder, in the result's `names`.
    TransferResult listNames(const QUrl& folder, const QString& username, const QString& password);
    // Removes the named files from the folder; a name already gone is no error unless strict.
    TransferResult removeNames(const QUrl& folder, const QStringList& names, const QString& username,
                               const QString& password, Removal removal = Removal::GoneIsFine);

    // A trial of the address, as a person checks it: connects, logs in, finds (or
    // makes) the folder, writes and removes a small file. One plain sentence per
    // step, the last one saying what failed and what to do; `ok` when all worked.
    struct Check {
        bool ok = false;
        QStringList steps;
    };
    Check checkConnection(const QUrl& folder, const QString& username, const QString& password);

    // FTP hosts whose uploads must use TLS (they used it before: a missing offer now
    // means someone in between removed it, and the password must not go in clear).
    void setHostsRequiringTls(QSet<QString> hosts);

    // Ends the transfer in progress at once, even one waiting inside libcurl for
    // the server's answer, and refuses every later one (CURLE_ABORTED_BY_CALLBACK):
    // for shutting down. Any thread.
    void abortTransfers();

    // The name a picture is sent under before it is renamed to its own.
    static QString temporaryName(const QString& fileName);

    // The key of a TLS server's certificate, read unverified and logging in as
    // anonymous (nothing of the owner's is sent): for a person to check and trust.
    // `names` gets the names the certificate is made out to.
    TrustedCertificate probeCertificate(const QUrl& url, QString* names = nullptr);

private:
    // The transport for the address, or why there is none.
    Transport* transportFor(const QUrl& url, TransferResult* refused) const;

    std::unique_ptr<CurlSession> m_session;
    std::unique_ptr<FtpTransport> m_ftp;
    std::unique_ptr<SftpTransport> m_sftp;
    std::unique_ptr<WebDavTransport> m_dav;
    std::unique_ptr<S3Transport> m_s3;
};

#pragma once

#include "KnownHosts.h"
#include "TransferResult.h"
#include "TransferSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <curl/curl.h>

#include <atomic>
#include <memory>

// A list of commands for libcurl (FTP's or SFTP's), freed with it.
class CurlCommands {
public:
    CurlCommands() = default;
    ~CurlCommands() { curl_slist_free_all(m_list); }
    CurlCommands(const CurlCommands&) = delete;
    CurlCommands& operator=(const CurlCommands&) = delete;
    void append(const QByteArray& command)
    {
        if (curl_slist* longer = curl_slist_append(m_list, command.constData()))
            m_list = longer;
    }
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// The file names of a listing, one a line; some servers give the folder too.
QStringList listedNames(const QByteArray& listing);

// One libcurl handle, kept from request to request so that a server's connection and
// login are reused, and run through a multi handle so that abort() ends a transfer at
// once from any thread. It holds what every transport shares: the protocols allowed,
// the bounds on silent and slow servers, certificates checked by an authority or by
// the key the owner trusts, and what the server said last.
class CurlSession {
public:
    explicit CurlSession(FTPTransferSettings settings);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    bool isValid() const;
    CURL* handle() const;
    const FTPTransferSettings& settings() const { return m_settings; }

    // Resets the handle (its connection stays) and sets what every request shares, for
    // `target` on the server of `url`, sending `bytes`. The login goes as given.
    void prepare(const QByteArray& target, const QUrl& url, const QByteArray& user, const QByteArray& secret, qsizetype bytes);
    // Hands the data to libcurl as the request's body.
    void setBody(const QByteArray& data);
    // Collects what the server sends (a listing) into `into`.
    void collectInto(QByteArray* into);
    // Runs the prepared request; a CURLcode.
    int perform();
    // Ends the transfer under way at once and refuses every later one. Any thread.
    void abort();

    // What the server said last: its last answer line ("552 Quota exceeded") and code,
    // libcurl's own words, and whether the connection started TLS.
    QString reply() const;
    long replyCode() const;
    QString curlSaid() const { return QString::fromUtf8(m_curlError); }
    bool tlsStarted() const { return m_tlsStarted; }

    // The owner's trust in the request's server by its key: the pin and its line, empty when none.
    const QByteArray& pin() const { return m_pin; }
    int pinLine() const { return m_pinLine; }
    QString certificatesPath() const;
    // The key of a TLS server's certificate, read unverified and logging in as
    // anonymous (nothing of the owner's is sent): for a person to check and trust.
    // `names` gets the names the certificate is made out to.
    TrustedCertificate probeCertificate(const QUrl& url, QString* names = nullptr);
    // A failed request's TLS trust said for a person: a certificate no authority signed
    // (its key read, to ask about), a trusted key that changed, or TLS refused where it is a must.
    void explainTrust(int result, const QUrl& url, TransferResult* failed);

    // The protocols an address may name; any other is refused before a connection.
    static constexpr const char* kProtocols = "ftp,ftps,sftp,http,https";
    static int defaultPort(const QUrl& url);

private:
    struct Handles;
    FTPTransferSettings m_settings;
    QByteArray m_caBundle;
    std::unique_ptr<Handles> m_handles;
    std::atomic<bool> m_aborted{false};
    QByteArray m_reply; // the server's last answer line, as it said it
    bool m_tlsStarted = false;
    char m_curlError[CURL_ERROR_SIZE] = {};
    QByteArray m_pin;
    int m_pinLine = 0;
    QByteArray m_body;
    struct Body {
        const char* cursor = nullptr;
        qsizetype remaining = 0;
    } m_bodyState;
};

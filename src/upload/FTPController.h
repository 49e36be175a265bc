#pragma once

#include "Error.h"
#include "KnownHosts.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// Hears how an upload ended, inside the upload call. Either callback may be left
// as it is; the uploader then sends nothing for that outcome.
class FTPControllerDelegate {
public:
    virtual ~FTPControllerDelegate() = default;
    virtual void uploadDidFinish() {}
    virtual void uploadDidNotFinishWithError(const Error& error) { Q_UNUSED(error); }
};

// How uploads reach the network. The application keeps the defaults.
struct FTPTransferSettings {
    // Certificate authorities to trust instead of the system's (empty: the system's).
    QString caBundlePath;
    // Bounds that keep a silent or stalled server from holding the caller for long.
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds responseTimeout{20};
    std::chrono::seconds stallTimeout{20};
    // The whole transfer may last as long as the picture takes at the slowest rate,
    // but no shorter than the floor and no longer than the ceiling: a server that
    // trickles a byte now and then cannot hold the pictures behind it.
    qsizetype slowestBytesPerSecond = 4 * 1024;
    std::chrono::seconds transferFloor{120};
    std::chrono::seconds transferCeiling{300};
    // SFTP: the servers' host keys (empty: ~/.ssh/known_hosts) and the private key
    // to log in with (empty: ~/.ssh/id_ed25519, else ~/.ssh/id_ecdsa); the
    // ssh-agent, when one runs, is asked first.
    QString knownHostsPath{};
    QString sshKeyFile{};
    // FTPS servers the owner trusts by their key (empty: $XDG_CONFIG_HOME/Ombrix/trusted-certificates).
    QString trustedCertificatesPath{};
};

// The host key an SFTP server showed, and libcurl's verdict on it against known_hosts.
struct SshHostKeyCheck {
    SshHostKey seen;
    int match = -1; // a curl_khmatch; -1: no key was checked
};

// libcurl's process-wide set-up. Made once in main() before any other thread
// exists (libcurl's global init is not thread-safe), released when main() ends.
class CurlGlobal {
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool isReady() const { return m_ready; }

private:
    bool m_ready;
};

// The read side of one transfer: the part of the picture not yet handed to libcurl.
struct ReadMemoryState {
    const char* cursor = nullptr;
    std::uint64_t remaining = 0;
};

// libcurl's read callback over a ReadMemoryState: hands over the lesser of what is
// asked for and what is left; 0 ends the upload.
std::size_t ReadMemoryCallback(char* destination, std::size_t size, std::size_t count, void* state);

// Sends one picture held in memory to one FTP, FTPS or SFTP address with libcurl,
// on the caller's thread, and tells the delegate how it went before returning. An
// SFTP server's host key must be in known_hosts; an unknown or changed one is
// refused, and the key it showed is kept for the caller to ask about.
//
// The picture goes to a temporary name beside its final one ("NAME.part") and is
// renamed when it has arrived whole, so readers of the server never see half a
// picture. The libcurl handle is kept between uploads, so a server's connection
// and login are reused from one picture to the next. Uploads are made from one
// thread at a time; abortTransfers() and wakeUp() may be called from any thread.
class FTPController {
public:
    explicit FTPController(FTPTransferSettings settings = {});
    ~FTPController();
    FTPController(const FTPController&) = delete;
    FTPController& operator=(const FTPController&) = delete;

    FTPControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(FTPControllerDelegate* delegate) { m_delegate = delegate; }

    // True when the picture arrived; the delegate has heard the outcome by then.
    bool uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password);
    void completeUpload();
    void uploadError(const Error& error);

    // The names of the files in a folder (NLST), or nothing when the server gave
    // none (the delegate has heard why).
    std::optional<QStringList> listNames(const QUrl& folder, const QString& username, const QString& password);
    // Removes the named files from the folder; a name already gone is no error.
    bool removeNames(const QUrl& folder, const QStringList& names, const QString& username, const QString& password);

    // A trial of the address, as a person checks it: connects, logs in, finds (or
    // makes) the folder, writes and removes a small file. One plain sentence per
    // step, the last one saying what failed and what to do; `ok` when all worked.
    struct Check {
        bool ok = false;
        QStringList steps;
    };
    Check checkConnection(const QUrl& folder, const QString& username, const QString& password);

    // Hosts whose uploads must use TLS (they used it before: a missing offer now
    // means someone in between removed it, and the password must not go in clear).
    void setHostsRequiringTls(QSet<QString> hosts) { m_hostsRequiringTls = std::move(hosts); }
    // Whether the last upload's connection was encrypted.
    bool lastUploadUsedTls() const { return m_lastUploadUsedTls; }
    // Whether the last upload failed because the server refuses this picture for
    // good (a 5xx answer to its folder or its file, other than a full disk), not
    // because of the connection, the login or the server's state.
    bool lastFailureIsPermanent() const { return m_lastFailurePermanent; }

    // Ends the transfer in progress at once, even one waiting inside libcurl for
    // the server's answer, and refuses every later one (CURLE_ABORTED_BY_CALLBACK):
    // for shutting down. Any thread.
    void abortTransfers();

    // The name a picture is sent under before it is renamed to its own.
    static QString temporaryName(const QString& fileName);

    // The host key an SFTP server showed when the last upload was refused because
    // known_hosts does not name that server; invalid otherwise.
    const SshHostKey& lastUnknownHostKey() const { return m_unknownHostKey; }
    // The key an FTPS server showed when the last upload was refused because no
    // authority vouches for its certificate and the owner has not trusted it; invalid otherwise.
    const TrustedCertificate& lastUnknownCertificate() const { return m_unknownCertificate; }
    // The key of an FTPS server's certificate, read unverified and logging in as
    // anonymous (nothing of the owner's is sent): for a person to check and trust.
    // `names` gets the names the certificate is made out to.
    TrustedCertificate probeCertificate(const QUrl& url, QString* names = nullptr);

    // The protocols an address may name; any other is refused before a connection.
    static constexpr const char* kProtocols = "ftp,ftps,sftp";

private:
    struct Handles;
    int perform();
    void prepare(void* handle, const QByteArray& target, const QUrl& url, const QByteArray& user, const QByteArray& secret,
                 qsizetype bytes);
    Error describeFailure(int result) const;
    Error describeSshFailure(int result, const QUrl& url, const QString& username) const;
    QString checkFailure(int result, const QUrl& folder, const QString& username) const;
    QString certificatesPath() const;
    QString certificateText(int result, const TrustedCertificate& unknown) const;
    QByteArray sshKeyFile() const;

    FTPTransferSettings m_settings;
    QByteArray m_caBundle;
    FTPControllerDelegate* m_delegate = nullptr;
    std::unique_ptr<Handles> m_handles;
    std::atomic<bool> m_aborted{false};
    QByteArray m_lastReply; // the server's last answer line, as it said it
    long m_lastReplyCode = 0;
    bool m_lastFailurePermanent = false;
    QSet<QString> m_hostsRequiringTls;
    QSet<QString> m_tlsConnectedHosts; // hosts whose kept connection is encrypted
    bool m_lastUploadUsedTls = false;
    bool m_tlsStarted = false;
    SshHostKeyCheck m_hostKeyCheck;
    QByteArray m_knownHosts; // of the request under way, for libcurl
    QByteArray m_keyFile;
    char m_curlError[256] = {}; // libcurl's own words on the last failure
    SshHostKey m_unknownHostKey;
    QByteArray m_pin; // of the request under way: the owner trusts the server by this key
    int m_pinLine = 0;
    TrustedCertificate m_unknownCertificate;
    QString m_lastHost;
    int m_lastPort = 21;
};

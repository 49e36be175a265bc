#pragma once

#include "Error.h"
#include "KnownHosts.h"
#include "TransferResult.h"

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
// on the caller's thread, and returns how it went as one value. An SFTP server's
// host key must be in known_hosts; an unknown or changed one is refused, and the
// result holds the key it showed for the caller to ask about.
//
// The picture goes to a temporary name beside its final one ("NAME.part") and is
// renamed when it has arrived whole, so readers of the server never see half a
// picture. The libcurl handle is kept between uploads, so a server's connection
// and login are reused from one picture to the next. Uploads are made from one
// thread at a time; abortTransfers() may be called from any thread.
class FTPController {
public:
    explicit FTPController(FTPTransferSettings settings = {});
    ~FTPController();
    FTPController(const FTPController&) = delete;
    FTPController& operator=(const FTPController&) = delete;

    // Sends the picture; `ok` once it arrived whole.
    TransferResult uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password);

    // The names of the files in a folder (NLST), in the result's `names`.
    TransferResult listNames(const QUrl& folder, const QString& username, const QString& password);
    // Removes the named files from the folder; a name already gone is no error unless strict.
    enum class Removal { GoneIsFine, Strict };
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

    // Hosts whose uploads must use TLS (they used it before: a missing offer now
    // means someone in between removed it, and the password must not go in clear).
    void setHostsRequiringTls(QSet<QString> hosts) { m_hostsRequiringTls = std::move(hosts); }

    // Ends the transfer in progress at once, even one waiting inside libcurl for
    // the server's answer, and refuses every later one (CURLE_ABORTED_BY_CALLBACK):
    // for shutting down. Any thread.
    void abortTransfers();

    // The name a picture is sent under before it is renamed to its own.
    static QString temporaryName(const QString& fileName);

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
    std::unique_ptr<Handles> m_handles;
    std::atomic<bool> m_aborted{false};
    QByteArray m_lastReply; // the server's last answer line, as it said it
    long m_lastReplyCode = 0;
    QSet<QString> m_hostsRequiringTls;
    QSet<QString> m_tlsConnectedHosts; // hosts whose kept connection is encrypted
    bool m_tlsStarted = false;
    SshHostKeyCheck m_hostKeyCheck;
    QByteArray m_knownHosts; // of the request under way, for libcurl
    QByteArray m_keyFile;
    char m_curlError[256] = {}; // libcurl's own words on the last failure
    QByteArray m_pin; // of the request under way: the owner trusts the server by this key
    int m_pinLine = 0;
    QString m_lastHost;
    int m_lastPort = 21;
};

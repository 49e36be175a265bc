#include "FTPController.h"

#include "FtpText.h"

#include <curl/curl.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cctype>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kPollSliceMs = 10;
constexpr long kSftpUploadBuffer = 512 * 1024;

const QString kCurlErrorDomain = QStringLiteral("CurlErrorDomain");

Error curlError(int code)
{
    return Error{kCurlErrorDomain, code, QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(code)))};
}

// A list of FTP commands for libcurl, freed with it.
class CommandList {
public:
    CommandList() = default;
    ~CommandList() { curl_slist_free_all(m_list); }
    CommandList(const CommandList&) = delete;
    CommandList& operator=(const CommandList&) = delete;
    void append(const QByteArray& command)
    {
        if (curl_slist* longer = curl_slist_append(m_list, command.constData()))
            m_list = longer;
    }
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

CURLcode noteTlsStarted(CURL*, void*, void* started)
{
    *static_cast<bool*>(started) = true;
    return CURLE_OK;
}

// Keeps the server's last complete answer line ("552 Quota exceeded"), so that a
// failure can say what the server said.
int noteReply(CURL*, curl_infotype type, char* data, std::size_t size, void* reply)
{
    if (type != CURLINFO_HEADER_IN) // not the data going out: a copy of each picture otherwise
        return 0;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ')
        *static_cast<QByteArray*>(reply) = line.left(200);
    return 0;
}

std::size_t appendTo(char* data, std::size_t size, std::size_t count, void* bytes)
{
    static_cast<QByteArray*>(bytes)->append(data, qsizetype(size * count));
    return size * count;
}

// The key type a key blob names first ("ssh-ed25519", "ecdsa-sha2-nistp256", ...).
QByteArray keyTypeOf(const QByteArray& blob)
{
    if (blob.size() < 4)
        return {};
    const quint32 length = quint32(uchar(blob[0])) << 24 | quint32(uchar(blob[1])) << 16 | quint32(uchar(blob[2])) << 8 |
        quint32(uchar(blob[3]));
    return length <= quint32(blob.size() - 4) ? blob.mid(4, qsizetype(length)) : QByteArray();
}

// libcurl's answer on an SFTP server's host key against known_hosts: only a match
// goes on. The key is kept, so that an unknown one can be shown and trusted.
int checkHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data)
{
    auto* check = static_cast<SshHostKeyCheck*>(data);
    check->seen.blob = found->len ? QByteArray(found->key, qsizetype(found->len)) : QByteArray::fromBase64(found->key);
    check->seen.type = keyTypeOf(check->seen.blob);
    check->match = match;
    return match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
}

// The names the server's own certificate is made out to: its alternative names, else its subject.
QString certificateNames(const curl_certinfo* certificates)
{
    if (!certificates || certificates->num_of_certs < 1)
        return {};
    QString names;
    for (const curl_slist* field = certificates->certinfo[0]; field; field = field->next) {
        const QString text = QString::fromUtf8(field->data);
        if (text.startsWith(QLatin1String("X509v3 Subject Alternative Name:")) ||
            (names.isEmpty() && text.startsWith(QLatin1String("Subject:"))))
            names = text.section(QLatin1Char(':'), 1)
                        .remove(QStringLiteral("DNS:"))
                        .remove(QStringLiteral("IP Address:"))
                        .remove(QStringLiteral("CN = "))
                        .trimmed();
    }
    return names;
}

// A path for an SFTP command, quoted as libcurl reads it.
QByteArray quotedPath(const QString& path)
{
    QByteArray quoted = path.toUtf8();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

int stopWhenAborted(void* aborted, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<std::atomic<bool>*>(aborted)->load() ? 1 : 0;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("FTPController", text);
}

Error controlCharacterError()
{
    return Error{kCurlErrorDomain, CURLE_BAD_FUNCTION_ARGUMENT,
                 tr("The address, user name or password holds a control character (such as a line break): nothing was sent.")};
}

// A server that must speak TLS (it did before, or its key is trusted) and did not offer it.
QString tlsRefusedText(const QString& host)
{
    return tr("%1 did not offer TLS this time, and Ombrix logs in there only with TLS: nothing was sent, not even the "
              "password. Someone in between may be removing it; check the server's TLS settings.")
        .arg(host);
}

// The sockets libcurl has open for one handle. libcurl reads some of the server's
// answers with a blocking wait of its own; shutting the sockets down is what ends
// such a wait at once when Ombrix quits.
class SocketRegistry {
public:
    static curl_socket_t open(void* registry, curlsocktype, curl_sockaddr* address)
    {
        auto* self = static_cast<SocketRegistry*>(registry);
        const curl_socket_t fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        std::lock_guard lock(self->m_lock);
        if (fd != CURL_SOCKET_BAD && self->m_shutDown) {
            ::close(fd);
            return CURL_SOCKET_BAD;
        }
        if (fd != CURL_SOCKET_BAD)
            self->m_open.insert(fd);
        return fd;
    }
    static int close(void* registry, curl_socket_t fd)
    {
        auto* self = static_cast<SocketRegistry*>(registry);
        {
            std::lock_guard lock(self->m_lock);
            self->m_open.erase(fd);
        }
        return ::close(fd);
    }
    void shutDownAll()
    {
        std::lock_guard lock(m_lock);
        m_shutDown = true;
        for (const curl_socket_t fd : m_open)
            ::shutdown(fd, SHUT_RDWR); // the descriptor stays libcurl's to close
    }

private:
    std::mutex m_lock;
    std::set<curl_socket_t> m_open;
    bool m_shutDown = false;
};

} // namespace

CurlGlobal::CurlGlobal()
    : m_ready(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK)
{
}

CurlGlobal::~CurlGlobal()
{
    if (m_ready)
        curl_global_cleanup();
}

std::size_t ReadMemoryCallback(char* destination, std::size_t size, std::size_t count, void* userState)
{
    auto* state = static_cast<ReadMemoryState*>(userState);
    const std::uint64_t wanted = static_cast<std::uint64_t>(size) * count;
    const std::uint64_t handed = std::min(wanted, state->remaining);
    if (handed == 0)
        return 0;
    std::memcpy(destination, state->cursor, static_cast<std::size_t>(handed));
    state->cursor += handed;
    state->remaining -= handed;
    return static_cast<std::size_t>(handed);
}

// One easy handle run through a multi handle: the multi handle's wait can be woken
// from another thread, which is what makes a transfer abortable at once.
struct FTPController::Handles {
    SocketRegistry sockets; // first: outlives the handles' connections
    CURLM* multi = curl_multi_init();
    CURL* easy = curl_easy_init();
    ~Handles()
    {
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
    }
    bool isValid() const { return multi && easy; }
};

FTPController::FTPController(FTPTransferSettings settings)
    : m_settings(std::move(settings))
    , m_caBundle(m_settings.caBundlePath.toLocal8Bit())
    , m_handles(std::make_unique<Handles>())
{
}

FTPController::~FTPController() = default;

QString FTPController::temporaryName(const QString& fileName)
{
    return fileName + QStringLiteral(".part");
}

void FTPController::prepare(void* handle, const QByteArray& target, const QUrl& url, const QByteArray& user,
                            const QByteArray& secret, qsizetype bytes)
{
    // The options every request shares; reset first, because the handle (and with
    // it the server's connection) is kept from the last request.
    CURL* h = static_cast<CURL*>(handle);
    const QByteArray& caBundle = m_caBundle;
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, target.isEmpty() ? nullptr : target.constData());
    // Only what Ombrix offers: an address naming http:// or file:// never gets the password.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &SocketRegistry::open);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &m_handles->sockets);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &SocketRegistry::close);
    curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &m_handles->sockets);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &stopWhenAborted);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &m_aborted);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L); // the server's answers go to noteReply, not to the terminal
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &noteReply);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &m_lastReply);
    m_curlError[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_curlError);
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(m_hostsRequiringTls.contains(url.host()) ? CURLUSESSL_ALL
                                                                                                      : CURLUSESSL_TRY));
    // Called when a connection starts TLS: so we learn that the server speaks it.
    curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &noteTlsStarted);
    curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &m_tlsStarted);
    curl_easy_setopt(h, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    // Certificates must name the host: otherwise anyone with any certificate could read the password.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, secret.constData());
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    // Bound every wait on the server.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(m_settings.responseTimeout.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_settings.stallTimeout.count()));
    const long allowed = static_cast<long>(bytes / std::max<qsizetype>(1, m_settings.slowestBytesPerSecond));
    // A large file (a day's film) may take as long as it needs at a modest 64 KiB/s.
    const long ceiling = std::max(static_cast<long>(m_settings.transferCeiling.count()), static_cast<long>(bytes / (64 * 1024)));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, std::clamp(allowed, static_cast<long>(m_settings.transferFloor.count()), ceiling));
    if (!caBundle.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caBundle.constData());
    const QByteArray previousPin = m_pin;
    m_pin = url.scheme() == QLatin1String("sftp")
        ? QByteArray()
        : TrustedCertificates::pinFor(certificatesPath(), url.host(), url.port(21), &m_pinLine);
    // A trusted key that changed (trusted anew, or edited by hand) holds from this upload on,
    // not only once a kept connection ends.
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, m_pin != previousPin ? 1L : 0L);
    if (!m_pin.isEmpty()) {
        // A server the owner trusts by its key: that key alone vouches for it, and TLS is a must there.
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(h, CURLOPT_PINNEDPUBLICKEY, m_pin.constData());
    }
    if (url.scheme() == QLatin1String("sftp")) {
        // Never a server whose key known_hosts does not hold: anyone in between could read the password.
        m_knownHosts = (m_settings.knownHostsPath.isEmpty() ? KnownHosts::defaultPath() : m_settings.knownHostsPath).toLocal8Bit();
        m_hostKeyCheck = SshHostKeyCheck{SshHostKey{url.host(), url.port(22), {}, {}}, -1};
        curl_easy_setopt(h, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.constData());
        curl_easy_setopt(h, CURLOPT_SSH_KEYFUNCTION, &checkHostKey);
        curl_easy_setopt(h, CURLOPT_SSH_KEYDATA, &m_hostKeyCheck);
        // The agent first, then the key file, then the password, as the server allows.
        curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES,
                         static_cast<long>(CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_PASSWORD));
        m_keyFile = sshKeyFile();
        curl_easy_setopt(h, CURLOPT_SSH_PRIVATE_KEYFILE, m_keyFile.isEmpty() ? nullptr : m_keyFile.constData());
        curl_easy_setopt(h, CURLOPT_SSH_PUBLIC_KEYFILE, ""); // derived from the private key
        // A key locked with a passphrase opens with the secret stored for the server.
        curl_easy_setopt(h, CURLOPT_KEYPASSWD, secret.constData());
        // libssh2 keeps every write of one buffer in flight at once: a picture in one
        // buffer waits for its acknowledgements once, not once per 64 KiB.
        curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kSftpUploadBuffer);
    }
}

QString FTPController::certificatesPath() const
{
    return m_settings.trustedCertificatesPath.isEmpty() ? TrustedCertificates::defaultPath()
                                                        : m_settings.trustedCertificatesPath;
}

TrustedCertificate FTPController::probeCertificate(const QUrl& url, QString* names)
{
    CURL* h = m_handles->easy;
    const QByteArray error(m_curlError);
    // Anonymous and without a password: nothing of the owner's goes to a server not yet trusted.
    prepare(h, url.adjusted(QUrl::RemoveFilename).toEncoded(), url, "anonymous", {}, 0);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_PINNEDPUBLICKEY, nullptr);
    curl_easy_setopt(h, CURLOPT_CERTINFO, 1L);
    perform();
    TrustedCertificate shown{url.host(), url.port(21), {}};
    curl_certinfo* certificates = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CERTINFO, &certificates) == CURLE_OK && certificates && certificates->num_of_certs > 0) {
        for (const curl_slist* field = certificates->certinfo[0]; field; field = field->next)
            if (qstrncmp(field->data, "Cert:", 5) == 0)
                shown.pin = TrustedCertificates::pinOf(QByteArray(field->data + 5));
        if (names)
            *names = certificateNames(certificates);
    }
    qstrncpy(m_curlError, error.constData(), sizeof m_curlError); // the failure it was read for stays the one said
    return shown;
}

QString FTPController::certificateText(int result, const TrustedCertificate& unknown) const
{
    if (result == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        return tr("WARNING: the TLS key of %1 has CHANGED: line %2 of %3 trusts another. Someone may be listening in: "
                  "nothing was sent. Only if the server really has a new certificate, remove that line and trust it "
                  "again (ombrix --trust-host %1).")
            .arg(TrustedCertificate{m_lastHost, m_lastPort, {}}.hostPattern())
            .arg(m_pinLine)
            .arg(certificatesPath());
    return tr("No authority this computer trusts signed the certificate of %1 (its key is %2), so nothing was sent. If "
              "this is your own server (a NAS, a router), check that key and trust it: ombrix --trust-host %1.")
        .arg(unknown.hostPattern(), QString::fromLatin1(unknown.pin));
}

QByteArray FTPController::sshKeyFile() const
{
    if (!m_settings.sshKeyFile.isEmpty())
        return QFile::encodeName(m_settings.sshKeyFile);
    for (const char* name : {"/.ssh/id_ed25519", "/.ssh/id_ecdsa"})
        if (QFileInfo::exists(QDir::homePath() + QLatin1String(name)))
            return QFile::encodeName(QDir::homePath() + QLatin1String(name));
    return {};
}

TransferResult FTPController::uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    ReadMemoryState state{data.constData(), static_cast<std::uint64_t>(data.size())};
    const QString fileName = url.fileName(QUrl::FullyDecoded);
    QUrl partUrl = url;
    if (!fileName.isEmpty())
        partUrl.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".part"), QUrl::StrictMode);
    const QByteArray address = url.isEmpty() ? QByteArray() : partUrl.toEncoded();
    const QByteArray folder = url.isEmpty() ? QByteArray() : url.adjusted(QUrl::RemoveFilename).toEncoded();
    const QByteArray user = username.toUtf8();
    const QByteArray secret = password.toUtf8();
    const QByteArray renameFrom = "RNFR " + temporaryName(fileName).toUtf8();
    const QByteArray renameTo = "RNTO " + fileName.toUtf8();

    const auto prepare = [&](CURL* h, const QByteArray& target) { this->prepare(h, target, url, user, secret, data.size()); };

    // A line break in any of these would hand the server a command of its own.
    if (hasControlCharacter(username) || hasControlCharacter(password) ||
        hasControlCharacter(QString::fromUtf8(QByteArray::fromPercentEncoding(url.toEncoded())))) {
        return TransferResult::failed(controlCharacterError(), true);
    }

    m_tlsStarted = false;
    m_lastReply.clear();
    TransferResult outcome;
    int result = CURLE_FAILED_INIT;
    if (m_handles->isValid()) {
        CURL* h = m_handles->easy;
        CommandList rename;
        rename.append(renameFrom);
        rename.append(renameTo);
        prepare(h, address);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &ReadMemoryCallback);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READDATA, &state);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
        const QString path = url.path(QUrl::FullyDecoded);
        const bool sftp = url.scheme() == QLatin1String("sftp");
        const QByteArray sftpRenameCommand = "rename " + quotedPath(path + QStringLiteral(".part")) + ' ' + quotedPath(path);
        CommandList sftpRename;
        sftpRename.append(sftpRenameCommand);
        if (!fileName.isEmpty())
            curl_easy_setopt(h, CURLOPT_POSTQUOTE, sftp ? sftpRename.get() : rename.get());
        result = perform();
        if (sftp && result == CURLE_QUOTE_ERROR && !fileName.isEmpty()) {
            // SFTP cannot rename over a file here: the old picture goes just before (a gap
            // of milliseconds with no file, never a partial one). "*": one gone is no error.
            CommandList replace;
            replace.append("*rm " + quotedPath(path));
            replace.append(sftpRenameCommand);
            prepare(h, folder);
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(h, CURLOPT_POSTQUOTE, replace.get());
            result = perform();
        }
        if (sftp) {
            outcome.ok = result == CURLE_OK;
            if (!outcome.ok) {
                outcome.unknownHostKey = m_hostKeyCheck.match == CURLKHMATCH_MISSING ? m_hostKeyCheck.seen : SshHostKey{};
                outcome.error = describeSshFailure(result, url, username);
            }
            return outcome;
        }

        if (result == CURLE_QUOTE_ERROR && !fileName.isEmpty()) {
            // Some servers refuse to rename over an existing file: remove the old
            // picture first (it may be gone already), then rename again.
            CommandList replace;
            replace.append("*DELE " + fileName.toUtf8());
            replace.append(renameFrom);
            replace.append(renameTo);
            prepare(h, folder);
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(h, CURLOPT_POSTQUOTE, replace.get());
            result = perform();
        }
    }

    // A kept connection that was encrypted stays so; a new one says so as it starts TLS.
    if (m_tlsStarted)
        m_tlsConnectedHosts.insert(url.host());
    else if (result != CURLE_OK)
        m_tlsConnectedHosts.remove(url.host());
    outcome.ok = result == CURLE_OK;
    outcome.usedTls = outcome.ok && m_tlsConnectedHosts.contains(url.host());
    if (outcome.ok)
        return outcome;
    m_lastReplyCode = m_lastReply.left(3).toLong();
    // A refusal of this picture's folder or file: 5xx, but not a full disk or a refused login.
    outcome.permanent = result == CURLE_UNSUPPORTED_PROTOCOL ||
        (m_lastReplyCode >= 500 && m_lastReplyCode != 552 && m_lastReplyCode != 530 &&
         (result == CURLE_REMOTE_ACCESS_DENIED || result == CURLE_UPLOAD_FAILED || result == CURLE_QUOTE_ERROR ||
          result == CURLE_REMOTE_FILE_NOT_FOUND));
    m_lastHost = url.host();
    m_lastPort = url.port(21);
    // A certificate no authority signed, not one made out to another name.
    if (result == CURLE_PEER_FAILED_VERIFICATION && m_pin.isEmpty() && m_handles->isValid() &&
        !QByteArray(m_curlError).contains("target host name"))
        outcome.unknownCertificate = probeCertificate(url);
    outcome.error = describeFailure(result);
    if (outcome.unknownCertificate.isValid() || result == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        outcome.error.description = certificateText(result, outcome.unknownCertificate);
    else if (result == CURLE_USE_SSL_FAILED)
        outcome.error.description = tlsRefusedText(url.host());
    return outcome;
}

Error FTPController::describeFailure(int result) const
{
    Error error = curlError(result);
    if (result == CURLE_ABORTED_BY_CALLBACK || m_lastReplyCode < 400)
        return error;
    // The server's own words, without anything that could upset a terminal or a log.
    QString said = QString::fromUtf8(m_lastReply);
    for (QChar& c : said)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    if (m_lastReplyCode == 452 || m_lastReplyCode == 552)
        error.description = tr("The server's disk is full (%1)").arg(said);
    else if (m_lastReplyCode == 530)
        error.description = tr("The server refused the login (%1)").arg(said);
    else
        error.description = tr("The server refused the picture (%1)").arg(said);
    return error;
}

Error FTPController::describeSshFailure(int result, const QUrl& url, const QString& username) const
{
    Error error = curlError(result);
    const SshHostKey& key = m_hostKeyCheck.seen;
    const QString knownHosts = QString::fromLocal8Bit(m_knownHosts);
    if (result == CURLE_PEER_FAILED_VERIFICATION && m_hostKeyCheck.match == CURLKHMATCH_MISSING) {
        error.description =
            tr("The SSH server %1 is not known: its key %2 is not in %3, so nothing was sent. Check that fingerprint "
               "with the server's owner, then trust it: ssh-keyscan -p %4 %5 >> %3 (or connect once with ssh).")
                .arg(key.hostPattern(), key.fingerprint(), knownHosts)
                .arg(key.port)
                .arg(key.host);
    } else if (result == CURLE_PEER_FAILED_VERIFICATION && m_hostKeyCheck.match == CURLKHMATCH_MISMATCH) {
        error.description =
            tr("WARNING: the SSH key of %1 has CHANGED (it shows %2, but line %3 of %4 holds another). Someone may be "
               "listening in: nothing was sent. Only if the server was really reinstalled, remove that line "
               "(ssh-keygen -R '%1').")
                .arg(key.hostPattern(), key.fingerprint())
                .arg(KnownHosts::lineFor(knownHosts, key.host, key.port))
                .arg(knownHosts);
    } else if (result == CURLE_LOGIN_DENIED) {
        // This libssh2 signs with RSA keys by SHA-1 only, which current OpenSSH servers refuse.
        QFile publicKey(QFile::decodeName(m_keyFile) + QStringLiteral(".pub"));
        const bool rsa = publicKey.open(QIODevice::ReadOnly) && publicKey.readLine().startsWith("ssh-rsa ");
        error.description = rsa ? tr("The SSH server %1 refused the login of %2 with the RSA key %3: this key type can "
                                     "only sign with SHA-1 here, which current servers refuse. Make an ed25519 key "
                                     "(ssh-keygen -t ed25519) and add its .pub to the server's authorized_keys.")
                                      .arg(url.host(), username, QFile::decodeName(m_keyFile))
                                : tr("The SSH server %1 refused the login of %2 (by key and by password).")
                                      .arg(url.host(), username);
    }
    return error;
}

FTPController::Check FTPController::checkConnection(const QUrl& folder, const QString& username, const QString& password)
{
    Check check;
    QUrl place = folder.adjusted(QUrl::StripTrailingSlash);
    const QString path = place.path(QUrl::FullyDecoded).isEmpty() ? QStringLiteral("/") : place.path(QUrl::FullyDecoded);
    place.setPath(place.path(QUrl::FullyEncoded) + QLatin1Char('/'), QUrl::StrictMode);
    const bool sftp = place.scheme() == QLatin1String("sftp");
    if (!m_handles->isValid() || hasControlCharacter(username) || hasControlCharacter(password)) {
        check.steps << tr("The user name or password holds a control character (such as a line break): retype it.");
        return check;
    }
    // Connect, log in and go to the folder, making it when it is missing.
    CURL* h = m_handles->easy;
    const QByteArray user = username.toUtf8(), secret = password.toUtf8();
    prepare(h, place.toEncoded(), place, user, secret, 0);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    m_lastReply.clear();
    m_tlsStarted = false;
    int result = perform();
    m_lastReplyCode = m_lastReply.left(3).toLong();
    if (result == CURLE_PEER_FAILED_VERIFICATION && QByteArray(m_curlError).contains("target host name")) {
        QString names; // which name the certificate does give
        probeCertificate(place, &names);
        if (!names.isEmpty()) {
            check.steps << tr("The server's certificate is for %1, not %2.").arg(names, place.host());
            return check;
        }
    }
    if (result != CURLE_OK) {
        check.steps << checkFailure(result, place, username);
        return check;
    }
    check.steps << (sftp ? tr("Connected to %1 over SSH and logged in as %2.")
                         : m_tlsStarted ? tr("Connected to %1 with TLS and logged in as %2.")
                                        : tr("Connected to %1 without TLS and logged in as %2."))
                           .arg(place.host(), username);
    check.steps << tr("The folder %1 is there.").arg(path);

    // A small file written (under its temporary name, then renamed) and removed.
    const QString name = QStringLiteral("ombrix-test-%1.txt").arg(QDateTime::currentMSecsSinceEpoch());
    QUrl file = place;
    file.setPath(place.path(QUrl::FullyEncoded) + name, QUrl::StrictMode);
    const TransferResult written = uploadData(QByteArrayLiteral("Ombrix checks that it may write here.\n"), file, username, password);
    if (!written.ok) {
        check.steps << tr("A file cannot be written into %1: %2").arg(path, checkFailure(CURLE_UPLOAD_FAILED, place, username));
        return check;
    }
    // Strictly: a server that lets a file be written but not removed would fail later,
    // when the always-current picture is replaced or old pictures are removed.
    if (const TransferResult removed = removeNames(place, {name}, username, password, Removal::Strict); !removed.ok) {
        check.steps << tr("A file was written into %1 but cannot be removed there (%2): the always-current picture "
                          "cannot be replaced and old pictures cannot be removed. Let this account delete files "
                          "there, or remove %3 by hand.")
                           .arg(path, removed.error.description, name);
        return check;
    }
    check.steps << tr("A file was written into %1 and removed: pictures can be uploaded.").arg(path);
    check.ok = true;
    return check;
}

QString FTPController::checkFailure(int result, const QUrl& place, const QString& username) const
{
    const QString host = place.host();
    const QString said = QString::fromUtf8(m_lastReply.trimmed()).simplified();
    const QString curlSaid = QString::fromUtf8(m_curlError);
    const int port = place.port(place.scheme() == QLatin1String("sftp") ? 22 : 21);
    static const QRegularExpression otherName(QStringLiteral("subject name '([^']*)' does not match target host name '([^']*)'"));
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return tr("The server name %1 is not known: check the address.").arg(host);
    case CURLE_COULDNT_CONNECT:
        return tr("Nothing answers at %1 on port %2: check the address and the port, and that the server runs.").arg(host).arg(port);
    case CURLE_OPERATION_TIMEDOUT:
        return tr("%1 did not answer in time: check the address, or try again later.").arg(host);
    case CURLE_LOGIN_DENIED:
        if (place.scheme() == QLatin1String("sftp"))
            break;
        return tr("Login refused for user %1: check the user name and the password.").arg(username);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
        if (place.scheme() == QLatin1String("sftp"))
            break;
        if (const QRegularExpressionMatch match = otherName.match(curlSaid); match.hasMatch())
            return tr("The server's certificate is for %1, not %2.").arg(match.captured(1), match.captured(2));
        return tr("The server's certificate is not signed by an authority this computer trusts (%1).").arg(curlSaid);
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
        if (result != CURLE_QUOTE_ERROR || m_lastReplyCode != 0)
            return tr("The folder %1 does not exist and cannot be made: %2")
                .arg(place.path(QUrl::FullyDecoded), said.isEmpty() ? curlSaid : said);
        break;
    case CURLE_UPLOAD_FAILED:
        return said.isEmpty() ? curlSaid : said;
    case CURLE_USE_SSL_FAILED:
        return tlsRefusedText(host);
    default:
        break;
    }
    if (place.scheme() == QLatin1String("sftp"))
        return describeSshFailure(result, place, username).description;
    return describeFailure(result).description;
}

TransferResult FTPController::listNames(const QUrl& folder, const QString& username, const QString& password)
{
    const QByteArray user = username.toUtf8();
    const QByteArray secret = password.toUtf8();
    if (!m_handles->isValid() || hasControlCharacter(username) || hasControlCharacter(password))
        return TransferResult::failed(controlCharacterError(), true);
    QByteArray listing;
    CURL* h = m_handles->easy;
    prepare(h, folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, user, secret, 0);
    curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendTo);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &listing);
    m_lastReply.clear();
    const int result = perform();
    m_lastReplyCode = m_lastReply.left(3).toLong();
    if (result != CURLE_OK)
        return TransferResult::failed(describeFailure(result));
    TransferResult found;
    found.ok = true;
    for (const QByteArray& line : listing.split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty())
            found.names << name.mid(name.lastIndexOf(QLatin1Char('/')) + 1); // some servers give the folder too
    }
    return found;
}

TransferResult FTPController::removeNames(const QUrl& folder, const QStringList& names, const QString& username,
                                          const QString& password, Removal removal)
{
    const QByteArray user = username.toUtf8();
    const QByteArray secret = password.toUtf8();
    if (!m_handles->isValid() || hasControlCharacter(username) || hasControlCharacter(password))
        return TransferResult::failed(controlCharacterError(), true);
    // "*": a name already gone is no error.
    const QByteArray mark = removal == Removal::GoneIsFine ? "*" : "";
    CURL* h = m_handles->easy;
    constexpr qsizetype kBatch = 100; // one request a hundred names: a short command list each
    for (qsizetype first = 0; first < names.size(); first += kBatch) {
        CommandList remove;
        for (const QString& name : names.mid(first, kBatch))
            if (!hasControlCharacter(name)) // a name from the server never becomes a command of its own
                remove.append(folder.scheme() == QLatin1String("sftp")
                                  ? mark + "rm " + quotedPath(folder.adjusted(QUrl::RemoveFilename).path(QUrl::FullyDecoded) + name)
                                  : mark + "DELE " + name.toUtf8());
        prepare(h, folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, user, secret, 0);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, remove.get());
        m_lastReply.clear();
        const int result = perform();
        m_lastReplyCode = m_lastReply.left(3).toLong();
        if (result != CURLE_OK)
            return TransferResult::failed(describeFailure(result));
    }
    TransferResult removed;
    removed.ok = true;
    return removed;
}

int FTPController::perform()
{
    if (m_aborted)
        return CURLE_ABORTED_BY_CALLBACK;
    CURLM* multi = m_handles->multi;
    CURL* easy = m_handles->easy;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    int result = CURLE_OK;
    for (bool done = false; !done;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (m_aborted) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        // Short waits: while it connects a reused connection's data channel, libcurl
        // waits on no socket at all and would otherwise sleep out the whole wait.
        curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr);
    }
    // Removing an unfinished transfer closes its connection; a finished one's stays for the next upload.
    curl_multi_remove_handle(multi, easy);
    return result;
}

void FTPController::abortTransfers()
{
    m_aborted = true;
    m_handles->sockets.shutDownAll();
    if (m_handles->multi)
        curl_multi_wakeup(m_handles->multi);
}

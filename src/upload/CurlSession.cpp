#include "CurlSession.h"

#include "FailureText.h"

#include <QtGlobal>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <set>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kPollSliceMs = 10;

CURLcode noteTlsStarted(CURL*, void*, void* started)
{
    *static_cast<bool*>(started) = true;
    return CURLE_OK;
}

// Keeps the server's last complete answer line ("552 Quota exceeded", "HTTP/1.1 403
// Forbidden"), so that a failure can say what the server said.
int noteReply(CURL*, curl_infotype type, char* data, std::size_t size, void* reply)
{
    if (type != CURLINFO_HEADER_IN) // not the data going out: a copy of each picture otherwise
        return 0;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    const bool ftp = line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ';
    if (ftp || line.startsWith("HTTP/"))
        *static_cast<QByteArray*>(reply) = line.left(200);
    return 0;
}

int stopWhenAborted(void* aborted, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<std::atomic<bool>*>(aborted)->load() ? 1 : 0;
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

QStringList listedNames(const QByteArray& listing)
{
    QStringList names;
    for (const QByteArray& line : listing.split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty())
            names << name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    }
    return names;
}

// One easy handle run through a multi handle: the multi handle's wait can be woken
// from another thread, which is what makes a transfer abortable at once.
struct CurlSession::Handles {
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
};

CurlSession::CurlSession(FTPTransferSettings settings)
    : m_settings(std::move(settings))
    , m_caBundle(m_settings.caBundlePath.toLocal8Bit())
    , m_handles(std::make_unique<Handles>())
{
}

CurlSession::~CurlSession() = default;

bool CurlSession::isValid() const
{
    return m_handles->multi && m_handles->easy;
}

CURL* CurlSession::handle() const
{
    return m_handles->easy;
}

int CurlSession::defaultPort(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.port(scheme == QLatin1String("sftp") ? 22 : scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : 21);
}

QString CurlSession::certificatesPath() const
{
    return m_settings.trustedCertificatesPath.isEmpty() ? TrustedCertificates::defaultPath() : m_settings.trustedCertificatesPath;
}

QString CurlSession::reply() const
{
    // The server's own words, without anything that could upset a terminal or a log.
    QString said = QString::fromUtf8(m_reply);
    for (QChar& c : said)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return said;
}

long CurlSession::replyCode() const
{
    if (m_reply.startsWith("HTTP/"))
        return m_reply.mid(m_reply.indexOf(' ') + 1, 3).toLong();
    return m_reply.left(3).toLong();
}

void CurlSession::prepare(const QByteArray& target, const QUrl& url, const QByteArray& user, const QByteArray& secret,
                          qsizetype bytes)
{
    // Reset first: the handle (and with it the server's connection) is kept from the last request.
    CURL* h = m_handles->easy;
    curl_easy_reset(h);
    m_reply.clear();
    m_tlsStarted = false;
    m_curlError[0] = '\0';
    curl_easy_setopt(h, CURLOPT_URL, target.isEmpty() ? nullptr : target.constData());
    // Only what Ombrix offers: an address naming file:// or anything else never gets the password.
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
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &m_reply);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_curlError);
    // Called when a connection starts TLS: so we learn that the server speaks it.
    curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &noteTlsStarted);
    curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &m_tlsStarted);
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
    if (!m_caBundle.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, m_caBundle.constData());
    const QByteArray previousPin = m_pin;
    m_pin = url.scheme() == QLatin1String("sftp") ? QByteArray()
                                                  : TrustedCertificates::pinFor(certificatesPath(), url.host(), defaultPort(url), &m_pinLine);
    // A trusted key that changed (trusted anew, or edited by hand) holds from this request
    // on, not only once a kept connection ends.
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, m_pin != previousPin ? 1L : 0L);
    if (!m_pin.isEmpty()) {
        // A server the owner trusts by its key: that key alone vouches for it, and TLS is a must there.
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(h, CURLOPT_PINNEDPUBLICKEY, m_pin.constData());
    }
}

void CurlSession::setBody(const QByteArray& data)
{
    m_body = data; // shared, not copied
    m_bodyState = Body{m_body.constData(), m_body.size()};
    CURL* h = m_handles->easy;
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
    curl_easy_setopt(h, CURLOPT_READDATA, &m_bodyState);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, +[](char* destination, std::size_t size, std::size_t count, void* state) {
        auto* body = static_cast<Body*>(state);
        const qsizetype handed = std::min<qsizetype>(qsizetype(size * count), body->remaining);
        if (handed > 0)
            std::memcpy(destination, body->cursor, std::size_t(handed));
        body->cursor += handed;
        body->remaining -= handed;
        return std::size_t(handed);
    });
}

void CurlSession::collectInto(QByteArray* into)
{
    CURL* h = m_handles->easy;
    curl_easy_setopt(h, CURLOPT_WRITEDATA, into);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, +[](char* data, std::size_t size, std::size_t count, void* bytes) {
        auto* into = static_cast<QByteArray*>(bytes);
        // A listing or an answer this large is no server of ours: stop rather than fill the memory.
        constexpr qsizetype kMostBytes = 64 * 1024 * 1024;
        if (into->size() + qsizetype(size * count) > kMostBytes)
            return std::size_t(0);
        into->append(data, qsizetype(size * count));
        return size * count;
    });
}

int CurlSession::perform()
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
    // Removing an unfinished transfer closes its connection; a finished one's stays for the next request.
    curl_multi_remove_handle(multi, easy);
    m_body.clear();
    return result;
}

void CurlSession::abort()
{
    m_aborted = true;
    m_handles->sockets.shutDownAll();
    if (m_handles->multi)
        curl_multi_wakeup(m_handles->multi);
}

void CurlSession::explainTrust(int result, const QUrl& url, TransferResult* failed)
{
    // A certificate no authority signed, not one made out to another name.
    if (result == CURLE_PEER_FAILED_VERIFICATION && m_pin.isEmpty() && !curlSaid().contains(QLatin1String("target host name")))
        failed->unknownCertificate = probeCertificate(url);
    if (failed->unknownCertificate.isValid())
        failed->error.description = FailureText::certificateUnknown(failed->unknownCertificate);
    else if (result == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        failed->error.description = FailureText::certificateChanged(TrustedCertificate{url.host(), defaultPort(url), {}}.hostPattern(),
                                                                    m_pinLine, certificatesPath());
    else if (result == CURLE_USE_SSL_FAILED)
        failed->error.description = FailureText::tlsRefused(url.host());
}

TrustedCertificate CurlSession::probeCertificate(const QUrl& url, QString* names)
{
    CURL* h = m_handles->easy;
    const QByteArray reply = m_reply;
    const QByteArray error(m_curlError);
    // Anonymous and without a password: nothing of the owner's goes to a server not yet trusted.
    prepare(url.adjusted(QUrl::RemoveFilename).toEncoded(), url, "anonymous", {}, 0);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_PINNEDPUBLICKEY, nullptr);
    curl_easy_setopt(h, CURLOPT_CERTINFO, 1L);
    perform();
    TrustedCertificate shown{url.host(), defaultPort(url), {}};
    curl_certinfo* certificates = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CERTINFO, &certificates) == CURLE_OK && certificates && certificates->num_of_certs > 0) {
        for (const curl_slist* field = certificates->certinfo[0]; field; field = field->next)
            if (qstrncmp(field->data, "Cert:", 5) == 0)
                shown.pin = TrustedCertificates::pinOf(QByteArray(field->data + 5));
        if (names)
            *names = certificateNames(certificates);
    }
    // The failure it was read for stays the one said.
    m_reply = reply;
    qstrncpy(m_curlError, error.constData(), sizeof m_curlError);
    return shown;
}

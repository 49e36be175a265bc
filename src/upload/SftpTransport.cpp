#include "SftpTransport.h"

#include "CurlSession.h"
#include "FailureText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// libssh2 keeps every write of one buffer in flight at once: a picture in one
// buffer waits for its acknowledgements once, not once per 64 KiB.
constexpr long kUploadBuffer = 512 * 1024;

using FailureText::tr;

// The key type a key blob names first ("ssh-ed25519", "ecdsa-sha2-nistp256", ...).
QByteArray keyTypeOf(const QByteArray& blob)
{
    if (blob.size() < 4)
        return {};
    const quint32 length = quint32(uchar(blob[0])) << 24 | quint32(uchar(blob[1])) << 16 | quint32(uchar(blob[2])) << 8 |
        quint32(uchar(blob[3]));
    return length <= quint32(blob.size() - 4) ? blob.mid(4, qsizetype(length)) : QByteArray();
}

// libcurl's answer on the server's host key against known_hosts: only a match goes
// on. The key is kept, so that an unknown one can be shown and trusted.
int checkHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* data)
{
    auto* check = static_cast<SftpTransport::HostKeyCheck*>(data);
    check->seen.blob = found->len ? QByteArray(found->key, qsizetype(found->len)) : QByteArray::fromBase64(found->key);
    check->seen.type = keyTypeOf(check->seen.blob);
    check->match = match;
    return match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
}

// A path for an SFTP command, quoted as libcurl reads it.
QByteArray quotedPath(const QString& path)
{
    QByteArray quoted = path.toUtf8();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

} // namespace

SftpTransport::SftpTransport(CurlSession& session)
    : m_session(session)
{
}

QByteArray SftpTransport::keyFile() const
{
    const QString configured = m_session.settings().sshKeyFile;
    if (!configured.isEmpty())
        return QFile::encodeName(configured);
    for (const char* name : {"/.ssh/id_ed25519", "/.ssh/id_ecdsa"})
        if (QFileInfo::exists(QDir::homePath() + QLatin1String(name)))
            return QFile::encodeName(QDir::homePath() + QLatin1String(name));
    return {};
}

void SftpTransport::prepare(const QByteArray& target, const QUrl& url, const QString& username, const QString& password,
                            qsizetype bytes)
{
    const QByteArray secret = password.toUtf8();
    m_session.prepare(target, url, username.toUtf8(), secret, bytes);
    CURL* h = m_session.handle();
    // Never a server whose key known_hosts does not hold: anyone in between could read the password.
    const QString knownHosts = m_session.settings().knownHostsPath;
    m_knownHosts = (knownHosts.isEmpty() ? KnownHosts::defaultPath() : knownHosts).toLocal8Bit();
    m_hostKeyCheck = HostKeyCheck{SshHostKey{url.host(), url.port(22), {}, {}}, -1};
    curl_easy_setopt(h, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.constData());
    curl_easy_setopt(h, CURLOPT_SSH_KEYFUNCTION, &checkHostKey);
    curl_easy_setopt(h, CURLOPT_SSH_KEYDATA, &m_hostKeyCheck);
    // The agent first, then the key file, then the password, as the server allows.
    curl_easy_setopt(h, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_PASSWORD));
    m_keyFile = keyFile();
    curl_easy_setopt(h, CURLOPT_SSH_PRIVATE_KEYFILE, m_keyFile.isEmpty() ? nullptr : m_keyFile.constData());
    curl_easy_setopt(h, CURLOPT_SSH_PUBLIC_KEYFILE, ""); // derived from the private key
    // A key locked with a passphrase opens with the secret stored for the server.
    curl_easy_setopt(h, CURLOPT_KEYPASSWD, secret.constData());
    curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBuffer);
}

TransferResult SftpTransport::upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    const QString path = url.path(QUrl::FullyDecoded);
    QUrl partUrl = url;
    partUrl.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".part"), QUrl::StrictMode);
    const QByteArray renameCommand = "rename " + quotedPath(path + QStringLiteral(".part")) + ' ' + quotedPath(path);
    CURL* h = m_session.handle();
    CurlCommands rename;
    rename.append(renameCommand);
    prepare(partUrl.toEncoded(), url, username, password, data.size());
    m_session.setBody(data);
    curl_easy_setopt(h, CURLOPT_POSTQUOTE, rename.get());
    int result = m_session.perform();
    if (result == CURLE_QUOTE_ERROR) {
        // SFTP cannot rename over a file here: the old picture goes just before (a gap
        // of milliseconds with no file, never a partial one). "*": one gone is no error.
        CurlCommands replace;
        replace.append("*rm " + quotedPath(path));
        replace.append(renameCommand);
        prepare(url.adjusted(QUrl::RemoveFilename).toEncoded(), url, username, password, data.size());
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, replace.get());
        result = m_session.perform();
    }
    return result == CURLE_OK ? TransferResult::success() : failure(result, url, username);
}

TransferResult SftpTransport::failure(int result, const QUrl& url, const QString& username) const
{
    TransferResult failed = TransferResult::failed(FailureText::curl(result));
    const SshHostKey& key = m_hostKeyCheck.seen;
    const QString knownHosts = QString::fromLocal8Bit(m_knownHosts);
    if (result == CURLE_PEER_FAILED_VERIFICATION && m_hostKeyCheck.match == CURLKHMATCH_MISSING) {
        failed.unknownHostKey = key;
        failed.error.description = FailureText::sshHostUnknown(key, knownHosts);
    } else if (result == CURLE_PEER_FAILED_VERIFICATION && m_hostKeyCheck.match == CURLKHMATCH_MISMATCH) {
        failed.error.description = FailureText::sshHostKeyChanged(key, KnownHosts::lineFor(knownHosts, key.host, key.port), knownHosts);
    } else if (result == CURLE_LOGIN_DENIED) {
        QFile publicKey(QFile::decodeName(m_keyFile) + QStringLiteral(".pub"));
        const bool rsa = publicKey.open(QIODevice::ReadOnly) && publicKey.readLine().startsWith("ssh-rsa ");
        failed.error.description = FailureText::sshLoginRefused(url.host(), username, rsa ? QFile::decodeName(m_keyFile) : QString());
    }
    return failed;
}

TransferResult SftpTransport::list(const QUrl& folder, const QString& username, const QString& password)
{
    QByteArray listing;
    prepare(folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, username, password, 0);
    curl_easy_setopt(m_session.handle(), CURLOPT_DIRLISTONLY, 1L);
    m_session.collectInto(&listing);
    if (const int result = m_session.perform(); result != CURLE_OK)
        return failure(result, folder, username);
    TransferResult found = TransferResult::success();
    found.names = listedNames(listing);
    return found;
}

TransferResult SftpTransport::remove(const QUrl& folder, const QStringList& names, const QString& username,
                                     const QString& password, Removal removal)
{
    const QByteArray mark = removal == Removal::GoneIsFine ? "*" : ""; // "*": a name already gone is no error
    const QString path = folder.adjusted(QUrl::RemoveFilename).path(QUrl::FullyDecoded);
    constexpr qsizetype kBatch = 100;
    for (qsizetype first = 0; first < names.size(); first += kBatch) {
        CurlCommands commands;
        for (const QString& name : names.mid(first, kBatch))
            commands.append(mark + "rm " + quotedPath(path + name));
        prepare(folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, username, password, 0);
        curl_easy_setopt(m_session.handle(), CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_session.handle(), CURLOPT_POSTQUOTE, commands.get());
        if (const int result = m_session.perform(); result != CURLE_OK)
            return failure(result, folder, username);
    }
    return TransferResult::success();
}

TransferResult SftpTransport::reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps)
{
    prepare(folder.toEncoded(), folder, username, password, 0);
    curl_easy_setopt(m_session.handle(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_session.handle(), CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    const int result = m_session.perform();
    if (result == CURLE_OK) {
        *steps << tr("Connected to %1 over SSH and logged in as %2.").arg(folder.host(), username);
        return TransferResult::success();
    }
    const TransferResult failed = failure(result, folder, username);
    QString step = FailureText::reaching(result, folder.host(), folder.port(22));
    if (step.isEmpty() && (result == CURLE_REMOTE_ACCESS_DENIED || result == CURLE_REMOTE_FILE_NOT_FOUND))
        step = FailureText::folderCannotBeMade(folder.path(QUrl::FullyDecoded), m_session.curlSaid());
    *steps << (step.isEmpty() ? failed.error.description : step);
    return failed;
}

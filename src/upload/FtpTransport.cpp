#include "FtpTransport.h"

#include "CurlSession.h"
#include "FailureText.h"

#include <QCoreApplication>
#include <QRegularExpression>

using FailureText::tr;

FtpTransport::FtpTransport(CurlSession& session)
    : m_session(session)
{
}

void FtpTransport::prepare(const QByteArray& target, const QUrl& url, const QString& username, const QString& password,
                           qsizetype bytes)
{
    m_session.prepare(target, url, username.toUtf8(), password.toUtf8(), bytes);
    CURL* h = m_session.handle();
    if (m_session.pin().isEmpty()) // a trusted key makes TLS a must already
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(m_hostsRequiringTls.contains(url.host()) ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
}

TransferResult FtpTransport::upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    const QString fileName = url.fileName(QUrl::FullyDecoded);
    QUrl partUrl = url;
    if (!fileName.isEmpty())
        partUrl.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".part"), QUrl::StrictMode);
    const QByteArray renameFrom = "RNFR " + fileName.toUtf8() + ".part";
    const QByteArray renameTo = "RNTO " + fileName.toUtf8();
    CURL* h = m_session.handle();
    CurlCommands rename;
    rename.append(renameFrom);
    rename.append(renameTo);
    prepare(partUrl.toEncoded(), url, username, password, data.size());
    m_session.setBody(data);
    if (!fileName.isEmpty())
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, rename.get());
    int result = m_session.perform();
    if (result == CURLE_QUOTE_ERROR && !fileName.isEmpty()) {
        // Some servers refuse to rename over an existing file: remove the old
        // picture first (it may be gone already), then rename again.
        CurlCommands replace;
        replace.append("*DELE " + fileName.toUtf8());
        replace.append(renameFrom);
        replace.append(renameTo);
        prepare(url.adjusted(QUrl::RemoveFilename).toEncoded(), url, username, password, data.size());
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(h, CURLOPT_POSTQUOTE, replace.get());
        result = m_session.perform();
    }
    // A kept connection that was encrypted stays so; a new one says so as it starts TLS.
    if (m_session.tlsStarted())
        m_tlsConnectedHosts.insert(url.host());
    else if (result != CURLE_OK)
        m_tlsConnectedHosts.remove(url.host());
    if (result != CURLE_OK)
        return failure(result, url);
    TransferResult sent;
    sent.ok = true;
    sent.usedTls = m_tlsConnectedHosts.contains(url.host());
    return sent;
}

TransferResult FtpTransport::failure(int result, const QUrl& url)
{
    TransferResult failed = TransferResult::failed(describe(result));
    // A refusal of this picture's folder or file: 5xx, but not a full disk or a refused login.
    const long code = m_session.replyCode();
    failed.permanent = code >= 500 && code != 552 && code != 530 &&
        (result == CURLE_REMOTE_ACCESS_DENIED || result == CURLE_UPLOAD_FAILED || result == CURLE_QUOTE_ERROR ||
         result == CURLE_REMOTE_FILE_NOT_FOUND);
    m_session.explainTrust(result, url, &failed);
    return failed;
}

Error FtpTransport::describe(int result) const
{
    Error error = FailureText::curl(result);
    const long code = m_session.replyCode();
    if (result == CURLE_ABORTED_BY_CALLBACK || code < 400)
        return error;
    const QString said = m_session.reply();
    error.description = code == 452 || code == 552 ? FailureText::diskFull(said)
        : code == 530                              ? FailureText::loginRefused(said)
                                                   : FailureText::pictureRefused(said);
    return error;
}

TransferResult FtpTransport::list(const QUrl& folder, const QString& username, const QString& password)
{
    QByteArray listing;
    prepare(folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, username, password, 0);
    curl_easy_setopt(m_session.handle(), CURLOPT_DIRLISTONLY, 1L);
    m_session.collectInto(&listing);
    if (const int result = m_session.perform(); result != CURLE_OK)
        return TransferResult::failed(describe(result));
    TransferResult found;
    found.ok = true;
    found.names = listedNames(listing);
    return found;
}

TransferResult FtpTransport::remove(const QUrl& folder, const QStringList& names, const QString& username,
                                    const QString& password, Removal removal)
{
    const QByteArray mark = removal == Removal::GoneIsFine ? "*" : ""; // "*": a name already gone is no error
    constexpr qsizetype kBatch = 100; // one request a hundred names: a short command list each
    for (qsizetype first = 0; first < names.size(); first += kBatch) {
        CurlCommands commands;
        for (const QString& name : names.mid(first, kBatch))
            commands.append(mark + "DELE " + name.toUtf8());
        prepare(folder.adjusted(QUrl::RemoveFilename).toEncoded(), folder, username, password, 0);
        curl_easy_setopt(m_session.handle(), CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_session.handle(), CURLOPT_POSTQUOTE, commands.get());
        if (const int result = m_session.perform(); result != CURLE_OK)
            return TransferResult::failed(describe(result));
    }
    TransferResult removed;
    removed.ok = true;
    return removed;
}

TransferResult FtpTransport::reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps)
{
    prepare(folder.toEncoded(), folder, username, password, 0);
    curl_easy_setopt(m_session.handle(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_session.handle(), CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    const int result = m_session.perform();
    const QString host = folder.host();
    if (result == CURLE_OK) {
        *steps << (m_session.tlsStarted() ? tr("Connected to %1 with TLS and logged in as %2.")
                                          : tr("Connected to %1 without TLS and logged in as %2."))
                      .arg(host, username);
        TransferResult reached;
        reached.ok = true;
        return reached;
    }
    *steps << reachFailure(result, folder, username);
    return TransferResult::failed(describe(result));
}

QString FtpTransport::reachFailure(int result, const QUrl& folder, const QString& username)
{
    const QString host = folder.host();
    if (const QString common = FailureText::reaching(result, host, folder.port(21)); !common.isEmpty())
        return common;
    const QString curlSaid = m_session.curlSaid();
    switch (result) {
    case CURLE_LOGIN_DENIED:
        return FailureText::loginRefusedFor(username);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR: {
        static const QRegularExpression otherName(QStringLiteral("subject name '([^']*)' does not match target host name"));
        QString names; // which names the certificate does give
        if (curlSaid.contains(QLatin1String("target host name")))
            m_session.probeCertificate(folder, &names);
        if (names.isEmpty())
            names = otherName.match(curlSaid).captured(1);
        return names.isEmpty() ? FailureText::certificateNotTrusted(curlSaid) : FailureText::certificateForOtherName(names, host);
    }
    case CURLE_QUOTE_ERROR:
        if (m_session.replyCode() == 0)
            break;
        [[fallthrough]];
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND: {
        const QString said = m_session.reply().simplified();
        return FailureText::folderCannotBeMade(folder.path(QUrl::FullyDecoded), said.isEmpty() ? curlSaid : said);
    }
    case CURLE_USE_SSL_FAILED:
        return FailureText::tlsRefused(host);
    default:
        break;
    }
    return describe(result).description;
}

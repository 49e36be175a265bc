#include "WebDavTransport.h"

#include "CurlSession.h"
#include "FailureText.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QXmlStreamReader>

using FailureText::tr;

namespace {

// The folder's address with one slash at its end, as WebDAV names a collection.
QUrl asFolder(const QUrl& url)
{
    QUrl folder = url.adjusted(QUrl::RemoveFilename | QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!folder.path().endsWith(QLatin1Char('/')))
        folder.setPath(folder.path(QUrl::FullyEncoded) + QLatin1Char('/'), QUrl::StrictMode);
    return folder;
}

// The file names a PROPFIND of depth 1 found in the folder, collections left out.
QStringList namesIn(const QByteArray& multistatus, const QUrl& folder)
{
    QStringList names;
    QXmlStreamReader xml(multistatus);
    QString href;
    bool collection = false;
    const QString own = folder.path(QUrl::FullyDecoded);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.namespaceUri() == QLatin1String("DAV:")) {
            if (xml.name() == QLatin1String("response"))
                href.clear(), collection = false;
            else if (xml.name() == QLatin1String("href"))
                href = QUrl::fromPercentEncoding(xml.readElementText().trimmed().toUtf8());
            else if (xml.name() == QLatin1String("collection"))
                collection = true;
        } else if (xml.isEndElement() && xml.name() == QLatin1String("response") && !collection && !href.isEmpty()) {
            const QString path = QUrl(href).path(QUrl::FullyDecoded); // a whole address or a path
            if (path != own && !path.endsWith(QLatin1Char('/')))
                names << path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        }
    }
    return names;
}

} // namespace

WebDavTransport::WebDavTransport(CurlSession& session)
    : m_session(session)
{
}

QString WebDavTransport::inClear(const QUrl& url, const QString& password)
{
    if (url.scheme() != QLatin1String("http") || password.isEmpty() || QHostAddress(url.host()).isLoopback() ||
        url.host() == QLatin1String("localhost"))
        return {};
    return tr("The address %1 would send the password in clear over plain HTTP: nothing was sent. Use https:// instead.")
        .arg(url.adjusted(QUrl::RemovePath).toDisplayString());
}

int WebDavTransport::request(const char* method, const QUrl& url, const QString& username, const QString& password,
                             const QList<QByteArray>& headers, const QByteArray* upload, QByteArray* body, long* status)
{
    QByteArray ignored;
    m_session.prepare(url.toEncoded(), url, username.toUtf8(), password.toUtf8(), upload ? upload->size() : 0);
    CURL* h = m_session.handle();
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L); // a redirect could take the password elsewhere
    if (upload) {
        m_session.setBody(*upload);
        if (qstrcmp(method, "PUT") != 0) // a PROPFIND carries its question as a body
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method);
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method);
    }
    CurlCommands list;
    for (const QByteArray& header : headers)
        list.append(header);
    list.append("Expect:"); // a picture goes at once, without a round trip to ask first
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    m_session.collectInto(body ? body : &ignored);
    const int result = m_session.perform();
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    if (status)
        *status = code;
    return result;
}

bool WebDavTransport::makeFolders(const QUrl& folder, const QString& username, const QString& password)
{
    // Each level from the top: one that exists answers 405, which is no failure here.
    const QStringList levels = folder.path(QUrl::FullyEncoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QUrl level = folder;
    QString path;
    for (const QString& name : levels) {
        path += QLatin1Char('/') + name;
        level.setPath(path + QLatin1Char('/'), QUrl::StrictMode);
        long status = 0;
        const int result = request("MKCOL", level, username, password, {}, nullptr, nullptr, &status);
        if (result != CURLE_OK && status != 405)
            return false;
    }
    return true;
}

TransferResult WebDavTransport::upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    if (const QString why = inClear(url, password); !why.isEmpty()) {
        TransferResult refused = TransferResult::failed(FailureText::curl(CURLE_LOGIN_DENIED), true);
        refused.error.description = why;
        return refused;
    }
    QUrl part = url;
    part.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".part"), QUrl::StrictMode);
    long status = 0;
    int result = request("PUT", part, username, password, {}, &data, nullptr, &status);
    if (result != CURLE_OK && (status == 404 || status == 409) && makeFolders(asFolder(url), username, password))
        result = request("PUT", part, username, password, {}, &data, nullptr, &status);
    if (result == CURLE_OK)
        result = request("MOVE", part, username, password, {"Destination: " + url.toEncoded(), "Overwrite: T"}, nullptr, nullptr, &status);
    if (result != CURLE_OK)
        return failure(result, status, url);
    TransferResult sent = TransferResult::success();
    sent.usedTls = url.scheme() == QLatin1String("https");
    return sent;
}

TransferResult WebDavTransport::failure(int result, long status, const QUrl& url)
{
    TransferResult failed = TransferResult::failed(FailureText::curl(result));
    const QString said = m_session.reply();
    if (status == 401)
        failed.error.description = FailureText::loginRefused(said);
    else if (status == 507)
        failed.error.description = FailureText::diskFull(said);
    else if (status >= 400)
        failed.error.description = FailureText::pictureRefused(said);
    // Refused for this picture's folder or name; not a login, a full disk or a server's own trouble.
    failed.permanent = status == 403 || status == 404 || status == 405 || status == 409 || status == 412 || status == 415;
    m_session.explainTrust(result, url, &failed);
    return failed;
}

TransferResult WebDavTransport::list(const QUrl& folder, const QString& username, const QString& password)
{
    if (const QString why = inClear(folder, password); !why.isEmpty())
        return TransferResult::failed(Error{QStringLiteral("CurlErrorDomain"), CURLE_LOGIN_DENIED, why}, true);
    static const QByteArray question = QByteArrayLiteral(
        "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/></d:prop></d:propfind>");
    QByteArray answer;
    long status = 0;
    const QUrl place = asFolder(folder);
    const int result = request("PROPFIND", place, username, password, {"Depth: 1", "Content-Type: application/xml"},
                               &question, &answer, &status);
    if (result != CURLE_OK)
        return failure(result, status, place);
    TransferResult found = TransferResult::success();
    found.names = namesIn(answer, place);
    return found;
}

TransferResult WebDavTransport::remove(const QUrl& folder, const QStringList& names, const QString& username,
                                       const QString& password, Removal removal)
{
    const QUrl place = asFolder(folder);
    for (const QString& name : names) {
        QUrl file = place;
        file.setPath(place.path(QUrl::FullyEncoded) + QString::fromLatin1(QUrl::toPercentEncoding(name)), QUrl::StrictMode);
        long status = 0;
        const int result = request("DELETE", file, username, password, {}, nullptr, nullptr, &status);
        if (result != CURLE_OK && !(status == 404 && removal == Removal::GoneIsFine))
            return failure(result, status, file);
    }
    return TransferResult::success();
}

TransferResult WebDavTransport::reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps)
{
    const QString host = folder.host();
    if (const QString why = inClear(folder, password); !why.isEmpty()) {
        *steps << why;
        return TransferResult::failed(Error{QStringLiteral("CurlErrorDomain"), CURLE_LOGIN_DENIED, why}, true);
    }
    long status = 0;
    int result = request("PROPFIND", folder, username, password, {"Depth: 0"}, nullptr, nullptr, &status);
    if (result != CURLE_OK && status == 404 && makeFolders(folder, username, password))
        result = request("PROPFIND", folder, username, password, {"Depth: 0"}, nullptr, nullptr, &status);
    if (result == CURLE_OK) {
        *steps << (folder.scheme() == QLatin1String("https") ? tr("Connected to %1 with TLS and logged in as %2.")
                                                              : tr("Connected to %1 without TLS and logged in as %2."))
                      .arg(host, username);
        return TransferResult::success();
    }
    const TransferResult failed = failure(result, status, folder);
    QString step = FailureText::reaching(result, host, CurlSession::defaultPort(folder));
    if (step.isEmpty() && status == 401)
        step = FailureText::loginRefusedFor(username);
    else if (step.isEmpty() && status >= 400)
        step = FailureText::folderCannotBeMade(folder.path(QUrl::FullyDecoded), m_session.reply());
    else if (step.isEmpty() && result == CURLE_PEER_FAILED_VERIFICATION && !failed.unknownCertificate.isValid())
        step = FailureText::certificateNotTrusted(m_session.curlSaid());
    *steps << (step.isEmpty() ? failed.error.description : step);
    return failed;
}

#include "S3Transport.h"

#include "CurlSession.h"
#include "FailureText.h"
#include "WebDavTransport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

using FailureText::tr;

namespace {

bool isPathStyle(const QUrl& url)
{
    return url.scheme() != QLatin1String("s3");
}

// The path's parts after the bucket: "s3://bucket/a/b/" and "https://endpoint/bucket/a/b/" -> "a/b/".
QString keyOf(const QUrl& url)
{
    QString key = url.path(QUrl::FullyDecoded);
    while (key.startsWith(QLatin1Char('/')))
        key.remove(0, 1);
    if (isPathStyle(url))
        key = key.section(QLatin1Char('/'), 1);
    return key;
}

QString folderKeyOf(const QUrl& folder)
{
    QString key = keyOf(folder.adjusted(QUrl::RemoveFilename));
    if (!key.isEmpty() && !key.endsWith(QLatin1Char('/')))
        key += QLatin1Char('/');
    return key;
}

// The first text of each element named so in a service's XML answer.
QStringList elementTexts(const QByteArray& answer, QStringView name)
{
    QStringList texts;
    QXmlStreamReader xml(answer);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == name)
            texts << xml.readElementText().trimmed();
    return texts;
}

QByteArray contentTypeOf(const QUrl& url)
{
    const QString name = url.fileName().toLower();
    if (name.endsWith(QLatin1String(".mp4")))
        return "video/mp4";
    if (name.endsWith(QLatin1String(".webm")))
        return "video/webm";
    return name.endsWith(QLatin1String(".jpg")) ? "image/jpeg" : "text/plain";
}

} // namespace

S3Transport::S3Transport(CurlSession& session)
    : m_session(session)
{
}

QString S3Transport::bucketOf(const QUrl& url)
{
    return isPathStyle(url) ? url.path(QUrl::FullyDecoded).section(QLatin1Char('/'), 0, 0, QString::SectionSkipEmpty)
                            : url.host();
}

bool S3Transport::isS3Address(const QUrl& url, const QString& endpoint)
{
    if (url.scheme() == QLatin1String("s3"))
        return true;
    if (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
        return false;
    const QUrl set(endpoint);
    if (!set.host().isEmpty() && set.host().compare(url.host(), Qt::CaseInsensitive) == 0 &&
        set.port(CurlSession::defaultPort(set)) == url.port(CurlSession::defaultPort(url)))
        return true;
    static const QStringList kServices{QStringLiteral(".amazonaws.com"), QStringLiteral(".backblazeb2.com"),
                                       QStringLiteral(".r2.cloudflarestorage.com"), QStringLiteral(".wasabisys.com")};
    return std::any_of(kServices.begin(), kServices.end(),
                       [&](const QString& domain) { return url.host().endsWith(domain, Qt::CaseInsensitive); });
}

QString S3Transport::regionOf(const QString& host, const QString& setRegion)
{
    // Services whose hosts name their region: s3.eu-central-1.amazonaws.com, BUCKET.s3.eu-central-1.amazonaws.com,
    // s3.eu-central-003.backblazeb2.com, s3.eu-central-1.wasabisys.com; Cloudflare R2 signs for "auto".
    static const QRegularExpression kNamed(
        QStringLiteral("(?:^|\\.)s3[.-]([a-z]+(?:-[a-z]+)*-\\d+)\\.(?:amazonaws\\.com|backblazeb2\\.com|wasabisys\\.com)$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch named = kNamed.match(host); named.hasMatch())
        return named.captured(1).toLower();
    return host.endsWith(QLatin1String(".r2.cloudflarestorage.com"), Qt::CaseInsensitive) ? QStringLiteral("auto") : setRegion;
}

QUrl S3Transport::requestUrl(const QUrl& address, const QString& key, const QByteArray& query) const
{
    const QString endpoint = m_session.settings().s3Endpoint;
    const QString bucket = bucketOf(address);
    QUrl url;
    QString path;
    if (isPathStyle(address)) {
        url = address.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
        path = QLatin1Char('/') + bucket + QLatin1Char('/') + key;
    } else if (endpoint.isEmpty()) { // Amazon's own: the bucket names the host
        url = QUrl(QStringLiteral("https://%1.s3.%2.amazonaws.com").arg(bucket, m_session.settings().s3Region));
        path = QLatin1Char('/') + key;
    } else {
        url = QUrl(endpoint.endsWith(QLatin1Char('/')) ? endpoint.chopped(1) : endpoint);
        path = url.path(QUrl::FullyDecoded) + QLatin1Char('/') + bucket + QLatin1Char('/') + key;
    }
    url.setPath(QString::fromLatin1(QUrl::toPercentEncoding(path, "/")), QUrl::StrictMode);
    if (!query.isEmpty())
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QString S3Transport::regionText(const QByteArray& answer, const QString& signedFor)
{
    const QStringList regions = elementTexts(answer, u"Region");
    if (regions.isEmpty() || regions.first().isEmpty() || regions.first() == signedFor)
        return {};
    return tr("The bucket is in %1, not %2: set OXS3Region=%1.").arg(regions.first(), signedFor);
}

int S3Transport::request(const char* method, const QUrl& url, const QString& username, const QString& password,
                         const QByteArray* upload, const QByteArray& contentType, QByteArray* answer, long* status)
{
    m_session.prepare(url.toEncoded(), url, username.toUtf8(), password.toUtf8(), upload ? upload->size() : 0);
    CURL* h = m_session.handle();
    const QByteArray signing = "aws:amz:" + regionOf(url.host(), m_session.settings().s3Region).toUtf8() + ":s3";
    curl_easy_setopt(h, CURLOPT_AWS_SIGV4, signing.constData());
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    // The service's own words come with its error: read them instead of stopping at the status.
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 0L);
    // The body's hash is signed with it; the picture is in memory, so it is known before it goes.
    const QByteArray hash = QCryptographicHash::hash(upload ? *upload : QByteArray(), QCryptographicHash::Sha256).toHex();
    CurlCommands headers;
    headers.append("x-amz-content-sha256: " + hash);
    headers.append("Expect:");
    if (upload) {
        m_session.setBody(*upload);
        headers.append("Content-Type: " + contentType);
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method);
        if (qstrcmp(method, "HEAD") == 0)
            curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    m_session.collectInto(answer);
    int result = m_session.perform();
    *status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, status);
    if (result == CURLE_OK && *status >= 300)
        result = CURLE_HTTP_RETURNED_ERROR;
    return result;
}

TransferResult S3Transport::failure(int result, long status, const QByteArray& answer, const QUrl& target, const QString& username)
{
    TransferResult failed = TransferResult::failed(FailureText::curl(result));
    const QString code = elementTexts(answer, u"Code").value(0);
    const QString message = elementTexts(answer, u"Message").value(0);
    const QString said = code.isEmpty() ? m_session.reply() : QStringLiteral("%1: %2").arg(code, message);
    const QString signedFor = regionOf(requestUrl(target, {}).host(), m_session.settings().s3Region);
    if (const QString region = regionText(answer, signedFor); !region.isEmpty())
        failed.error.description = region;
    else if (code == QLatin1String("InvalidAccessKeyId") || code == QLatin1String("SignatureDoesNotMatch"))
        failed.error.description = tr("The service refused the access key %1 (%2): check the access key and the secret key.")
                                       .arg(username, said);
    else if (code == QLatin1String("NoSuchBucket"))
        failed.error.description = tr("The bucket %1 does not exist (%2).").arg(bucketOf(target), said);
    else if (status == 507 || code == QLatin1String("QuotaExceeded"))
        failed.error.description = FailureText::diskFull(said);
    else if (status >= 400)
        failed.error.description = FailureText::pictureRefused(said);
    failed.permanent = status == 400 && code != QLatin1String("AuthorizationHeaderMalformed") && code != QLatin1String("RequestTimeout");
    return failed;
}

TransferResult S3Transport::upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    const QUrl target = requestUrl(url, keyOf(url));
    if (const QString why = WebDavTransport::inClear(target, password); !why.isEmpty())
        return TransferResult::failed(Error{QStringLiteral("CurlErrorDomain"), CURLE_LOGIN_DENIED, why}, true);
    QByteArray answer;
    long status = 0;
    const int result = request("PUT", target, username, password, &data, contentTypeOf(url), &answer, &status);
    if (result != CURLE_OK) {
        TransferResult failed = failure(result, status, answer, url, username);
        m_session.explainTrust(result, target, &failed);
        return failed;
    }
    TransferResult sent = TransferResult::success();
    sent.usedTls = target.scheme() == QLatin1String("https");
    return sent;
}

TransferResult S3Transport::list(const QUrl& folder, const QString& username, const QString& password)
{
    const QString prefix = folderKeyOf(folder);
    TransferResult found = TransferResult::success();
    QString continuation;
    constexpr int kMostPages = 1000; // a million names
    int pages = 0;
    do { // a thousand names an answer
        QByteArray query = "list-type=2&delimiter=%2F&prefix=" + QUrl::toPercentEncoding(prefix);
        if (!continuation.isEmpty())
            query += "&continuation-token=" + QUrl::toPercentEncoding(continuation);
        const QUrl target = requestUrl(folder, QString(), query);
        if (const QString why = WebDavTransport::inClear(target, password); !why.isEmpty())
            return TransferResult::failed(Error{QStringLiteral("CurlErrorDomain"), CURLE_LOGIN_DENIED, why}, true);
        QByteArray answer;
        long status = 0;
        if (const int result = request("GET", target, username, password, nullptr, {}, &answer, &status); result != CURLE_OK)
            return failure(result, status, answer, folder, username);
        for (const QString& key : elementTexts(answer, u"Key"))
            if (key.startsWith(prefix) && key.size() > prefix.size())
                found.names << key.mid(prefix.size());
        const QString next = elementTexts(answer, u"IsTruncated").value(0) == QLatin1String("true")
            ? elementTexts(answer, u"NextContinuationToken").value(0)
            : QString();
        // A service that hands the same page again would never end the listing.
        continuation = next == continuation ? QString() : next;
    } while (!continuation.isEmpty() && ++pages < kMostPages);
    return found;
}

TransferResult S3Transport::remove(const QUrl& folder, const QStringList& names, const QString& username,
                                   const QString& password, Removal removal)
{
    const QString prefix = folderKeyOf(folder);
    for (const QString& name : names) {
        const QUrl target = requestUrl(folder, prefix + name);
        QByteArray answer;
        long status = 0;
        // A key already gone answers 204 too; strictly, it must be there first.
        if (removal == Removal::Strict) {
            const int result = request("HEAD", target, username, password, nullptr, {}, &answer, &status);
            if (result != CURLE_OK)
                return failure(result, status, answer, folder, username);
        }
        if (const int result = request("DELETE", target, username, password, nullptr, {}, &answer, &status); result != CURLE_OK)
            return failure(result, status, answer, folder, username);
    }
    return TransferResult::success();
}

TransferResult S3Transport::reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps)
{
    const QUrl target = requestUrl(folder, QString(), "list-type=2&max-keys=1");
    if (const QString why = WebDavTransport::inClear(target, password); !why.isEmpty()) {
        *steps << why;
        return TransferResult::failed(Error{QStringLiteral("CurlErrorDomain"), CURLE_LOGIN_DENIED, why}, true);
    }
    QByteArray answer;
    long status = 0;
    const int result = request("GET", target, username, password, nullptr, {}, &answer, &status);
    if (result == CURLE_OK) {
        *steps << tr("Connected to %1 and the bucket %2 answers to the access key %3.")
                      .arg(target.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toDisplayString(), bucketOf(folder), username);
        return TransferResult::success();
    }
    const TransferResult failed = failure(result, status, answer, folder, username);
    const QString common = FailureText::reaching(result, target.host(), CurlSession::defaultPort(target));
    *steps << (common.isEmpty() ? failed.error.description : common);
    return failed;
}

#include "FTPController.h"

#include "CurlSession.h"
#include "FailureText.h"
#include "FtpText.h"
#include "FtpTransport.h"
#include "SftpTransport.h"
#include "S3Transport.h"
#include "WebDavTransport.h"

#include <QCoreApplication>
#include <QDateTime>

using FailureText::tr;

CurlGlobal::CurlGlobal()
    : m_ready(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK)
{
}

CurlGlobal::~CurlGlobal()
{
    if (m_ready)
        curl_global_cleanup();
}

FTPController::FTPController(FTPTransferSettings settings)
    : m_session(std::make_unique<CurlSession>(std::move(settings)))
    , m_ftp(std::make_unique<FtpTransport>(*m_session))
    , m_sftp(std::make_unique<SftpTransport>(*m_session))
    , m_dav(std::make_unique<WebDavTransport>(*m_session))
    , m_s3(std::make_unique<S3Transport>(*m_session))
{
}

FTPController::~FTPController() = default;

QString FTPController::temporaryName(const QString& fileName)
{
    return fileName + QStringLiteral(".part");
}

void FTPController::setHostsRequiringTls(QSet<QString> hosts)
{
    m_ftp->setHostsRequiringTls(std::move(hosts));
}

void FTPController::abortTransfers()
{
    m_session->abort();
}

TrustedCertificate FTPController::probeCertificate(const QUrl& url, QString* names)
{
    return m_session->probeCertificate(url, names);
}

Transport* FTPController::transportFor(const QUrl& url, TransferResult* refused) const
{
    const QString scheme = url.scheme();
    Transport* transport = nullptr;
    if (scheme == QLatin1String("ftp") || scheme == QLatin1String("ftps"))
        transport = m_ftp.get();
    else if (scheme == QLatin1String("sftp"))
        transport = m_sftp.get();
    else if (S3Transport::isS3Address(url, m_session->settings().s3Endpoint))
        transport = m_s3.get();
    else if (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
        transport = m_dav.get();
    const int refusal = url.isEmpty() ? CURLE_URL_MALFORMAT
        : !transport                  ? CURLE_UNSUPPORTED_PROTOCOL
        : url.host().isEmpty() || (transport == m_s3.get() && S3Transport::bucketOf(url).isEmpty()) ? CURLE_URL_MALFORMAT
        : !m_session->isValid()       ? CURLE_FAILED_INIT
                                      : CURLE_OK;
    if (refusal == CURLE_OK)
        return transport;
    *refused = TransferResult::failed(FailureText::curl(refusal), refusal != CURLE_FAILED_INIT);
    return nullptr;
}

TransferResult FTPController::uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    // A line break in any of these would hand the server a command of its own.
    if (hasControlCharacter(username) || hasControlCharacter(password) ||
        hasControlCharacter(QString::fromUtf8(QByteArray::fromPercentEncoding(url.toEncoded()))))
        return TransferResult::failed(FailureText::controlCharacter(), true);
    TransferResult refused;
    Transport* transport = transportFor(url, &refused);
    if (transport && url.fileName().isEmpty())
        return TransferResult::failed(FailureText::curl(CURLE_URL_MALFORMAT), true);
    return transport ? transport->upload(data, url, username, password) : refused;
}

TransferResult FTPController::listNames(const QUrl& folder, const QString& username, const QString& password)
{
    if (hasControlCharacter(username) || hasControlCharacter(password))
        return TransferResult::failed(FailureText::controlCharacter(), true);
    TransferResult refused;
    Transport* transport = transportFor(folder, &refused);
    return transport ? transport->list(folder, username, password) : refused;
}

TransferResult FTPController::removeNames(const QUrl& folder, const QStringList& names, const QString& username,
                                          const QString& password, Removal removal)
{
    if (hasControlCharacter(username) || hasControlCharacter(password))
        return TransferResult::failed(FailureText::controlCharacter(), true);
    TransferResult refused;
    Transport* transport = transportFor(folder, &refused);
    if (!transport)
        return refused;
    QStringList safe; // a name from the server never becomes a command of its own
    for (const QString& name : names)
        if (!hasControlCharacter(name) && !name.contains(QLatin1Char('/')))
            safe << name;
    return transport->remove(folder, safe, username, password, removal);
}

FTPController::Check FTPController::checkConnection(const QUrl& folder, const QString& username, const QString& password)
{
    Check check;
    QUrl place = folder.adjusted(QUrl::StripTrailingSlash);
    const QString path = place.path(QUrl::FullyDecoded).isEmpty() ? QStringLiteral("/") : place.path(QUrl::FullyDecoded);
    place.setPath(place.path(QUrl::FullyEncoded) + QLatin1Char('/'), QUrl::StrictMode);
    if (hasControlCharacter(username) || hasControlCharacter(password)) {
        check.steps << FailureText::controlCharacterInLogin();
        return check;
    }
    TransferResult refused;
    Transport* transport = transportFor(place, &refused);
    if (!transport) {
        check.steps << refused.error.description;
        return check;
    }
    // Connect, log in and go to the folder, making it when it is missing.
    if (!transport->reach(place, username, password, &check.steps).ok)
        return check;
    check.steps << tr("The folder %1 is there.").arg(path);

    // A small file written (under its temporary name, then renamed) and removed.
    const QString name = QStringLiteral("ombrix-test-%1.txt").arg(QDateTime::currentMSecsSinceEpoch());
    QUrl file = place;
    file.setPath(place.path(QUrl::FullyEncoded) + name, QUrl::StrictMode);
    const TransferResult written = transport->upload(QByteArrayLiteral("Ombrix checks that it may write here.\n"), file, username, password);
    if (!written.ok) {
        check.steps << tr("A file cannot be written into %1: %2").arg(path, written.error.description);
        return check;
    }
    // Strictly: a server that lets a file be written but not removed would fail later,
    // when the always-current picture is replaced or old pictures are removed.
    if (const TransferResult removed = transport->remove(place, {name}, username, password, Removal::Strict); !removed.ok) {
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

#include "KnownHosts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>

QString SshHostKey::fingerprint() const
{
    QString name = QString::fromLatin1(type);
    if (name.startsWith(QLatin1String("ssh-")))
        name = name.mid(4);
    else if (name.startsWith(QLatin1String("ecdsa")))
        name = QStringLiteral("ecdsa");
    const QByteArray digest = QCryptographicHash::hash(blob, QCryptographicHash::Sha256)
                                  .toBase64(QByteArray::OmitTrailingEquals);
    return name.toUpper() + QStringLiteral(" SHA256:") + QString::fromLatin1(digest);
}

QString SshHostKey::hostPattern() const
{
    return port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

namespace {

// One name field of a line: "a,b,[c]:2222" or a hashed "|1|salt|hash".
bool namesServer(const QByteArray& field, const QByteArray& pattern)
{
    if (field.startsWith("|1|")) {
        const QList<QByteArray> parts = field.split('|'); // "", "1", salt, hash
        return parts.size() == 4 &&
            QMessageAuthenticationCode::hash(pattern, QByteArray::fromBase64(parts[2]), QCryptographicHash::Sha1) ==
            QByteArray::fromBase64(parts[3]);
    }
    for (const QByteArray& name : field.split(','))
        if (name == pattern)
            return true;
    return false;
}

} // namespace

QString KnownHosts::defaultPath()
{
    return QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
}

int KnownHosts::lineFor(const QString& path, const QString& host, int port)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray pattern = SshHostKey{host, port, {}, {}}.hostPattern().toUtf8();
    for (int number = 1; !file.atEnd(); ++number) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('#') || line.startsWith('@'))
            continue;
        if (namesServer(line.left(line.indexOf(' ')), pattern))
            return number;
    }
    return 0;
}

bool KnownHosts::add(const QString& path, const SshHostKey& key, QString* problem)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) &&
        (!QDir().mkpath(folder) || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                      QFileDevice::ExeOwner))) {
        *problem = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    QFile file(path);
    const bool existed = file.exists();
    // A file that does not end its last line gets one first, or the new line would join it.
    QByteArray line;
    if (existed && file.open(QIODevice::ReadOnly)) {
        if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
            line = "\n";
        file.close();
    }
    line += key.hostPattern().toUtf8() + ' ' + key.type + ' ' + key.blob.toBase64() + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() || !file.flush()) {
        *problem = file.errorString();
        return false;
    }
    if (!existed)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

QString TrustedCertificate::hostPattern() const
{
    return port == 21 ? host : QStringLiteral("%1:%2").arg(host).arg(port);
}

QString TrustedCertificates::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Ombrix/trusted-certificates");
}

QByteArray TrustedCertificates::pinFor(const QString& path, const QString& host, int port, int* line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray pattern = TrustedCertificate{host, port, {}}.hostPattern().toUtf8();
    for (int number = 1; !file.atEnd(); ++number) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() == 2 && fields[0] == pattern && fields[1].startsWith("sha256//")) {
            if (line)
                *line = number;
            return fields[1];
        }
    }
    return {};
}

bool TrustedCertificates::add(const QString& path, const TrustedCertificate& certificate, QString* problem)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const QByteArray line = certificate.hostPattern().toUtf8() + ' ' + certificate.pin + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() || !file.flush()) {
        *problem = file.errorString();
        return false;
    }
    return true;
}

QByteArray TrustedCertificates::pinOf(const QByteArray& pem)
{
    const QSslCertificate certificate(pem, QSsl::Pem);
    if (certificate.isNull())
        return {};
    return "sha256//" + QCryptographicHash::hash(certificate.publicKey().toDer(), QCryptographicHash::Sha256).toBase64();
}

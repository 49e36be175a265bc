#include "FailureText.h"

#include <QCoreApplication>

#include <curl/curl.h>

namespace FailureText {

QString tr(const char* text)
{
    return QCoreApplication::translate("FTPController", text);
}

Error curl(int code)
{
    return Error{QStringLiteral("CurlErrorDomain"), code, QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(code)))};
}

Error controlCharacter()
{
    Error error = curl(CURLE_BAD_FUNCTION_ARGUMENT);
    error.description = tr("The address, user name or password holds a control character (such as a line break): nothing was sent.");
    return error;
}

QString controlCharacterInLogin()
{
    return tr("The user name or password holds a control character (such as a line break): retype it.");
}

QString tlsRefused(const QString& host)
{
    return tr("%1 did not offer TLS this time, and Ombrix logs in there only with TLS: nothing was sent, not even the "
              "password. Someone in between may be removing it; check the server's TLS settings.")
        .arg(host);
}

QString certificateChanged(const QString& hostPattern, int line, const QString& trustedPath)
{
    return tr("WARNING: the TLS key of %1 has CHANGED: line %2 of %3 trusts another. Someone may be listening in: "
              "nothing was sent. Only if the server really has a new certificate, remove that line and trust it "
              "again (ombrix --trust-host %1).")
        .arg(hostPattern)
        .arg(line)
        .arg(trustedPath);
}

QString certificateUnknown(const TrustedCertificate& shown)
{
    return tr("No authority this computer trusts signed the certificate of %1 (its key is %2), so nothing was sent. If "
              "this is your own server (a NAS, a router), check that key and trust it: ombrix --trust-host %1.")
        .arg(shown.hostPattern(), QString::fromLatin1(shown.pin));
}

QString certificateForOtherName(const QString& names, const QString& host)
{
    return tr("The server's certificate is for %1, not %2.").arg(names, host);
}

QString certificateNotTrusted(const QString& curlSaid)
{
    return tr("The server's certificate is not signed by an authority this computer trusts (%1).").arg(curlSaid);
}

QString diskFull(const QString& said)
{
    return tr("The server's disk is full (%1)").arg(said);
}

QString loginRefused(const QString& said)
{
    return tr("The server refused the login (%1)").arg(said);
}

QString pictureRefused(const QString& said)
{
    return tr("The server refused the picture (%1)").arg(said);
}

QString reaching(int curlCode, const QString& host, int port)
{
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return unknownHost(host);
    case CURLE_COULDNT_CONNECT:
        return nothingAnswers(host, port);
    case CURLE_OPERATION_TIMEDOUT:
        return noAnswerInTime(host);
    default:
        return {};
    }
}

QString unknownHost(const QString& host)
{
    return tr("The server name %1 is not known: check the address.").arg(host);
}

QString nothingAnswers(const QString& host, int port)
{
    return tr("Nothing answers at %1 on port %2: check the address and the port, and that the server runs.").arg(host).arg(port);
}

QString noAnswerInTime(const QString& host)
{
    return tr("%1 did not answer in time: check the address, or try again later.").arg(host);
}

QString loginRefusedFor(const QString& username)
{
    return tr("Login refused for user %1: check the user name and the password.").arg(username);
}

QString folderCannotBeMade(const QString& path, const QString& said)
{
    return tr("The folder %1 does not exist and cannot be made: %2").arg(path, said);
}

QString sshHostUnknown(const SshHostKey& key, const QString& knownHosts)
{
    return tr("The SSH server %1 is not known: its key %2 is not in %3, so nothing was sent. Check that fingerprint "
              "with the server's owner, then trust it: ssh-keyscan -p %4 %5 >> %3 (or connect once with ssh).")
        .arg(key.hostPattern(), key.fingerprint(), knownHosts)
        .arg(key.port)
        .arg(key.host);
}

QString sshHostKeyChanged(const SshHostKey& key, int line, const QString& knownHosts)
{
    return tr("WARNING: the SSH key of %1 has CHANGED (it shows %2, but line %3 of %4 holds another). Someone may be "
              "listening in: nothing was sent. Only if the server was really reinstalled, remove that line "
              "(ssh-keygen -R '%1').")
        .arg(key.hostPattern(), key.fingerprint())
        .arg(line)
        .arg(knownHosts);
}

QString sshLoginRefused(const QString& host, const QString& username, const QString& rsaKeyFile)
{
    // This libssh2 signs with RSA keys by SHA-1 only, which current OpenSSH servers refuse.
    if (!rsaKeyFile.isEmpty())
        return tr("The SSH server %1 refused the login of %2 with the RSA key %3: this key type can only sign with SHA-1 "
                  "here, which current servers refuse. Make an ed25519 key (ssh-keygen -t ed25519) and add its .pub to "
                  "the server's authorized_keys.")
            .arg(host, username, rsaKeyFile);
    return tr("The SSH server %1 refused the login of %2 (by key and by password).").arg(host, username);
}

} // namespace FailureText

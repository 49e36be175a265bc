#pragma once

#include "Error.h"
#include "KnownHosts.h"

#include <QString>

// What went wrong on a server, in one sentence a person can act on: the wording of
// every transport's failures, kept in one place so that the same failure reads the
// same over FTP, SFTP, WebDAV and S3.
namespace FailureText {

// A sentence of the uploader's, in the language the user reads.
QString tr(const char* text);

// libcurl's own words for its code, in the domain every transport's failures share.
Error curl(int code);
Error controlCharacter();
QString controlCharacterInLogin();

// TLS and the owner's trust.
QString tlsRefused(const QString& host);
QString certificateChanged(const QString& hostPattern, int line, const QString& trustedPath);
QString certificateUnknown(const TrustedCertificate& shown);
QString certificateForOtherName(const QString& names, const QString& host);
QString certificateNotTrusted(const QString& curlSaid);

// What a server said, by kind.
QString diskFull(const QString& said);
QString loginRefused(const QString& said);
QString pictureRefused(const QString& said);

// Reaching a server: the failures every protocol shares (no such name, nothing
// listening, no answer in time); empty for any other.
QString reaching(int curlCode, const QString& host, int port);
QString unknownHost(const QString& host);
QString nothingAnswers(const QString& host, int port);
QString noAnswerInTime(const QString& host);
QString loginRefusedFor(const QString& username);
QString folderCannotBeMade(const QString& path, const QString& said);

// SSH.
QString sshHostUnknown(const SshHostKey& key, const QString& knownHosts);
QString sshHostKeyChanged(const SshHostKey& key, int line, const QString& knownHosts);
QString sshLoginRefused(const QString& host, const QString& username, const QString& rsaKeyFile);

} // namespace FailureText

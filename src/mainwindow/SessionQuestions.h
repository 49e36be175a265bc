#pragma once

#include <QString>

#include <functional>

class QWidget;
class RecordingSession;
struct SshHostKey;
struct TrustedCertificate;

// The questions a recording asks the person at the window; each is a sheet over
// the window that never blocks its event loop.
namespace SessionQuestions {
// Whether a lowered rule for old pictures may remove this much at once.
void askToRemoveOldPictures(QWidget* window, const QString& question, std::function<void(bool)> answer);
// Whether to trust an SFTP server's key known_hosts does not hold; yes writes it there.
void askToTrustHostKey(QWidget* window, RecordingSession* session, const SshHostKey& key);
// Whether to trust an FTPS server whose certificate no authority signed; yes pins its key.
void askToTrustCertificate(QWidget* window, RecordingSession* session, const TrustedCertificate& certificate);
} // namespace SessionQuestions

#include "UploadCheckCommand.h"

#include "ConnectionTrial.h"
#include "DeliveryWorker.h"
#include "Netrc.h"
#include "PasswordKeychain.h"
#include "RecordingSession.h"
#include "SecretStore.h"
#include "SettingsTable.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

int runUploadCheck(UserDefaults* settings, SecretStore* secrets, const std::function<void(const QString&)>& out)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("UploadCheck", text); };
    const QUrl folder = ConnectionTrial::folderOf(*settings);
    if (!folder.isValid() || folder.host().isEmpty()) {
        out(tr("ombrix: no server address in the settings (OXFTPServerAddress)."));
        return 2;
    }
    const QString user = settingValue(*settings, OXFTPUsername);
    std::optional<QString> password;
    if (!RecordingSession::isAnonymousLogin(user)) {
        // The keyring, as long as the service would wait for it; then the netrc file.
        QEventLoop wait;
        QTimer::singleShot(RecordingSession::kKeyringPatience, &wait, &QEventLoop::quit);
        const auto call = PasswordKeychain(settings, secrets).readLater([&](std::optional<QString> found, const Error&) {
            password = found;
            wait.quit();
        });
        if (call)
            wait.exec();
        if (!password || password->isEmpty())
            password = Netrc::passwordFor(Netrc::defaultPath(), folder.host(), user).password;
    }
    out(tr("Checking %1 as %2:").arg(folder.toDisplayString(), user.isEmpty() ? QStringLiteral("anonymous") : user));
    FTPController ftp(DeliveryWorker::Settings::fromUserDefaults(*settings, {}, {}).transfer);
    const FTPController::Check check = ftp.checkConnection(folder, user, password.value_or(QString()));
    for (const QString& step : check.steps)
        out(step);
    return check.ok ? 0 : 1;
}

int runTrustHost(const QString& hostAndPort, const std::function<void(const QString&)>& out)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("UploadCheck", text); };
    // FTPS unless a scheme is named (https:// for WebDAV and S3); a port that speaks no FTP is tried over HTTPS.
    const bool named = hostAndPort.contains(QLatin1String("://"));
    const QUrl server(named ? hostAndPort : QStringLiteral("ftp://%1/").arg(hostAndPort), QUrl::StrictMode);
    if (!server.isValid() || server.host().isEmpty()) {
        out(tr("ombrix: --trust-host takes HOST, HOST:PORT or https://HOST:PORT, not \"%1\".").arg(hostAndPort));
        return 2;
    }
    FTPController ftp;
    TrustedCertificate shown = ftp.probeCertificate(server);
    if (!shown.isValid() && !named)
        shown = ftp.probeCertificate(QUrl(QStringLiteral("https://%1/").arg(hostAndPort)));
    if (!shown.isValid()) {
        out(tr("ombrix: %1 showed no TLS certificate.").arg(shown.hostPattern()));
        return 1;
    }
    out(tr("The key of the certificate of %1 is\n  %2\nTrust it only if this is your own server and that is its key. "
           "Trust it? [y/N]")
            .arg(shown.hostPattern(), QString::fromLatin1(shown.pin)));
    const QString answer = QTextStream(stdin).readLine().trimmed().toLower();
    if (answer != QLatin1String("y") && answer != QLatin1String("yes")) {
        out(tr("Not trusted."));
        return 1;
    }
    QString problem;
    if (!TrustedCertificates::add(TrustedCertificates::defaultPath(), shown, &problem)) {
        out(tr("ombrix: %1 cannot be written: %2").arg(TrustedCertificates::defaultPath(), problem));
        return 1;
    }
    out(tr("Trusted: %1 is accepted with this key only, and always with TLS.").arg(shown.hostPattern()));
    return 0;
}

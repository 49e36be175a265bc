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

#include "ConnectionTrial.h"

#include "PictureNaming.h"
#include "SettingsTable.h"


ConnectionTrial::ConnectionTrial(QObject* parent)
    : QObject(parent)
{
}

ConnectionTrial::~ConnectionTrial()
{
    if (m_controller)
        m_controller->abortTransfers();
    if (m_thread.joinable())
        m_thread.join();
}

QUrl ConnectionTrial::folderOf(UserDefaults& settings)
{
    return PictureNaming(&settings, {})
        .uploadURL(settingValue(settings, OXFTPServerAddress), settingValue(settings, OXFTPPath), QString());
}

bool ConnectionTrial::start(const QUrl& folder, const QString& username, const QString& password, FTPTransferSettings transfer)
{
    if (m_controller)
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the last trial's thread has ended its work already
    m_controller = std::make_shared<FTPController>(std::move(transfer));
    // The destructor joins the thread, so `this` outlives it; a result not yet
    // delivered then goes with the object.
    m_thread = std::thread([this, controller = m_controller, folder, username, password] {
        const FTPController::Check check = controller->checkConnection(folder, username, password);
        QMetaObject::invokeMethod(
            this, [this, check] {
                m_controller.reset();
                Q_EMIT finished(check.ok, check.steps);
            },
            Qt::QueuedConnection);
    });
    return true;
}

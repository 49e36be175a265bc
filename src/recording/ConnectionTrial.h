#pragma once

#include "FTPController.h"

#include <QObject>

#include <memory>
#include <thread>

class UserDefaults;

// A trial of the upload settings (FTPController::checkConnection) on a thread of
// its own, so that a window never waits for a server; its steps come back as a
// signal. Destroying it ends a trial under way at once.
class ConnectionTrial : public QObject {
    Q_OBJECT
public:
    explicit ConnectionTrial(QObject* parent = nullptr);
    ~ConnectionTrial() override;

    // The folder pictures go to, as the settings name it (the server address and the folder).
    static QUrl folderOf(UserDefaults& settings);
    // Starts a trial, unless one is under way (false then).
    bool start(const QUrl& folder, const QString& username, const QString& password, FTPTransferSettings transfer = {});
    bool isRunning() const { return bool(m_controller); }

Q_SIGNALS:
    void finished(bool ok, const QStringList& steps);

private:
    std::shared_ptr<FTPController> m_controller;
    std::thread m_thread;
};

#include "SettingsLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

SettingsLock::SettingsLock(const QString& settingsPath)
    // Not "NAME.lock": QSettings takes that one for a moment at every save.
    : m_lock(settingsPath + QStringLiteral(".running"))
{
    QDir().mkpath(QFileInfo(settingsPath).path());
    m_lock.setStaleLockTime(0); // held as long as its process lives, however long that is
    m_held = m_lock.tryLock(0);
    if (m_held || m_lock.error() != QLockFile::LockFailedError) {
        // A folder that cannot hold the lock cannot hold the settings either; that is said elsewhere.
        m_held = true;
        return;
    }
    qint64 pid = 0;
    QString host, application;
    m_lock.getLockInfo(&pid, &host, &application);
    m_problem = QCoreApplication::translate("SettingsLock",
                                            "Another Ombrix (process %1) is already using the settings file %2. Only one "
                                            "Ombrix may record with it at a time: quit the other one first.")
                    .arg(pid)
                    .arg(settingsPath);
}

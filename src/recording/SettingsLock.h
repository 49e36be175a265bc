#pragma once

#include <QLockFile>
#include <QString>

// One Ombrix per settings file: two would share one outbox and send its pictures
// twice or lose them. Held beside the settings file for the life of the process; a
// lock left by a process that is gone is taken over.
class SettingsLock {
public:
    explicit SettingsLock(const QString& settingsPath);

    // False when another Ombrix holds it; problem() then names that process.
    bool isHeld() const { return m_held; }
    QString problem() const { return m_problem; }

private:
    QLockFile m_lock;
    bool m_held = false;
    QString m_problem;
};

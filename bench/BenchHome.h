#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

// A fresh home for a whole-window benchmark: its own settings and outbox, the test
// camera at the given size, no keyring, the offscreen platform unless told otherwise.
// Made before the application, so that everything reads it.
class BenchHome {
public:
    explicit BenchHome(const char* testCameras)
    {
        qputenv("HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toLocal8Bit());
        qputenv("XDG_STATE_HOME", (m_dir.path() + QStringLiteral("/.local/state")).toLocal8Bit());
        qputenv("OMBRIX_TESTCAM_DEVICES", testCameras);
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// A memory figure of this process from /proc/self/status, in MB: "VmRSS" (resident
// now) or "VmHWM" (the peak); 0 when it cannot be read.
inline double statusMegabytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

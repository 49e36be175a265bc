#pragma once

#include "ChildProcess.h"

#include <QFile>
#include <QTemporaryDir>

// A small file system of its own (tmpfs), mounted for one test: root only.
class TinyDisk {
public:
    explicit TinyDisk(const QString& size)
    {
        m_mounted = runToEnd(words(QStringLiteral("mount -t tmpfs -o size=%1 tmpfs %2").arg(size, m_dir.path()))) == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            runToEnd({QStringLiteral("umount"), m_dir.path()});
    }
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    // Fills it up with a file named "filler" but for the given room.
    bool fill(qint64 roomBytes = 0)
    {
        QFile filler(path() + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
        filler.close();
        return filler.resize(std::max<qint64>(0, filler.size() - roomBytes));
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

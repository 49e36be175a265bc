#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh home folder for one test: HOME and the XDG folders point into it until
// the object goes away.
class TempHome {
public:
    TempHome();
    ~TempHome();
    QString path() const { return m_dir.path(); }
    QString configFile() const; // where the shared settings store keeps its file

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldConfig;
};

#pragma once

#include <QString>
#include <QTemporaryDir>

// Sets up the test camera plugin's cameras for a controller made afterwards, and
// drives it through its control file (connect, disconnect, suspend, resume).
class TestCamera {
public:
    // "NAME;NAME=WxH;..."; an empty list means no camera at all.
    explicit TestCamera(const QString& devices);
    ~TestCamera();
    void command(const QString& line);

private:
    QTemporaryDir m_dir;
    QString m_controlPath;
};

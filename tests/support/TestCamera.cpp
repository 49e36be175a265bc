#include "TestCamera.h"

#include <QFile>

TestCamera::TestCamera(const QString& devices)
    : m_controlPath(m_dir.path() + QStringLiteral("/control"))
{
    QFile file(m_controlPath);
    (void)file.open(QIODevice::WriteOnly);
    qputenv("OMBRIX_TESTCAM_DEVICES", devices.toUtf8());
    qputenv("OMBRIX_TESTCAM_CONTROL", m_controlPath.toUtf8());
}

TestCamera::~TestCamera()
{
    qunsetenv("OMBRIX_TESTCAM_DEVICES");
    qunsetenv("OMBRIX_TESTCAM_CONTROL");
}

void TestCamera::command(const QString& line)
{
    QFile file(m_controlPath);
    if (file.open(QIODevice::Append))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

#include "TempHome.h"

#include <QDir>

TempHome::TempHome()
    : m_oldHome(qgetenv("HOME"))
    , m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", (m_dir.path() + QStringLiteral("/.local/state")).toLocal8Bit());
}

TempHome::~TempHome()
{
    qputenv("HOME", m_oldHome);
    if (m_oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qunsetenv("XDG_STATE_HOME");
}

QString TempHome::configFile() const
{
    return m_dir.path() + QStringLiteral("/.config/Ombrix/Ombrix.conf");
}

#pragma once

#include <QByteArray>
#include <QtGlobal>

// Sets (or, with a null value, removes) an environment variable for the life of
// the object, then puts back what was there: a test leaves the environment as it
// found it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// No keyring to be reached: what most tests of the window want.
inline constexpr const char* kNoSessionBus = "unix:path=/nonexistent/ombrix-bus";

#pragma once

#include <QDateTime>

#include <functional>

// The local time now. One type for every part that reads the time, so a test can
// hand the same fixed or moving clock to all of them; empty means the system's.
using Clock = std::function<QDateTime()>;

inline Clock systemClockUnless(Clock clock)
{
    return clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); });
}

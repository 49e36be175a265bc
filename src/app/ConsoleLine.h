#pragma once

#include <QString>

#include <cstdio>

// One line, at once: journald, pipes and a watching terminal see each line as it happens.
inline void printLine(FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

#pragma once

#include <QString>

// The home folder abbreviated to a leading "~" and back; other paths pass unchanged.
QString abbreviateWithTilde(const QString& path);
QString expandTilde(const QString& path);

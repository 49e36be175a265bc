#pragma once

#include <QString>

// The home folder abbreviated to a leading "~" and back; other paths pass unchanged.
QString abbreviateWithTilde(const QString& path);
QString expandTilde(const QString& path);
// Where Ombrix keeps what must survive a restart but is no setting:
// $XDG_STATE_HOME/Ombrix (by default ~/.local/state/Ombrix).
QString stateFolder();

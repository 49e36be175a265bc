#pragma once

#include <QString>

// True when the text holds a control character (a line break, a tab, NUL, ...).
// Such a character would end an FTP command and start another of its own, so no
// text holding one is ever sent to a server.
bool hasControlCharacter(const QString& text);

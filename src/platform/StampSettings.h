#pragma once

#include "StampArchive.h"

class UserDefaults;

// The date stamp's font and colour as stored, read afresh at every call. A stored
// value that cannot be read counts as the registered default, and that failing
// too, as Times-Roman 12 pt in black.
StampFont stampFontFromSettings(const UserDefaults& userDefaults);
// The stamp's font and colour before anyone chose them.
StampFont defaultStampFont();
QColor defaultStampColor();
QColor stampColorFromSettings(const UserDefaults& userDefaults);

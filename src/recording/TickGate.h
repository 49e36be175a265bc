#pragma once

#include <QDateTime>
#include <QString>

#include <gst/gst.h>

#include <optional>

class UserDefaults;

// Whether a tick takes a picture: the settings may limit recording to hours of the
// day and skip pictures that are too dark. Both are off by default. The same rules
// serve the window and the headless recorder.
//
// None when the tick goes ahead; otherwise why not, as the status line and the
// log say it ("outside active hours", "too dark: 4%").
std::optional<QString> reasonToSkipTick(const UserDefaults& settings, const QDateTime& now, GstSample* frame);

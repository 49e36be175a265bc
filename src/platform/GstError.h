#pragma once

#include "Error.h"

#include <gst/gst.h>

#include <optional>

// A GStreamer error message as an Error, in GStreamer's domain and code, with its
// text; none when the message carries no error.
std::optional<Error> errorFromMessage(GstMessage* message);

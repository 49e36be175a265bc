#pragma once

#include <gst/gst.h>

#include <optional>

// A frame's average brightness, 0 (black) to 100 (white), from a reduced sample of
// its pixels (about 1 in 64): cheap enough for every tick. None for a frame that
// cannot be read.
std::optional<int> brightnessPercent(GstSample* frame);

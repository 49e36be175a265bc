#pragma once

#include "GstHandles.h"

#include <QString>

#include <optional>

// The picture size the owner asks for: the default (smooth in the window, the
// largest headless), the largest the camera gives, or one size (the nearest given).
struct PictureSize {
    enum class Kind { Auto, Largest, Exact };
    Kind kind = Kind::Auto;
    int width = 0;
    int height = 0;
    // "auto", "largest" or "WIDTHxHEIGHT"; none for anything else.
    static std::optional<PictureSize> parse(const QString& text);
};

// The mode a camera is opened at, chosen from what it offers: the largest picture
// it gives at kSmoothFramesPerSecond or more, raw when raw and MJPEG tie, at the
// lowest such rate (enough for a smooth preview, least work per second). A camera
// that reaches that rate at no size is opened at its fastest mode, largest first.
// Sizes offered as a range stand for the standard sizes inside it, at most
// kLargestFromRange unless a larger one is asked for: a range's maximum may be
// a picture of hundreds of megabytes.
struct CaptureMode {
    static constexpr double kSmoothFramesPerSecond = 15.0;
    static constexpr int kLargestFromRangeWidth = 1920;
    static constexpr int kLargestFromRangeHeight = 1080;
    // Smooth for a live preview; sparse where only stills are taken (headless): the
    // largest size given at 1 frame a second or more, at the lowest such rate.
    enum class Pace { Smooth, Sparse };

    bool compressed = false; // MJPEG, decoded before conversion
    int width = 0;
    int height = 0;
    int framesPerSecondNumerator = 0;
    int framesPerSecondDenominator = 1;
    double framesPerSecond() const
    {
        return framesPerSecondDenominator > 0 ? double(framesPerSecondNumerator) / framesPerSecondDenominator : 0.0;
    }
    // What the camera is asked for: exactly this format, size and rate.
    GstCapsRef caps() const;
};

// None when the camera offers nothing Ombrix can open at a known size (no caps,
// ANY, or only other compressed formats); it is then linked without a choice.
// A size asked for is given, or the nearest size the camera gives; `largest` (and
// `auto` when sparse) the largest at 1 frame a second or more.
std::optional<CaptureMode> chooseCaptureMode(const GstCaps* offered, CaptureMode::Pace pace = CaptureMode::Pace::Smooth,
                                             const PictureSize& size = {});

#pragma once

#include "GstHandles.h"

#include <optional>

// The mode a camera is opened at, chosen from what it offers: the largest picture
// it gives at kSmoothFramesPerSecond or more, raw when raw and MJPEG tie, at the
// lowest such rate (enough for a smooth preview, least work per second). A camera
// that reaches that rate at no size is opened at its fastest mode, largest first.
struct CaptureMode {
    static constexpr double kSmoothFramesPerSecond = 15.0;
    // Smooth for a live preview; sparse where only stills are taken (headless): the
    // same format and size, at the lowest rate of at least 1 a second the camera offers for them.
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
std::optional<CaptureMode> chooseCaptureMode(const GstCaps* offered, CaptureMode::Pace pace = CaptureMode::Pace::Smooth);

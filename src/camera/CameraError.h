#pragma once

#include "Error.h"

// The camera layer's errors: one domain, named codes.
enum class CameraError {
    Failed = 1,            // a failure GStreamer did not describe
    CannotOpen = 2,
    MissingElement = 3,    // a GStreamer element is not installed
    CannotUse = 4,
    CannotConvert = 5,
    NoLongerAvailable = 6, // chosen by a name that has since gone
    StreamEnded = 7,
    NoFrames = 8,          // running, but nothing came for a while
};

inline Error cameraError(CameraError code, const QString& text)
{
    return Error{QStringLiteral("OmbrixCameraErrorDomain"), static_cast<int>(code), text};
}

#pragma once

#include "Error.h"

// Shows an error to the user and returns when the user has dismissed it. Supplied
// by the application; the camera subsystem never draws a window itself.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    virtual void runModalAlert(const Error& error) = 0;
};

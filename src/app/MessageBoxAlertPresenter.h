#pragma once

#include "AlertPresenter.h"

// Errors as an application-modal message box with the error's own text.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    void runModalAlert(const Error& error) override;
};

#pragma once

#include "AlertPresenter.h"

#include <QList>

// Keeps every alert it is asked to show, and returns at once as if dismissed.
class RecordingAlertPresenter : public AlertPresenter {
public:
    void runModalAlert(const Error& error) override { alerts.append(error); }
    QList<Error> alerts;
};

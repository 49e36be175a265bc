#pragma once

#include "CameraController.h"
#include "SettingsTable.h"
#include "RecordingAlertPresenter.h"
#include "TempHome.h"
#include "TestCamera.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <memory>

// A fresh home, the test camera with the given cameras, a settings store with the
// defaults registered, and a controller over them that records its alerts.
class CameraFixture : public ::testing::Test {
protected:
    void start(const QString& devices, CameraController::Clock clock = {})
    {
        camera = std::make_unique<TestCamera>(devices);
        store = std::make_unique<UserDefaults>(home.configFile());
        registerSettingDefaults(*store);
        controller = std::make_unique<CameraController>(store.get(), &alerts, std::move(clock));
    }

    TempHome home;
    std::unique_ptr<TestCamera> camera;
    std::unique_ptr<UserDefaults> store;
    RecordingAlertPresenter alerts;
    std::unique_ptr<CameraController> controller;
};

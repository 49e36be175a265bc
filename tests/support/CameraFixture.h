#pragma once

#include "CameraController.h"
#include "SettingsTable.h"
#include "RecordingAlertPresenter.h"
#include "TempHome.h"
#include "TestCamera.h"
#include "UserDefaults.h"

#include <QTest>

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

    // The camera's first frame has arrived.
    bool waitForFrame() { return QTest::qWaitFor([&] { return bool(controller->newestFrame()); }, kFrameTimeoutMs); }
    // Frames keep coming: a newer one replaces the one seen first.
    bool framesFlow()
    {
        const GstSampleRef first = waitForFrame() ? controller->newestFrame() : GstSampleRef();
        return first && QTest::qWaitFor([&] { return controller->newestFrame().get() != first.get(); }, kFrameTimeoutMs);
    }

    static constexpr int kFrameTimeoutMs = 5000;
    TempHome home;
    std::unique_ptr<TestCamera> camera;
    std::unique_ptr<UserDefaults> store;
    RecordingAlertPresenter alerts;
    std::unique_ptr<CameraController> controller;
};

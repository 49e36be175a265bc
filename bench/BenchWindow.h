#pragma once

#include "CameraController.h"
#include "MainWindowController.h"
#include "SecretStore.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QTest>

#include <functional>
#include <memory>

// The whole window over the test camera for a benchmark: settings of its own in
// `folder`, stamped pictures saved there, the outbox beside them, no keyring.
// `configure` changes the settings before the window reads them.
struct BenchWindow {
    explicit BenchWindow(const QString& folder, FTPTransferSettings transfer = {},
                         const std::function<void(UserDefaults&)>& configure = {})
        : store(folder + QStringLiteral("/Ombrix.conf"))
        , cameras(&store)
    {
        registerSettingDefaults(store);
        store.setObject(true, OXSaveToDiskFlag);
        store.setObject(true, OXInsertTimestampFlag);
        store.setObject(folder, OXSaveToDiskPath);
        if (configure)
            configure(store);
        MainWindowController::Services services;
        services.userDefaults = &store;
        services.camController = &cameras;
        services.secretStore = &secrets;
        services.transfer = std::move(transfer);
        services.outboxFolder = folder + QStringLiteral("/outbox");
        window = std::make_unique<MainWindowController>(services);
        window->window()->show();
    }
    bool waitForFrame() { return QTest::qWaitFor([&] { return bool(cameras.newestFrame()); }, 10000); }

    UserDefaults store;
    CameraController cameras;
    SecretStore secrets;
    std::unique_ptr<MainWindowController> window;
};

#pragma once

#include "CameraFixture.h"
#include "MainWindowController.h"
#include "ScopedEnv.h"
#include "SecretStore.h"
#include "ui_MainWindow.h"

#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>

// The main window over the test cameras, shown on the offscreen platform.
class WindowFixture : public CameraFixture {
protected:
    // First, so that it is put back last, after the window and its keyring calls.
    std::optional<ScopedEnv> m_noKeyring;

    void open(const QString& devices, FTPTransferSettings transfer = {})
    {
        m_noKeyring.emplace("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus); // no keyring in these tests
        start(devices);
        secrets = std::make_unique<SecretStore>();
        MainWindowController::Services services;
        services.userDefaults = store.get();
        services.camController = controller.get();
        services.secretStore = secrets.get();
        services.transfer = std::move(transfer);
        services.outboxFolder = outboxFolder();
        services.clock = namingClock;
        services.firstRetryPause = std::chrono::milliseconds(300);
        m_services = services;
        window = std::make_unique<MainWindowController>(services);
        window->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->window()));
    }
    // Ombrix quit and started again over the same camera, settings and outbox.
    void restartWindow()
    {
        window.reset();
        window = std::make_unique<MainWindowController>(m_services);
        window->window()->show();
    }
    QString outboxFolder() const { return home.path() + QStringLiteral("/outbox"); }
    Ui::MainWindow& ui() { return *window->ui(); }
    // Types an interval as a person would and chooses its unit.
    void setInterval(const QString& text, int unit)
    {
        ui().intervalTextField->setText(text);
        Q_EMIT ui().intervalTextField->editingFinished();
        ui().intervalUnitPopUp->setCurrentIndex(unit);
    }
    // Waits for the given number of further ticks.
    bool waitForTicks(int ticks, int timeoutMs = 15000)
    {
        int seen = 0;
        auto connection = QObject::connect(window.get(), &MainWindowController::tickFinished, [&] { ++seen; });
        const bool done = QTest::qWaitFor([&] { return seen >= ticks; }, timeoutMs);
        QObject::disconnect(connection);
        return done;
    }

    // One tick by hand, waited for until its picture is saved and its upload tried.
    bool tick(int timeoutMs = 15000)
    {
        int seen = 0;
        auto connection = QObject::connect(window.get(), &MainWindowController::tickFinished, [&] { ++seen; });
        window->capturePic();
        const bool done = QTest::qWaitFor([&] { return seen >= 1; }, timeoutMs);
        QObject::disconnect(connection);
        return done;
    }

    PictureNaming::Clock namingClock; // the clock of the pictures' names, when a test sets one
    std::unique_ptr<SecretStore> secrets;
    std::unique_ptr<MainWindowController> window;

private:
    MainWindowController::Services m_services;
};

#pragma once

#include "MainWindowController.h"
#include "SessionFixture.h"
#include "ui_MainWindow.h"

#include <QTest>
#include <QWidget>

#include <functional>

#include <memory>

// The main window over the test cameras, shown on the offscreen platform; its
// password field is the typed password.
class WindowFixture : public SessionFixture {
protected:
    void open(const QString& devices, FTPTransferSettings transfer = {})
    {
        prepare(devices, std::move(transfer));
        services.typedPassword = {};
        restartWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->window()));
    }
    // Ombrix quit and started again over the same camera, settings and outbox.
    void restartWindow()
    {
        window.reset();
        window = std::make_unique<MainWindowController>(services);
        window->window()->show();
    }
    Ui::MainWindow& ui() { return *window->ui(); }
    // Types an interval as a person would and chooses its unit.
    void setInterval(const QString& text, int unit)
    {
        ui().intervalTextField->setText(text);
        Q_EMIT ui().intervalTextField->editingFinished();
        ui().intervalUnitPopUp->setCurrentIndex(unit);
    }
    // Waits for the given number of further ticks (after `first`, when given).
    bool waitForTicks(int ticks, int timeoutMs = 15000, const std::function<void()>& first = {})
    {
        int seen = 0;
        auto connection = QObject::connect(window.get(), &MainWindowController::tickFinished, [&] { ++seen; });
        if (first)
            first();
        const bool done = QTest::qWaitFor([&] { return seen >= ticks; }, timeoutMs);
        QObject::disconnect(connection);
        return done;
    }
    // One tick by hand, waited for until its picture is saved and its upload tried.
    bool tick(int timeoutMs = 15000)
    {
        return waitForTicks(1, timeoutMs, [this] { window->capturePic(); });
    }

    std::unique_ptr<MainWindowController> window;
};

#pragma once
// A main window started as the program starts it, over the fake platform and
// a fresh program folder. Files placed in the folder before start() are what
// the program reads at start-up.
#include "base/InstanceGuard.h"
#include "app/MainWindow.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/MainWindowControls.h"

#include <QCoreApplication>

#include <memory>

class MainWindowHarness : public FakePlatform {
public:
    std::unique_ptr<InstanceGuard> guard;
    std::unique_ptr<MainWindow> window;

    // Creates and loads the main window; returns what its load returned.
    bool start() {
        guard = std::make_unique<InstanceGuard>(lockPath());
        window = std::make_unique<MainWindow>();
        return window->load(*guard);
    }

    // The started window's controls, found by their names.
    MainWindowControls controls() const { return MainWindowControls(*window); }

    // Shuts the window down as closing it does, then lets it go.
    void stop() {
        if (window)
            window->close();
        window.reset();
        guard.reset();
        QCoreApplication::processEvents();
    }

    // Shut down and start again over the same folder.
    bool restart() {
        stop();
        return start();
    }

    ~MainWindowHarness() { window.reset(); }
};

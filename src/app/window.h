// The platform toolkit's main window: the window interface of the logic
// (monitor/window.h) plus the message loop that raises the four events.
#pragma once

#include <functional>
#include <memory>

#include "monitor/window.h"

namespace pelko {

// The events the window raises: its creation, the clicks, and `everySecond`
// once a second while the message loop runs.
struct WindowEvents {
    std::function<void()> created, restoreDefaults, saveSettings, toggleMonitoring;
    std::function<void()> testPush, everySecond;
};

// Run shows the window, raises `created`, runs the message loop until the
// window is closed and returns the exit code.
class MainWindow : public Window {
public:
    virtual int Run(const WindowEvents& events) = 0;
};
std::unique_ptr<MainWindow> CreateMainWindow();

}  // namespace pelko

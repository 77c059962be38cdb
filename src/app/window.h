// The platform toolkit's main window: the window interface of the logic
// (monitor/window.h) plus the message loop that raises the four events.
#pragma once

#include <functional>
#include <memory>

#include "monitor/window.h"

namespace pelko {

// The events the window raises: its creation, the clicks, `everySecond` once
// a second while the message loop runs, `closing` when the user closes it
// (before any control is destroyed) and `woken` after a Wake.
struct WindowEvents {
    std::function<void()> created, restoreDefaults, saveSettings, toggleMonitoring;
    std::function<void()> testPush, everySecond;
    std::function<void()> closing, woken;
};

// Run shows the window, raises `created`, runs the message loop until the
// window is closed and returns the exit code.
class MainWindow : public Window {
public:
    virtual int Run(const WindowEvents& events) = 0;
    // Any thread: raises `woken` on the window thread soon.  Does nothing
    // before Run has built the window or once it is gone.
    virtual void Wake() = 0;
};
std::unique_ptr<MainWindow> CreateMainWindow();

}  // namespace pelko

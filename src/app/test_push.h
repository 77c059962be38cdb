// 测试推送: one short message to each target set in the boxes, through the
// same code the monitor delivers with, so its answer says whether a real
// report would get through.  Nothing of it goes to the outbox.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "app/status_line.h"
#include "app/window_thread.h"
#include "monitor/deliveries.h"
#include "monitor/window.h"
#include "notify/push.h"

namespace pelko {

ReportTexts TestPushReport(int64_t nowMs);
// Sends the test message to every target set; none set gives no answers.
std::vector<TestPushAnswer> SendTestPush(const PushSettings& settings, int64_t nowMs);

// The button's click: takes the boxes as they are, sends beside the window
// thread and hands the answers to the status line on the window thread.  The
// button stays disabled while a test push runs.
class TestPushButton {
public:
    TestPushButton(Window& window, WindowThread& thread, StatusLine& status)
        : window_(window), thread_(thread), status_(status) {}
    ~TestPushButton();
    TestPushButton(const TestPushButton&) = delete;
    TestPushButton& operator=(const TestPushButton&) = delete;

    // Window thread.
    void Click();
    bool Running() const { return running_.load(); }

private:
    Window& window_;
    WindowThread& thread_;
    StatusLine& status_;
    std::thread worker_;
    std::atomic<bool> running_{false};
};

}  // namespace pelko

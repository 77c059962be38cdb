#include <gtest/gtest.h>

#include <atomic>

#include "app/window_thread.h"
#include "support/fake_window.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using testing::FakeWindow;

// The test's own thread plays the window thread: it drains the worker's calls.
class CountingWindow : public FakeWindow {
public:
    Text GetText(Control box) override {
        if (box == Control::编辑框_间隔时间) ++intervalReads;
        return FakeWindow::GetText(box);
    }
    std::atomic<int> intervalReads{0};
};

class MonitorRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No keyword, so a pass sends nothing; the hour-long pause would hold
        // the worker unless a stop ends it.
        window.texts[Control::编辑框_关键词] = "";
        window.texts[Control::编辑框_间隔时间] = "3600";
    }
    void WaitForPauses(int n) {
        thread.DrainUntil([&] { return window.intervalReads.load() >= n; });
    }

    testing::TempRunDirectory dir;
    CountingWindow window;
    WindowThread thread{[] {}};
    MonitorRunner runner{window, thread, NoObserver(), [this] { ++cancels; }};
    int cancels = 0;
};

TEST_F(MonitorRunnerTest, StopEndsThePauseAtOnceAndCancelsRequests) {
    runner.Toggle();
    EXPECT_EQ(window.texts[Control::按钮_开始监控], "停止监控");
    EXPECT_TRUE(window.disabled[Control::按钮_保存设置]);
    WaitForPauses(1);  // the first pass is over, the worker sleeps
    EXPECT_TRUE(runner.Running());

    runner.Toggle();
    // Idle at once, from the click itself.
    EXPECT_EQ(window.texts[Control::按钮_开始监控], "开始监控");
    EXPECT_FALSE(window.disabled[Control::按钮_保存设置]);
    EXPECT_EQ(cancels, 1);
    thread.DrainUntil([&] { return !runner.Running(); });
    EXPECT_EQ(window.intervalReads.load(), 1) << "no pass after the stop";
}

TEST_F(MonitorRunnerTest, StartAgainAfterStopRunsOneLoop) {
    runner.Toggle();
    WaitForPauses(1);
    runner.Toggle();
    runner.Toggle();  // start again before the old worker has been joined
    EXPECT_EQ(window.texts[Control::按钮_开始监控], "停止监控");
    WaitForPauses(2);
    EXPECT_TRUE(runner.Running());
    runner.Shutdown();
    EXPECT_FALSE(runner.Running());
}

TEST_F(MonitorRunnerTest, ShutdownWithoutDrainingEnds) {
    // Closing the window: the window thread stops draining, the worker's next
    // call fails and the loop ends instead of waiting for it.
    window.texts[Control::编辑框_间隔时间] = "0";
    runner.Toggle();
    WaitForPauses(3);
    runner.Shutdown();
    EXPECT_FALSE(runner.Running());
}

TEST(WindowThread, CallRunsOnTheWindowThreadAndFailsOnceClosed) {
    WindowThread thread{[] {}};
    const auto owner = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> first{false}, second{true};
    std::thread worker([&] {
        first = thread.Call([&] { ranOn = std::this_thread::get_id(); });
        thread.Close();
        second = thread.Call([] { ADD_FAILURE() << "ran after Close"; });
    });
    thread.DrainUntil([&] { return first.load(); });
    worker.join();
    thread.Drain();
    EXPECT_TRUE(first);
    EXPECT_EQ(ranOn, owner);
    EXPECT_FALSE(second);
}

TEST(WorkerWindow, BoxesReadAsTheyLastDidOnceTheWindowIsGone) {
    // A report found just as the window closes still needs the push boxes,
    // or its deliveries would be dropped while its mark is kept.
    FakeWindow window;
    window.texts[Control::编辑框_推送] = "TOKEN";
    WindowThread thread{[] {}};
    StopFlag stop;
    WorkerWindow worker{window, thread, stop};
    Text before, after, never;
    std::atomic<bool> read{false};
    std::thread t([&] {
        before = worker.GetText(Control::编辑框_推送);
        read = true;
        while (!worker.IsClosed()) std::this_thread::yield();
        after = worker.GetText(Control::编辑框_推送);
        never = worker.GetText(Control::编辑框_Server酱);
    });
    thread.DrainUntil([&] { return read.load(); });
    thread.Close();
    window.closed = true;
    t.join();
    EXPECT_EQ(before, "TOKEN");
    EXPECT_EQ(after, "TOKEN");
    EXPECT_EQ(never, "");
}

TEST(WindowThreadObserver, EventsReachTheWindowThreadAsCopies) {
    struct Recorder : PassObserver {
        void OnKeywordFailed(const Text& keyword, const Text& reason) override {
            seen.push_back(keyword + ": " + reason);
            on = std::this_thread::get_id();
        }
        void OnPassDone(const PassSummary& s) override { asked = s.askedKeywords; }
        std::vector<Text> seen;
        TextArray asked;
        std::thread::id on;
    } target;
    WindowThread thread{[] {}};
    WindowThreadObserver forward{target, thread};
    std::thread worker([&] {
        // The worker's own texts are gone before the window thread runs the events.
        Text keyword = "k1", reason = "cancelled";
        forward.OnKeywordFailed(keyword, reason);
        PassSummary s;
        s.askedKeywords = {"k1", "k2"};
        forward.OnPassDone(s);
    });
    worker.join();
    EXPECT_TRUE(target.seen.empty()) << "ran on the worker";
    thread.Drain();
    EXPECT_EQ(target.seen, std::vector<Text>{"k1: cancelled"});
    EXPECT_EQ(target.on, std::this_thread::get_id());
    EXPECT_EQ(target.asked, (TextArray{"k1", "k2"}));
}

}  // namespace
}  // namespace pelko

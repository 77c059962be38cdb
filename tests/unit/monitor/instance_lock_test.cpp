#include <gtest/gtest.h>

#include "monitor/instance_lock.h"
#include "monitor/monitor.h"
#include "support/fake_transport.h"
#include "support/fake_window.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using testing::FakeWindow;

TEST(InstanceLock, OneHolderPerFolderUntilReleased) {
    testing::TempRunDirectory dir;
    InstanceLock first, second;
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.held());
    EXPECT_TRUE(first.Acquire()) << "taking a held lock again is no refusal";
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.held());
    first.Release();
    EXPECT_TRUE(second.Acquire());
    {
        testing::TempRunDirectory other;
        InstanceLock elsewhere;
        EXPECT_TRUE(elsewhere.Acquire()) << "another folder, another lock";
    }
}

TEST(InstanceLock, MonitoringAnotherHoldsIsRefusedWithAMessageAndChangesNothing) {
    testing::TempRunDirectory dir;
    InstanceLock other;
    ASSERT_TRUE(other.Acquire());
    testing::FakeTransport transport;  // no keywords, so no request; none leaves the machine either way
    FakeWindow window;
    ToggleMonitoring(window, window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].find(dir.path().string()), Text::npos) << window.messages[0];
    EXPECT_EQ(window.texts[Control::按钮_开始监控], "开始监控");
    EXPECT_FALSE(window.IsDisabled(Control::按钮_保存设置));
    EXPECT_TRUE(window.passes.empty());

    // Once the other is gone, monitoring starts, holds the folder while it
    // runs and frees it when stopped.
    other.Release();
    InstanceLock probe;
    window.onWait = [&](FakeWindow& w) {
        if (w.passes.size() == 1) {
            EXPECT_FALSE(probe.Acquire()) << "a running monitor holds its folder";
            ToggleMonitoring(w);  // the click on 停止监控
            EXPECT_TRUE(probe.Acquire()) << "a stopped monitor frees its folder";
            probe.Release();
        }
    };
    ToggleMonitoring(window, window);
    EXPECT_EQ(window.passes.size(), 1u);
    EXPECT_EQ(window.messages.size(), 1u);

    // A loop that ends because the window closed frees the folder too.
    window.onWait = [](FakeWindow& w) { w.closed = true; };
    ToggleMonitoring(window, window);
    EXPECT_EQ(window.passes.size(), 2u);
    EXPECT_TRUE(probe.Acquire());
}

}  // namespace
}  // namespace pelko

#include <gtest/gtest.h>

#include <map>

#include "monitor/feed.h"
#include "monitor/monitor.h"
#include "monitor/store.h"
#include "support/fake_transport.h"
#include "support/fake_window.h"
#include "support/feed_answer.h"
#include "support/temp_dir.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

using testing::FakeTransport;
using testing::FakeWindow;
using testing::FeedAnswer;
using testing::Row;
using testing::U8;

// The list API answers per keyword (the encoded keyword in the query).
class PassTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write(u8"config.ini",
                  "[Services]\r\nFeedBase=http://feed.test\r\nDingTalkBase=http://ding.test\r\n"
                  "ServerChanBase=http://sc.test\r\n");
        transport.answer = [this](const TransportRequest& r) -> std::string {
            if (r.host == "ding.test") return "{\"errcode\":0}";
            if (r.host == "sc.test") return "{\"code\":0}";
            for (auto& [keyword, answer] : answers)
                if (r.objectName.find("keyword=" + UrlEncode(keyword, {}, true) + "&") != Text::npos) return answer;
            return FeedAnswer({});
        };
        window.texts[Control::编辑框_推送] = "TOKEN";
        window.texts[Control::编辑框_Server酱] = "SCKEY";
    }

    PassSummary Pass(const Text& keywords) { return RunMonitorPass(window, keywords, "5", "#"); }

    testing::TempRunDirectory dir;
    FakeTransport transport;
    FakeWindow window;
    std::map<Text, std::string> answers;
};

TEST(SplitKeywords, SeparatorsAndLineBreaksCutEmptyPiecesGoBlanksStay) {
    struct Case {
        Text text, separator;
        TextArray expected;
    } cases[] = {
        {"a,b", "", {"a", "b"}},
        {"a##b#", "#", {"a", "b"}},
        {"", "#", {}},
        {" a#b\r\n", "#", {" a", "b"}},
        {"显卡\n牛奶", "#", {"显卡", "牛奶"}},
        {"a\rb\r\nc\n\r\nd", "", {"a", "b", "c", "d"}},
        {"a,b\nc d,e", ",", {"a", "b", "c d", "e"}},
        {" x \n\n y ", "#", {" x ", " y "}},
        {"\r\n\r\n", "#", {}},
        {"a\r\nb", "\r\n", {"a", "b"}},
        {"Drumvel#绝对值", "#", {"Drumvel", "绝对值"}},
        {"x||y", "||", {"x", "y"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitKeywords(c.text, c.separator), c.expected) << c.text;
}

TEST_F(PassTest, QueriesEachKeywordInOrderAndPushesNewReportsOnce) {
    answers["Drumvel"] = FeedAnswer({{.mall = U8(u8"京东"), .id = "1", .referrals = "alice"}});
    answers["绝对值"] = FeedAnswer({{.mall = U8(u8"天猫"), .id = "2", .referrals = "bob"}});

    PassSummary first = Pass("Drumvel#绝对值");
    auto feeds = transport.To("/v1/list");
    ASSERT_EQ(feeds.size(), 2u);
    EXPECT_EQ(feeds[0].objectName,
              "/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword=%44%72%75%6D%76%65%6C&offset=0&limit=5"
              "&category_name=");
    EXPECT_EQ(feeds[1].objectName,
              "/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword=%E7%BB%9D%E5%AF%B9%E5%80%BC&offset=0&limit=5"
              "&category_name=");
    EXPECT_EQ(feeds[0].verb, "GET");
    EXPECT_EQ(transport.To("/robot/send?access_token=TOKEN").size(), 2u);
    EXPECT_EQ(transport.To("/SCKEY.send").size(), 2u);
    EXPECT_EQ(first.keywords, 2);
    EXPECT_EQ(first.rows, 2);
    EXPECT_EQ(first.newReports, 2);
    EXPECT_EQ(first.accepted, 4);
    EXPECT_EQ(first.waiting, 0);

    transport.requests.clear();
    PassSummary second = Pass("Drumvel#绝对值");
    EXPECT_EQ(transport.requests.size(), 2u) << "only the two feed queries";
    EXPECT_EQ(second.newReports, 0);
    EXPECT_NE(dir.Read(u8"已爆料商品.ini").find("alice"), std::string::npos);
}

TEST_F(PassTest, RowsBeyondTheScanCountAreLeftAlone) {
    std::vector<Row> rows;
    for (int i = 1; i <= 8; ++i) rows.push_back({.mall = "m", .id = std::to_string(i), .referrals = "r"});
    answers["k"] = FeedAnswer(rows);
    PassSummary s = Pass("k");  // asks for 5
    EXPECT_EQ(s.rows, 5);
    EXPECT_EQ(transport.To("/robot/send").size(), 5u);
    EXPECT_EQ(transport.To("/SCKEY.send").size(), 5u);
}

TEST_F(PassTest, EmptyKeywordTextAsksNothing) {
    EXPECT_EQ(Pass("").keywords, 0);
    EXPECT_EQ(Pass("###").keywords, 0);
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(PassTest, ItemsOfTheEarlierKeywordStayWhenALaterOneHasNoRows) {
    answers["a"] = FeedAnswer({{.mall = "m", .id = "1", .referrals = "r"}});
    answers["b"] = FeedAnswer({});
    answers["c"] = "<html>busy</html>";
    PassSummary s = Pass("a#b#c");
    EXPECT_EQ(s.newReports, 1) << "the kept record is looked up again and found";
    EXPECT_EQ(s.failedKeywords, 1) << "the HTML answer";
    EXPECT_EQ(transport.To("/SCKEY.send").size(), 1u);
}

// The secret box is read at the push: set, the robot's address is signed.
TEST_F(PassTest, TheSecretBoxSignsTheDingTalkPush) {
    answers["k"] = FeedAnswer({{.mall = "m", .id = "1", .referrals = "r"}, {.mall = "m", .id = "2", .referrals = "r"}});
    window.texts[Control::编辑框_钉钉加签] = "";
    Pass("k");
    ASSERT_EQ(transport.To("/robot/send").size(), 2u);
    EXPECT_EQ(transport.To("/robot/send")[0].objectName, "/robot/send?access_token=TOKEN");
    std::filesystem::remove(dir.path() / u8"已爆料商品.ini");
    transport.requests.clear();
    window.texts[Control::编辑框_钉钉加签] = " SEC ";
    Pass("k");
    for (const auto& r : transport.To("/robot/send")) {
        EXPECT_NE(r.objectName.find("access_token=TOKEN&timestamp="), Text::npos) << r.objectName;
        EXPECT_NE(r.objectName.find("&sign="), Text::npos) << r.objectName;
    }
}

TEST_F(PassTest, ChannelsAreIndependent) {
    answers["k"] = FeedAnswer({{.mall = "m", .id = "1", .referrals = "r"}, {.mall = "m", .id = "2", .referrals = "r"}});
    struct Case {
        Text token, key;
        size_t ding, sc;
    } cases[] = {{"", "", 0, 0}, {"", "K", 0, 2}, {"T", "", 2, 0}, {"T", "K", 2, 2}};
    for (const Case& c : cases) {
        std::filesystem::remove(dir.path() / u8"已爆料商品.ini");
        transport.requests.clear();
        window.texts[Control::编辑框_推送] = c.token;
        window.texts[Control::编辑框_Server酱] = c.key;
        PassSummary s = Pass("k");
        EXPECT_EQ(transport.To("/robot/send").size(), c.ding) << c.token << "/" << c.key;
        EXPECT_EQ(c.key.empty() ? 0u : transport.To("/" + c.key + ".send").size(), c.sc);
        EXPECT_EQ(s.newReports, 2) << "marked as reported whatever the channels";
        transport.requests.clear();
        EXPECT_EQ(Pass("k").newReports, 0);
    }
}

// Each row is pushed on the first pass and never again, whatever its names hold.
TEST_F(PassTest, StoreRecognisesEveryReportOnTheNextPass) {
    std::vector<Row> rows = {
        {.mall = "m", .id = "1", .referrals = ""},
        {.mall = "", .id = "2", .referrals = "r", .url = "https://a/1"},
        {.mall = "", .id = "3", .referrals = "r", .url = "https://a/2"},
        {.mall = "m", .id = "", .referrals = "r", .url = "https://b/1"},
        {.mall = "m", .id = "", .referrals = "r", .url = "https://b/2"},
        {.mall = "[x]y", .id = "a=b", .referrals = "c;d"},
        {.mall = "line\nbreak", .id = "id\r\n2", .referrals = "two\r\nlines"},
        {.mall = " padded ", .id = " 7 ", .referrals = " spaced "},
        {.mall = "\"q\"", .id = "'8'", .referrals = "\"quoted\""},
        {.mall = U8(u8"京东"), .id = "9", .referrals = "r"},
        {.mall = U8(u8"天猫"), .id = "9", .referrals = "r"},
    };
    answers["k"] = FeedAnswer(rows);
    auto pass = [this] { return RunMonitorPass(window, "k", "20", "#"); };
    EXPECT_EQ(pass().newReports, static_cast<int>(rows.size()));
    EXPECT_EQ(pass().newReports, 0) << dir.Read(u8"已爆料商品.ini");

    rows[9].referrals = "changed";
    answers["k"] = FeedAnswer(rows);
    EXPECT_EQ(pass().newReports, 1) << "a changed reporter is a new report";
    EXPECT_EQ(pass().newReports, 0);
}

TEST_F(PassTest, StoreKeepsWhatElseTheFileHolds) {
    const std::string before = "; pushed reports\r\n[Other]\r\nx=1\r\n\r\n";
    dir.Write(u8"已爆料商品.ini", before);
    answers["k"] = FeedAnswer({{.mall = "m", .id = "1", .referrals = "r"}});
    Pass("k");
    std::string after = dir.Read(u8"已爆料商品.ini");
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_NE(after.find("[m]\r\n1=r\r\n"), std::string::npos) << after;
}

// The loop, driven through the window as a user would.
TEST_F(PassTest, ToggleRunsPassesUntilStopAndRestoresTheControls) {
    window.texts[Control::编辑框_关键词] = "";
    window.texts[Control::编辑框_间隔时间] = "3";
    int waits = 0;
    window.onWait = [&](FakeWindow& w) {
        EXPECT_EQ(w.GetCaption(Control::按钮_开始监控), "停止监控");
        EXPECT_TRUE(w.IsDisabled(Control::编辑框_关键词));
        EXPECT_TRUE(w.IsDisabled(Control::编辑框_Server酱));
        EXPECT_TRUE(w.IsDisabled(Control::编辑框_钉钉加签));
        EXPECT_TRUE(w.IsDisabled(Control::按钮_测试推送));
        EXPECT_FALSE(w.IsDisabled(Control::按钮_开始监控));
        if (++waits == 3) ToggleMonitoring(w);  // the stop click, handled inside the wait
    };
    ToggleMonitoring(window, window);
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(window.passes.size(), 3u);
    EXPECT_EQ(window.waits.front(), -30000000) << "3 s in 100 ns units, relative";
    EXPECT_EQ(window.GetCaption(Control::按钮_开始监控), "开始监控");
    EXPECT_FALSE(window.IsDisabled(Control::按钮_保存设置));
    EXPECT_FALSE(window.IsDisabled(Control::按钮_测试推送));
}

TEST_F(PassTest, AnIntervalBelowOneSecondWaitsOneSecond) {
    for (const char* interval : {"0", "-5", "abc", ""}) {
        window.texts[Control::编辑框_间隔时间] = interval;
        int waits = 0;
        window.onWait = [&](FakeWindow& w) {
            if (++waits == 2) w.pending.push_back([](FakeWindow& x) { ToggleMonitoring(x); });
        };
        ToggleMonitoring(window, window);
        EXPECT_EQ(waits, 3) << interval;
        EXPECT_EQ(window.waits.back(), -10000000) << interval;
    }
}

TEST_F(PassTest, ClosingTheWindowEndsTheLoop) {
    window.onWait = [](FakeWindow& w) { w.closed = true; };
    ToggleMonitoring(window, window);
    EXPECT_EQ(window.passes.size(), 1u);
}

TEST_F(PassTest, WaitUnits) {
    struct Case {
        int32_t count;
        int64_t unit, due;
    } cases[] = {{5, 0, -50000}, {2, 1, -20000000}, {1, 2, -600000000}, {1, 3, -36000000000}, {2, 7, -140000},
                 {0, 1, 0}, {-1, 1, 10000000}};
    for (const Case& c : cases) {
        window.waits.clear();
        EXPECT_TRUE(WaitWithEvents(window, c.count, c.unit));
        EXPECT_EQ(window.waits.at(0), c.due) << c.count << " " << c.unit;
    }
}

}  // namespace
}  // namespace pelko

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "app/status_line.h"
#include "app/test_push.h"
#include "support/fake_transport.h"
#include "support/temp_dir.h"
#include "textutil/clock_os.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

// 2026-12-11, some time in the afternoon, whatever the zone.
constexpr int64_t kT0 = 1797000000000;

// The local time of day, as the line shows it.
Text At(int64_t ms) {
    CivilTime t;
    EXPECT_TRUE(os::LocalTimeOf(ms / 1000, t));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

int Columns(const Text& line) {
    int n = 0;
    for (size_t i = 0; i < line.size(); i += CharWidthAt(line, i)) n += static_cast<int>(CharWidthAt(line, i));
    return n;
}

struct Fixture {
    int64_t now = kT0;
    Text interval = "25";
    std::vector<Text> shown;
    StatusLine line{[this](const Text& t) { shown.push_back(t); }, [this] { return interval; },
                    [this] { return now; }};
};

PassSummary Summary(int keywords, int rows, int fresh, int accepted, int waiting, int failed = 0) {
    PassSummary s;
    s.keywords = keywords;
    s.rows = rows;
    s.newReports = fresh;
    s.accepted = accepted;
    s.waiting = waiting;
    s.failedKeywords = failed;
    return s;
}

DeliveryEvent Delivery(PushTarget target, const Text& reason) {
    DeliveryEvent d;
    d.target = target;
    d.reason = reason;
    return d;
}

TEST(StatusLineTest, SaysWhatMonitoringDidAndMet) {
    const Text done = At(kT0);
    struct Case {
        const char* name;
        std::function<void(Fixture&)> events;
        Text expected;
    } cases[] = {
        {"before anything", [](Fixture&) {}, "未在监控"},
        {"first pass under way", [](Fixture& f) { f.line.SetMonitoring(true); }, "监控中: 第一轮查询中…"},
        {"after a pass, counting down",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(2, 20, 3, 5, 1));
         },
         done + " 关键词2 行20 新3 送达5 待发1 下轮25秒"},
        {"the countdown moves with the clock",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(1, 0, 0, 0, 0));
             f.now += 10400;
             f.line.Tick();
         },
         done + " 关键词1 行0 新0 送达0 待发0 下轮15秒"},
        {"a pause box below one second waits one",
         [](Fixture& f) {
             f.interval = "0";
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(1, 0, 0, 0, 0));
         },
         done + " 关键词1 行0 新0 送达0 待发0 下轮1秒"},
        {"long pauses in minutes and hours",
         [](Fixture& f) {
             f.interval = "7260";
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(1, 0, 0, 0, 0));
             f.now += 3 * 60 * 1000;
             f.line.Tick();
         },
         done + " 关键词1 行0 新0 送达0 待发0 下轮1时58分"},
        {"the next pass under way keeps the last numbers",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(2, 20, 3, 5, 1));
             f.line.OnPassStart({"a", "b"});
         },
         done + " 关键词2 行20 新3 送达5 待发1 查询中…"},
        {"the outbox count follows every change",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(2, 20, 3, 5, 1));
             f.line.OnOutboxChanged(0);
         },
         done + " 关键词2 行20 新3 送达5 待发0 下轮25秒"},
        {"a refused push, with the service's reason",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnDeliveryFailed(Delivery(PushTarget::DingTalk, "310000 keywords not in content"));
             f.line.OnPassDone(Summary(1, 1, 1, 1, 1));
         },
         done + " 关键词1 行1 新1 送达1 待发1 下轮25秒\n钉钉: 310000 keywords not in content"},
        {"a failure is over once that service takes the delivery",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnDeliveryFailed(Delivery(PushTarget::DingTalk, "310000 keywords not in content"));
             f.line.OnDeliveryFailed(Delivery(PushTarget::ServerChan, "HTTP 502"));
             f.line.OnPassDone(Summary(1, 1, 1, 0, 2));
             f.line.OnLateDelivery(Delivery(PushTarget::DingTalk, ""));
         },
         done + " 关键词1 行1 新1 送达0 待发2 下轮25秒\nServer酱: HTTP 502"},
        {"an empty outbox clears every failure",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnDeliveryFailed(Delivery(PushTarget::ServerChan, "HTTP 502"));
             f.line.OnPassDone(Summary(1, 0, 0, 1, 0));
         },
         done + " 关键词1 行0 新0 送达1 待发0 下轮25秒"},
        {"failed keywords: counted, the first one named",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassStart({"显卡", "牛奶"});
             f.line.OnKeywordFailed("显卡", "HTTP 502");
             f.line.OnKeywordFailed("牛奶", "HTTP 502");
             f.line.OnPassDone(Summary(2, 0, 0, 0, 0, 2));
         },
         done + " 关键词2(失败2) 行0 新0 送达0 待发0 下轮25秒\n列表 显卡: HTTP 502"},
        {"held",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnHeld(PushTarget::DingTalk, "130101 send too fast", kT0 + 600000);
         },
         "监控中: 第一轮查询中…\n钉钉: 暂停到 " + At(kT0 + 600000) + " (130101 send too fast)"},
        {"given up",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnGiveUp(Delivery(PushTarget::ServerChan, "HTTP 404"));
         },
         "监控中: 第一轮查询中…\nServer酱: 一天未送达, 已放弃 (HTTP 404)"},
        {"no push target",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnNoPushTarget();
         },
         "监控中: 第一轮查询中…\n未设推送目标, 新爆料只记下"},
        {"stopped: the last result stays, without a countdown",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnDeliveryFailed(Delivery(PushTarget::DingTalk, "310000 keywords not in content"));
             f.line.OnPassDone(Summary(2, 20, 3, 5, 1));
             f.now += 5000;
             f.line.SetMonitoring(false);
         },
         "已停止 " + done + " 关键词2 行20 新3 送达5 待发1\n钉钉: 310000 keywords not in content"},
        {"a new start forgets the last run",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnDeliveryFailed(Delivery(PushTarget::DingTalk, "310000 keywords not in content"));
             f.line.OnPassDone(Summary(2, 20, 3, 5, 1));
             f.line.SetMonitoring(false);
             f.line.OnTestPushDone({});
             f.line.SetMonitoring(true);
         },
         "监控中: 第一轮查询中…"},
        {"test push: every answer",
         [](Fixture& f) {
             f.line.OnTestPushStarted();
             f.line.OnTestPushDone({{PushTarget::DingTalk, "钉钉 abcd…", true, ""},
                                    {PushTarget::ServerChan, "Server酱 SCT1…", false, "HTTP 404"}});
         },
         "测试推送 钉钉 abcd… 已送达\n测试推送 Server酱 SCT1…: HTTP 404"},
        {"test push to one target, after a stop",
         [](Fixture& f) {
             f.line.SetMonitoring(true);
             f.line.OnPassDone(Summary(1, 0, 0, 0, 0));
             f.line.SetMonitoring(false);
             f.line.OnTestPushDone({{PushTarget::DingTalk, "钉钉 abcd…", false, "310000 keywords not in content"}});
         },
         "已停止 " + done + " 关键词1 行0 新0 送达0 待发0\n测试推送 钉钉 abcd…: 310000 keywords not in content"},
        {"test push under way", [](Fixture& f) { f.line.OnTestPushStarted(); }, "未在监控\n测试推送: 发送中…"},
        {"test push without targets", [](Fixture& f) { f.line.OnTestPushDone({}); },
         "未在监控\n测试推送: 钉钉和Server酱都未填写"},
    };
    for (const Case& c : cases) {
        Fixture f;
        c.events(f);
        EXPECT_EQ(AnsiToUtf8(f.line.Current()), AnsiToUtf8(c.expected)) << c.name;
        ASSERT_FALSE(f.shown.empty()) << c.name;
        EXPECT_EQ(f.shown.back(), f.line.Current()) << c.name << ": the window shows the latest text";
    }
}

TEST(StatusLineTest, LongReasonsFitTheWindowAndEveryServiceStaysNamed) {
    Fixture f;
    f.interval = "2147483647";
    f.line.SetMonitoring(true);
    const Text longReason(300, 'x');
    f.line.OnKeywordFailed("很长很长的关键词很长很长的关键词", "unreadable answer: " + longReason);
    f.line.OnDeliveryFailed(Delivery(PushTarget::DingTalk, "400 " + longReason));
    f.line.OnDeliveryFailed(Delivery(PushTarget::ServerChan, "40001 " + Text(100, '\xb0') + longReason));
    f.line.OnPassDone(Summary(1000, 200000, 200000, 400000, 400000, 999));
    const Text text = f.line.Current();
    const size_t cut = text.find('\n');
    ASSERT_NE(cut, Text::npos);
    for (const Text& line : {text.substr(0, cut), text.substr(cut + 1)}) {
        EXPECT_LE(Columns(line), kStatusColumns) << AnsiToUtf8(line);
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(line)), line) << "no character cut in half";
    }
    for (const char* name : {"列表", "钉钉", "Server酱"})
        EXPECT_NE(text.find(name), Text::npos) << AnsiToUtf8(text);
}

TEST(FitColumnsTest, CutsWholeCharactersAndMarksTheCut) {
    const struct {
        Text text;
        int columns;
        Text expected;
    } cases[] = {
        {"abc", 3, "abc"},
        {"abcd", 3, "a…"},  // the ellipsis takes two columns
        {"钉钉推送", 8, "钉钉推送"},
        {"钉钉推送", 7, "钉钉…"},
        {"a钉钉", 4, "a…"},
        {"", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnsiToUtf8(FitColumns(c.text, c.columns)), AnsiToUtf8(c.expected)) << AnsiToUtf8(c.text);
}

// The test message goes through the monitor's own push code: the token of a
// pasted webhook, the signing secret and the per-user address all apply,
// and the answers are judged as the monitor judges them.
TEST(TestPushTest, SendsToEachTargetSetAndReadsTheAnswers) {
    testing::TempRunDirectory dir;
    dir.Write(u8"config.ini", "[Services]\r\nDingTalkBase=http://ding.test\r\nServerChanBase=http://sc.test\r\n");
    testing::FakeTransport transport;
    transport.answer = [](const TransportRequest& r) -> std::string {
        if (r.host == "ding.test") return "{\"errcode\":310000,\"errmsg\":\"keywords not in content\"}";
        return "{\"code\":0}";
    };
    EXPECT_TRUE(SendTestPush({" ", "SECRET", ""}, kT0).empty());
    EXPECT_TRUE(transport.requests.empty());

    const auto answers =
        SendTestPush({"https://oapi.example/robot/send?access_token=TOKEN123", "SECRET", " SCKEY99 "}, kT0);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(AnsiToUtf8(answers[0].who), AnsiToUtf8("钉钉 TOKE…"));
    EXPECT_FALSE(answers[0].accepted);
    EXPECT_EQ(answers[0].reason, "310000 keywords not in content");
    EXPECT_EQ(AnsiToUtf8(answers[1].who), AnsiToUtf8("Server酱 SCKE…"));
    EXPECT_TRUE(answers[1].accepted);

    ASSERT_EQ(transport.requests.size(), 2u);
    const Text& ding = transport.requests[0].objectName;
    EXPECT_EQ(ding.rfind("/robot/send?access_token=TOKEN123&timestamp=" + ToText(kT0) + "&sign=", 0), 0u) << ding;
    EXPECT_EQ(transport.requests[1].objectName, "/SCKEY99.send");
}

}  // namespace
}  // namespace pelko

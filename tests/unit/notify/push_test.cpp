#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "notify/push.h"
#include "support/fake_transport.h"
#include "support/fake_window.h"
#include "support/feed_answer.h"
#include "support/temp_dir.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

using testing::FakeTransport;
using testing::FakeWindow;
using testing::U8;

class PushTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write(u8"config.ini", "[Services]\r\nDingTalkBase=http://ding.test\r\nServerChanBase=http://sc.test/\r\n");
        window.texts[Control::编辑框_推送] = "TOK";
        window.texts[Control::编辑框_Server酱] = "SCT1";
        transport.answer = [](const TransportRequest& r) -> std::string {
            return r.host == "ding.test" ? "{\"errcode\":0,\"errmsg\":\"ok\"}" : "{\"code\":0,\"message\":\"\"}";
        };
    }
    int Push(const Text& title = "好价") {
        return PushReport(window, "京东", title, "9.9元", "2020-09-13 20:26:40", "小明", "https://d/1?a=1&b=2",
                          "https://i/1.jpg");
    }
    testing::TempRunDirectory dir;
    FakeTransport transport;
    FakeWindow window;
};

TEST(PushTemplates, HaveTheirExactSize) {
    EXPECT_EQ(kDingTalkTemplate.size(), 452u);
    EXPECT_EQ(kDingTalkTemplate.substr(0, 19), "{\r\n    \"actionCard\"");
    EXPECT_EQ(kDingTalkTemplate.back(), '}');
    EXPECT_NE(kServerChanTemplate.find("> 内容：\n爆料内容  \r\n"), Text::npos);
    EXPECT_EQ(kServerChanTemplate.substr(kServerChanTemplate.size() - 16), "> 链接：爆料链接");
}

TEST(ReplacePairs, AppliesPairsInOrderToTheResultOfTheOneBefore) {
    EXPECT_EQ(ReplacePairs("A-b-c", {{"a", "x"}, {"B", "y"}}), "x-y-c") << "letters compared without case";
    EXPECT_EQ(ReplacePairs("AAA", {{"a", "b"}}, 2), "bbA");
    EXPECT_EQ(ReplacePairs("aaa", {{"a", "b"}}, {}, 2), "abb");
    EXPECT_EQ(ReplacePairs("aA", {{"a", "b"}}, {}, 0, true), "bA");
    EXPECT_EQ(ReplacePairs("简单标题", {{"简单标题", "爆料内容"}, {"爆料内容", "T"}}), "T")
        << "a value holding a later placeholder is replaced too";
    EXPECT_EQ(ReplacePairs("x", {{"", "y"}}), "x");
}

TEST_F(PushTest, DingTalkMessageIsTheFilledTemplateInUtf8) {
    EXPECT_EQ(Push(), 2);
    auto ding = transport.To("/robot/send?access_token=TOK");
    ASSERT_EQ(ding.size(), 1u);
    EXPECT_EQ(ding[0].host, "ding.test");
    EXPECT_EQ(ding[0].verb, "POST");
    EXPECT_EQ(ding[0].headerBlock.substr(0, 46), "Content-Type:application/json ;charset=utf-8\r\n");
    const std::string expected = U8(
        u8"{\r\n    \"actionCard\": {\r\n        \"title\": \"京东\", \r\n"
        u8"        \"text\": \"![screenshot](https://i/1.jpg) \r\n- 爆料：小明\r\n- 内容：\r\n好价\r\n\", \r\n"
        u8"        \"btnOrientation\": \"0\", \r\n        \"btns\": [\r\n            {\r\n"
        u8"                \"title\": \"2020-09-13 20:26:40\", \r\n"
        u8"                \"actionURL\": \"https://d/1?a=1&b=2\"\r\n            },\r\n            {\r\n"
        u8"                \"title\": \"9.9元\", \r\n                \"actionURL\": \"https://d/1?a=1&b=2\"\r\n"
        u8"            }\r\n        ]\r\n    }, \r\n    \"msgtype\": \"actionCard\"\r\n}");
    EXPECT_EQ(ding[0].body, expected);
}

TEST_F(PushTest, DingTalkMessageStaysValidJsonWhateverTheValuesHold) {
    // 0x955C: a character whose second byte is a backslash in code page 936.
    for (Text title : {Text("say \"hi\""), Text("back\\slash"), Text("tab\tand\nline"), Text("\x95\x5C"), Text("\x01")}) {
        transport.requests.clear();
        Push(title);
        auto ding = transport.To("/robot/send");
        ASSERT_EQ(ding.size(), 1u);
        // The template's raw line breaks sit inside a string; strict parsers
        // refuse them, so check the message with them escaped.
        std::string body;
        bool inString = false;
        for (size_t i = 0; i < ding[0].body.size(); ++i) {
            char c = ding[0].body[i];
            if (inString && c == '\\') {
                body += c;
                body += ding[0].body[++i];
                continue;
            }
            if (c == '"') inString = !inString;
            if (inString && c == '\r') body += "\\r";
            else if (inString && c == '\n') body += "\\n";
            else body += c;
        }
        nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << ding[0].body;
        std::string text = parsed["actionCard"]["text"];
        EXPECT_NE(text.find(AnsiToUtf8(title)), std::string::npos);
    }
}

TEST_F(PushTest, ServerChanFormCarriesTitleAndMessage) {
    Push();
    auto sc = transport.To("/SCT1.send");
    ASSERT_EQ(sc.size(), 1u);
    EXPECT_EQ(sc[0].host, "sc.test");
    Text message = "![screenshot](https://i/1.jpg)  \r\n> 平台：京东  \r\n> 爆料：小明  \r\n> 内容：\n好价  \r\n"
                   "> 时间：2020-09-13 20:26:40  \r\n> 价格：9.9元  \r\n> 链接：https://d/1?a=1&b=2";
    EXPECT_EQ(sc[0].body, "text=%E5%A5%BD%E4%BB%B7&desp=" + UrlEncode(message, {}, true));
    EXPECT_NE(sc[0].headerBlock.find("Content-Type: application/x-www-form-urlencoded"), Text::npos);
}

TEST_F(PushTest, EmptyBoxSkipsOnlyItsChannel) {
    window.texts[Control::编辑框_推送] = "";
    EXPECT_EQ(Push(), 1);
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(transport.requests[0].objectName, "/SCT1.send");
    window.texts[Control::编辑框_Server酱] = "";
    EXPECT_EQ(Push(), 0);
    EXPECT_EQ(transport.requests.size(), 1u);
}

// Only HTTP 200 with the service's own success code counts; anything else
// is a failure whose reason says what came back.
TEST(PushAnswers, AreAcceptedOnlyWithStatus200AndCodeZero) {
    using Kind = PushAnswer::Kind;
    const Text ok = "HTTP/1.1 200 OK\r\n\r\n";
    struct Case {
        bool dingTalk;
        Text headers, body, failure;
        Kind kind;
        Text reason;
    } cases[] = {
        {true, ok, "{\"errcode\":0,\"errmsg\":\"ok\"}", "", Kind::Accepted, ""},
        {true, ok, "{\"errcode\":310000,\"errmsg\":\"keywords not in content\"}", "", Kind::Failed,
         "310000 keywords not in content"},
        {true, ok, "{\"errcode\":130101,\"errmsg\":\"send too fast\"}", "", Kind::Throttled, "130101 send too fast"},
        {true, ok, "{\"errcode\":\"0\"}", "", Kind::Accepted, ""},
        {true, ok, "{\"code\":0}", "", Kind::Failed, "unreadable answer: {\"code\":0}"},
        {true, "HTTP/1.1 502 Bad Gateway\r\n\r\n", "{\"errcode\":0}", "", Kind::Failed, "HTTP 502"},
        {true, ok, "<html>\r\n<b>busy</b></html>", "", Kind::Failed, "unreadable answer: <html>  <b>busy</b></html>"},
        {true, "", "", "Couldn't connect to server", Kind::Failed, "Couldn't connect to server"},
        {true, "", "", "", Kind::Failed, "no answer"},
        {false, ok, "{\"code\":0,\"message\":\"\"}", "", Kind::Accepted, ""},
        {false, ok, "{\"errcode\":0}", "", Kind::Failed, "unreadable answer: {\"errcode\":0}"},
        {false, ok, "{\"code\":40001,\"message\":\"bad key\"}", "", Kind::Failed, "40001 bad key"},
        {false, ok, "{\"code\":40001,\"message\":\"超过当天的发送次数限制[5]\"}", "", Kind::DayQuota,
         "40001 超过当天的发送次数限制[5]"},
        {false, ok, "{\"code\":1,\"message\":\"daily quota exceeded\"}", "", Kind::DayQuota,
         "1 daily quota exceeded"},
        {false, "HTTP/1.1 404 Not Found\r\n\r\n", "", "", Kind::Failed, "HTTP 404"},
    };
    for (const Case& c : cases) {
        const Bytes body(c.dingTalk ? c.body : AnsiToUtf8(c.body));
        PushAnswer a = c.dingTalk ? ReadDingTalkAnswer(c.headers, body, c.failure)
                                  : ReadServerChanAnswer(c.headers, body, c.failure);
        EXPECT_EQ(a.kind, c.kind) << c.body;
        EXPECT_EQ(a.reason, c.reason) << c.body;
    }
}

}  // namespace
}  // namespace pelko

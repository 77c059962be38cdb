#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "notify/push.h"
#include "support/fake_transport.h"
#include "support/feed_answer.h"
#include "support/temp_dir.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

using testing::FakeTransport;
using testing::U8;

class PushTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write(u8"config.ini", "[Services]\r\nDingTalkBase=http://ding.test\r\nServerChanBase=http://sc.test/\r\n");
        transport.answer = [](const TransportRequest& r) -> std::string {
            return r.host == "ding.test" ? "{\"errcode\":0,\"errmsg\":\"ok\"}" : "{\"code\":0,\"message\":\"\"}";
        };
    }
    int Push(const Text& title = "好价") {
        return PushReport(keys, "京东", title, "9.9元", "2020-09-13 20:26:40", "小明", "https://d/1?a=1&b=2",
                          "https://i/1.jpg");
    }
    testing::TempRunDirectory dir;
    FakeTransport transport;
    PushKeys keys{.dingTalkToken = "TOK", .serverChanKey = "SCT1"};
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
    // Every UTF-8 byte of the filled template as %XX, one template line a row.
    const std::string expected =
        "text=%E5%A5%BD%E4%BB%B7"  // 好价
        "&desp="
        "%21%5B%73%63%72%65%65%6E%73%68%6F%74%5D%28%68%74%74%70%73%3A%2F%2F%69%2F%31%2E%6A%70%67%29%20%20%0D%0A"  // ![screenshot](https://i/1.jpg)  \r\n
        "%3E%20%E5%B9%B3%E5%8F%B0%EF%BC%9A%E4%BA%AC%E4%B8%9C%20%20%0D%0A"  // > 平台：京东  \r\n
        "%3E%20%E7%88%86%E6%96%99%EF%BC%9A%E5%B0%8F%E6%98%8E%20%20%0D%0A"  // > 爆料：小明  \r\n
        "%3E%20%E5%86%85%E5%AE%B9%EF%BC%9A%0A"                              // > 内容：\n
        "%E5%A5%BD%E4%BB%B7%20%20%0D%0A"                                    // 好价  \r\n
        "%3E%20%E6%97%B6%E9%97%B4%EF%BC%9A%32%30%32%30%2D%30%39%2D%31%33%20%32%30%3A%32%36%3A%34%30%20%20%0D%0A"  // > 时间：2020-09-13 20:26:40  \r\n
        "%3E%20%E4%BB%B7%E6%A0%BC%EF%BC%9A%39%2E%39%E5%85%83%20%20%0D%0A"  // > 价格：9.9元  \r\n
        "%3E%20%E9%93%BE%E6%8E%A5%EF%BC%9A%68%74%74%70%73%3A%2F%2F%64%2F%31%3F%61%3D%31%26%62%3D%32";  // > 链接：https://d/1?a=1&b=2
    EXPECT_EQ(sc[0].body, expected);
    EXPECT_NE(sc[0].headerBlock.find("Content-Type: application/x-www-form-urlencoded"), Text::npos);
}

TEST_F(PushTest, EmptyBoxSkipsOnlyItsChannel) {
    keys.dingTalkToken = "";
    EXPECT_EQ(Push(), 1);
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(transport.requests[0].objectName, "/SCT1.send");
    keys.serverChanKey = "";
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

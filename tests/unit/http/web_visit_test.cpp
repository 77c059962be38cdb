#include <gtest/gtest.h>

#include <stdexcept>

#include "http/request.h"
#include "http/web_visit.h"
#include "http/wire.h"

namespace pelko {
namespace {

constexpr unsigned kGetFlags = 0x80004010u;  // reload, need file, may be redirected to https
constexpr unsigned kSecureFlags = 0x80800010u;

TEST(ComposeRequest, HeaderBlocksOfTheSystemsOwnCalls) {
    struct Case {
        const char* name;
        const char* url;
        WebVisitParams params;
        const char* block;
        const char* agent;
    };
    const Text feedLine = "User-Agent: Mozilla/5.0 (iPhone; CPU iPhone OS 13_2_3 like Mac OS X) Mobile";
    const Case cases[] = {
        {"push with form", "https://sc.test/SCT1.send", {.method = 1, .postText = "text=a&desp=b"},
         "Accept: */*\r\nReferer: https://sc.test/SCT1.send\r\nAccept-Language: zh-cn"
         "\r\nContent-Type: application/x-www-form-urlencoded",
         kDefaultAgentName},
        {"push with json", "https://ding.test/robot/send?access_token=T",
         {.method = 1, .postText = "{}", .extraHeaders = "Content-Type:application/json ;charset=utf-8"},
         "Content-Type:application/json ;charset=utf-8\r\nAccept: */*"
         "\r\nReferer: https://ding.test/robot/send?access_token=T\r\nAccept-Language: zh-cn",
         kDefaultAgentName},
        {"feed query", "https://api.test/v1/list?keyword=a", {.method = 0, .extraHeaders = feedLine},
         "User-Agent: Mozilla/5.0 (iPhone; CPU iPhone OS 13_2_3 like Mac OS X) Mobile\r\nAccept: */*"
         "\r\nReferer: https://api.test/v1/list?keyword=a\r\nAccept-Language: zh-cn",
         "Mozilla/5.0 (iPhone; CPU iPhone OS 13_2_3 like Mac OS X) Mobile"},
    };
    for (const auto& c : cases) {
        TransportRequest r = ComposeRequest(c.url, c.params);
        EXPECT_EQ(r.headerBlock, c.block) << c.name;
        EXPECT_EQ(r.agentName, c.agent) << c.name;
        EXPECT_TRUE(r.secure) << c.name;
        EXPECT_EQ(RequestFlagWord(r), kSecureFlags) << c.name;
        EXPECT_EQ(r.port, 443) << c.name;
        EXPECT_TRUE(r.proxyList.empty()) << c.name;
    }
}

TEST(ComposeRequest, MethodsAndBodies) {
    EXPECT_EQ(MethodVerb(0), "GET");
    EXPECT_EQ(MethodVerb(2), "HEAD");
    EXPECT_EQ(MethodVerb(7), "CONNECT");

    for (int method : {9, -1, 8}) {
        Bytes post;
        TransportRequest r = ComposeRequest("http://srv/", {.method = method, .postText = "a=1", .postBytes = &post});
        EXPECT_EQ(r.verb, "GET") << method;
        EXPECT_FALSE(r.hasBody) << method;
        EXPECT_TRUE(r.body.empty()) << method;
        EXPECT_EQ(FindText(r.headerBlock, "Content-Type"), -1) << method;
    }

    TransportRequest put = ComposeRequest("http://srv/", {.method = 3, .postText = "a=1"});
    EXPECT_EQ(put.verb, "PUT");
    EXPECT_EQ(put.body, "a=1");
    EXPECT_TRUE(put.hasBody);
    EXPECT_EQ(FindText(put.headerBlock, "Content-Type"), -1) << "only POST gets the form type";

    // Bytes given win over the text and may hold zero bytes.
    Bytes given(std::string("x\0y", 3));
    TransportRequest bytes = ComposeRequest("http://srv/", {.method = 1, .postText = "ignored", .postBytes = &given});
    EXPECT_EQ(bytes.body, given);

    TransportRequest empty = ComposeRequest("http://srv/", {.method = 1});
    EXPECT_FALSE(empty.hasBody);
}

TEST(ComposeRequest, AgentName) {
    struct Case {
        const char* headers;
        Opt<bool> normalise;
        const char* agent;
    };
    const Case cases[] = {
        {"Accept: x", {}, kDefaultAgentName},
        {"", {}, kDefaultAgentName},
        {"user-agent: X", false, "X"},  // found with case ignored, taken after the colon
        {"user-agent: X", true, "X"},
        {"Accept: a\r\nUser-Agent:   Y  \r\nReferer: r", {}, "Y"},
        {"user-agent: X\r\nAccept: a", false, "X\r\nAccept: a"},  // the whole rest of the block
    };
    for (const auto& c : cases) {
        TransportRequest r = ComposeRequest("http://srv/", {.extraHeaders = c.headers, .normaliseHeaderNames = c.normalise});
        EXPECT_EQ(r.agentName, c.agent) << c.headers;
        if (c.normalise == false) {
            EXPECT_EQ(FindText(r.headerBlock, c.headers), 1) << "the line stays in the block";
        }
    }
}

TEST(ComposeRequest, Completion) {
    struct Case {
        const char* headers;
        Opt<bool> complete;
        Text* cookies;
        const char* block;
    };
    Text plain = "a=1", prefixed = "Cookie: a=1", lower = "cookie: a=1", none;
    const Case cases[] = {
        {"Accept-Language: en", {}, nullptr, "Accept-Language: en\r\nAccept: */*\r\nReferer: http://srv/p"},
        {"", false, &plain, "\r\nCookie: a=1"},
        {"", false, &prefixed, "\r\nCookie: a=1"},
        {"", false, &lower, "\r\nCookie: cookie: a=1"},
        {"", false, &none, ""},
        {"", false, nullptr, ""},
        {"X-Note: mentions referer: here", {}, nullptr, "X-Note: mentions referer: here\r\nAccept: */*\r\nAccept-Language: zh-cn"},
        {"k: v", {}, &plain, "K: v\r\nAccept: */*\r\nReferer: http://srv/p\r\nAccept-Language: zh-cn\r\nCookie: a=1"},
    };
    for (const auto& c : cases) {
        TransportRequest r =
            ComposeRequest("http://srv/p", {.cookies = c.cookies, .extraHeaders = c.headers, .completeHeaders = c.complete});
        EXPECT_EQ(r.headerBlock, c.block) << c.headers;
        EXPECT_EQ(r.noCookies, c.cookies != nullptr);
        EXPECT_EQ((RequestFlagWord(r) & kFlagNoCookies) != 0, c.cookies != nullptr);
    }
}

TEST(ComposeRequest, LineBreaksInTheAddressStartNoHeaderLine) {
    TransportRequest r = ComposeRequest("http://srv/send?access_token=T\r\nX-Injected: 1\x81\nY: 2", {});
    EXPECT_EQ(r.headerBlock,
              "Accept: */*\r\nReferer: http://srv/send?access_token=T%0D%0AX-Injected: 1\x81%0AY: 2\r\n"
              "Accept-Language: zh-cn");
    EXPECT_EQ(WireHeaderLines(r.headerBlock).size(), 3u);
}

TEST(ComposeRequest, AddressFlagsAndProxy) {
    struct Case {
        const char* url;
        WebVisitParams params;
        const char* host;
        int port;
        const char* object;
        bool secure;
        unsigned flags;
        const char* proxyList;
    };
    const Case cases[] = {
        {"https://srv", {}, "srv", 443, "/", true, kSecureFlags, ""},
        {"http://srv:8080/x?y=1", {}, "srv", 8080, "/x?y=1", false, kGetFlags, ""},
        {"HTTPS://SRV/x", {}, "srv", 443, "/x", true, kSecureFlags, ""},
        {"srv/a", {}, "srv", 80, "/a", false, kGetFlags, ""},
        {"http://srv/", {.proxy = "px:8888"}, "srv", 80, "/", false, kGetFlags, "http=px:8888"},
        {"https://srv/", {.proxy = "px:8888"}, "srv", 443, "/", true, kSecureFlags, "px:8888"},
        {"http://srv/", {.noRedirect = true}, "srv", 80, "/", false, kGetFlags | kFlagNoAutoRedirect, ""},
        {"https://srv/", {.noRedirect = false}, "srv", 443, "/", true, kSecureFlags, ""},
    };
    for (const auto& c : cases) {
        TransportRequest r = ComposeRequest(c.url, c.params);
        EXPECT_EQ(r.host, c.host) << c.url;
        EXPECT_EQ(r.port, c.port) << c.url;
        EXPECT_EQ(r.objectName, c.object) << c.url;
        EXPECT_EQ(r.secure, c.secure) << c.url;
        EXPECT_EQ(RequestFlagWord(r), c.flags) << c.url;
        EXPECT_EQ(r.noAutoRedirect, (c.flags & kFlagNoAutoRedirect) != 0) << c.url;
        EXPECT_EQ(r.proxyList, c.proxyList) << c.url;
    }
}

// Answers every request with a scripted response, or throws.
class ScriptedTransport : public Transport {
public:
    ScriptedTransport() { SetTransport(this); }
    ~ScriptedTransport() override { SetTransport(nullptr); }
    TransportResponse Execute(const TransportRequest& request, const TransportLimits&) override {
        last = request;
        if (throws) throw std::runtime_error("down");
        return response;
    }
    TransportResponse response;
    TransportRequest last;
    bool throws = false;
};

class WebVisitAnswer : public ::testing::Test {
protected:
    void SetUp() override {
        transport.response.sent = true;
        transport.response.body = Bytes(std::string("bo\0dy", 5));
        transport.response.rawHeaders =
            "HTTP/1.1 200 OK\r\nSet-Cookie: b=9; path=/\r\nSet-Cookie: c=deleted\r\nSet-Cookie: d=4\r\n\r\n";
    }
    ScriptedTransport transport;
};

TEST_F(WebVisitAnswer, BodyHeadersAndMergedCookies) {
    Text cookies = "a=1; b=2; c=3", returned = "stale", headers;
    Bytes body = WebVisit("http://srv/", {.cookies = &cookies, .returnedCookies = &returned, .returnedHeaders = &headers});
    EXPECT_EQ(body, transport.response.body);
    EXPECT_EQ(headers, transport.response.rawHeaders);
    EXPECT_EQ(returned, "b=9; d=4; a=1");
    EXPECT_EQ(cookies, "b=9; d=4; a=1");
    EXPECT_EQ(transport.last.headerBlock,
              "Accept: */*\r\nReferer: http://srv/\r\nAccept-Language: zh-cn\r\nCookie: a=1; b=2; c=3");
}

TEST_F(WebVisitAnswer, WithoutMergeOrCookiesTheAnswersCookiesComeBackAsSet) {
    Text cookies = "a=1", returned;
    WebVisit("http://srv/", {.cookies = &cookies, .returnedCookies = &returned, .mergeCookies = false});
    EXPECT_EQ(returned, "b=9; c=deleted; d=4");
    EXPECT_EQ(cookies, "a=1");

    returned.clear();
    WebVisit("http://srv/", {.returnedCookies = &returned});
    EXPECT_EQ(returned, "b=9; c=deleted; d=4");
}

TEST_F(WebVisitAnswer, PostBytesWrittenBackOnlyForBodyMethods) {
    Bytes post;
    WebVisit("http://srv/", {.method = 3, .postText = "a=1", .postBytes = &post});
    EXPECT_EQ(post, "a=1");
    EXPECT_EQ(transport.last.body, "a=1");

    Bytes untouched;
    WebVisit("http://srv/", {.method = 0, .postText = "a=1", .postBytes = &untouched});
    EXPECT_TRUE(untouched.empty());
    EXPECT_FALSE(transport.last.hasBody);

    Bytes kept("zz");
    WebVisit("http://srv/", {.method = 1, .postText = "a=1", .postBytes = &kept});
    EXPECT_EQ(kept, "zz");
    EXPECT_EQ(transport.last.body, "zz");
}

TEST_F(WebVisitAnswer, FailedRequestGivesNothingButTheMergeWithNothing) {
    transport.response.sent = false;  // whatever a failing backend left behind is not passed on
    Text cookies = "a=1;", returned = "stale", headers = "stale";
    Bytes post;
    Bytes body = WebVisit("http://srv/", {.method = 1, .postText = "p", .cookies = &cookies,
                                          .returnedCookies = &returned, .returnedHeaders = &headers, .postBytes = &post});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(post, "p");
}

TEST_F(WebVisitAnswer, HeaderTextEndsAtAZeroByte) {
    transport.response.rawHeaders = std::string("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Odd: a\0b\r\n"
                                                "Set-Cookie: hidden=1\r\n\r\n", 70);
    Text cookies, returned, headers;
    WebVisit("http://srv/", {.cookies = &cookies, .returnedCookies = &returned, .returnedHeaders = &headers});
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Odd: a");
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(cookies, "a=1");
}

TEST_F(WebVisitAnswer, NothingThrowsOut) {
    transport.throws = true;
    Text headers = "kept";
    Bytes body;
    EXPECT_NO_THROW(body = WebVisit("http://srv/", {.returnedHeaders = &headers}));
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "kept");
}

}  // namespace
}  // namespace pelko

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "http/redirects.h"
#include "http/request.h"

namespace pelko {
namespace {

TEST(ResolveReference, RelativeLocations) {
    // The base has a path of several segments and a query, so every rule of
    // the merge and of the dot-segment removal shows.
    const Text base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},  // no climbing above the root
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},  // dots in the query stay
        {"https://other:8443/x/../y", "https://other:8443/y"},
        {"HTTP://Up/p", "http://Up/p"},  // the scheme is case-insensitive
    };
    for (const auto& [reference, target] : cases) EXPECT_EQ(ResolveReference(base, reference), target) << reference;
    EXPECT_EQ(ResolveReference("http://a", "g"), "http://a/g");  // a base without a path
}

TransportRequest Request(const char* verb, const char* object, bool secure = false, int port = 80) {
    TransportRequest r;
    r.verb = verb;
    r.host = "srv";
    r.port = port;
    r.secure = secure;
    r.objectName = object;
    r.body = "k=v";
    r.hasBody = true;
    return r;
}

TEST(Redirected, MethodAndBodyRules) {
    struct Case {
        const char* verb;
        int status;
        const char* next;
        bool keepsBody;
    };
    const Case cases[] = {
        {"POST", 301, "GET", false}, {"POST", 302, "GET", false}, {"POST", 303, "GET", false},
        {"POST", 307, "POST", true}, {"POST", 308, "POST", true}, {"PUT", 302, "PUT", true},
        {"PUT", 303, "GET", false},  {"HEAD", 303, "HEAD", false}, {"GET", 301, "GET", true},
    };
    for (const auto& c : cases) {
        TransportRequest r = Request(c.verb, "/a");
        ASSERT_TRUE(Redirected(r, c.status, "/b")) << c.verb << c.status;
        EXPECT_EQ(r.verb, c.next) << c.verb << c.status;
        EXPECT_EQ(r.hasBody, c.keepsBody) << c.verb << c.status;
        EXPECT_EQ(r.body.empty(), !c.keepsBody) << c.verb << c.status;
    }
}

TEST(Redirected, AddressOfTheNextRequest) {
    struct Case {
        TransportRequest from;
        const char* location;
        const char* host;
        int port;
        bool secure;
        const char* object;
    };
    const Case cases[] = {
        {Request("GET", "/a/b?x=1"), "c?y=2", "srv", 80, false, "/a/c?y=2"},
        {Request("GET", "/a/b", false, 8080), "/c", "srv", 8080, false, "/c"},  // the port goes along
        {Request("GET", "/a/b", false, 8080), "//Other/c", "other", 80, false, "/c"},
        {Request("GET", "/", true, 443), "http://srv:81/x", "srv", 81, false, "/x"},
        {Request("GET", "/", false), "https://srv/x", "srv", 443, true, "/x"},
    };
    for (const auto& c : cases) {
        TransportRequest r = c.from;
        ASSERT_TRUE(Redirected(r, 302, c.location)) << c.location;
        EXPECT_EQ(r.host, c.host) << c.location;
        EXPECT_EQ(r.port, c.port) << c.location;
        EXPECT_EQ(r.secure, c.secure) << c.location;
        EXPECT_EQ(r.objectName, c.object) << c.location;
    }
    // Nowhere a web request can go.
    for (const char* bad : {"", "ftp://srv/x", "mailto:a@b", "http:///x"}) {
        TransportRequest r = Request("GET", "/");
        EXPECT_FALSE(Redirected(r, 302, bad)) << bad;
    }
}

TEST(Redirected, ProxyListFollowsTheScheme) {
    TransportRequest r = Request("GET", "/");
    r.proxyList = ProxyListFor("px:8888", false);
    ASSERT_TRUE(Redirected(r, 302, "https://srv/"));
    EXPECT_EQ(r.proxyList, "px:8888");
    ASSERT_TRUE(Redirected(r, 302, "http://srv/"));
    EXPECT_EQ(r.proxyList, "http=px:8888");
}

TEST(AnswerHeaders, StatusAndLocation) {
    const Text block = "HTTP/1.1 302 Found\r\nlocation:  /next \r\nLocation: /second\r\n\r\n";
    EXPECT_EQ(StatusOf(block), 302);
    EXPECT_EQ(HeaderValue(block, "Location"), "/next");
    EXPECT_EQ(HeaderValue(block, "Set-Cookie"), "");
    EXPECT_EQ(StatusOf(""), 0);
    EXPECT_EQ(StatusOf("garbage\r\n\r\n"), 0);
    for (int s : {301, 302, 303, 307, 308}) EXPECT_TRUE(IsRedirect(s)) << s;
    for (int s : {200, 300, 304, 305, 306, 309, 404}) EXPECT_FALSE(IsRedirect(s)) << s;
}

// Answers from a script of raw header blocks, one per exchange.
class ScriptTransport : public Transport {
public:
    TransportResponse Execute(const TransportRequest& request, const TransportLimits& limits) override {
        seen.push_back(request);
        totals.push_back(limits.total);
        if (pause.count() > 0) std::this_thread::sleep_for(pause);
        TransportResponse r;
        r.sent = true;
        r.rawHeaders = answers.empty() ? Text("HTTP/1.1 200 OK\r\n\r\n") : answers.front();
        if (answers.size() > 1) answers.erase(answers.begin());
        r.body = Bytes("body " + std::to_string(seen.size()));
        return r;
    }
    std::vector<Text> answers;
    std::vector<TransportRequest> seen;
    std::vector<std::chrono::milliseconds> totals;
    std::chrono::milliseconds pause{0};
};

TEST(ExecuteFollowingRedirects, FollowsReturnsOrGivesUp) {
    const Text toNext = "HTTP/1.1 302 Found\r\nLocation: /next\r\n\r\n";
    const Text ok = "HTTP/1.1 200 OK\r\n\r\n";
    struct Case {
        const char* name;
        std::vector<Text> answers;
        bool noRedirect;
        bool sent;
        size_t exchanges;
        const char* body;
    };
    const Case cases[] = {
        {"followed", {toNext, ok}, false, true, 2, "body 2"},
        {"switched off", {toNext, ok}, true, true, 1, "body 1"},
        {"no Location: the answer itself", {"HTTP/1.1 302 Found\r\n\r\n"}, false, true, 1, "body 1"},
        {"Location that cannot be followed", {"HTTP/1.1 302 Found\r\nLocation: ftp://x/\r\n\r\n"}, false, false, 1, ""},
        {"ten redirects then the answer", {toNext, toNext, toNext, toNext, toNext, toNext, toNext, toNext, toNext,
                                           toNext, ok}, false, true, 11, "body 11"},
        {"an eleventh redirect", {toNext}, false, false, 11, ""},
    };
    for (const auto& c : cases) {
        ScriptTransport t;
        t.answers = c.answers;
        TransportRequest r = Request("GET", "/start");
        r.noAutoRedirect = c.noRedirect;
        TransportResponse a = ExecuteFollowingRedirects(t, r, TransportLimits{});
        EXPECT_EQ(a.sent, c.sent) << c.name;
        EXPECT_EQ(t.seen.size(), c.exchanges) << c.name;
        EXPECT_EQ(a.body, c.body) << c.name;
    }
}

TEST(ExecuteFollowingRedirects, OneTotalLimitForTheWholeChain) {
    using namespace std::chrono_literals;
    ScriptTransport t;
    t.answers = {"HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n"};
    t.pause = 40ms;
    TransportLimits limits;
    limits.total = 100ms;
    TransportResponse a = ExecuteFollowingRedirects(t, Request("GET", "/"), limits);
    EXPECT_FALSE(a.sent);
    // Each exchange got only what was left, so the chain ended long before
    // the ten redirects it would otherwise have taken.
    ASSERT_GE(t.totals.size(), 1u);
    EXPECT_LT(t.totals.size(), 6u);
    EXPECT_LE(t.totals[0], 100ms);
    EXPECT_GT(t.totals[0], 50ms);
    for (size_t i = 1; i < t.totals.size(); ++i) EXPECT_LT(t.totals[i], t.totals[i - 1]);
}

}  // namespace
}  // namespace pelko

// The transport contract, one table run on every platform against the
// platform's own transport (and the redirect loop above it, as WebVisit
// uses them) over a plain-socket loopback server.  What only one stack can
// show (proxies, certificate checks) stays in the Linux network suite.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "http/cancel.h"
#include "http/redirects.h"
#include "http/transport.h"
#include "support/loopback_server.h"

namespace pelko {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackServer;
using testing::RawAnswer;
using testing::SeenRequest;

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string Chunked(size_t total) {
    std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (size_t sent = 0; sent < total;) {
        size_t n = std::min<size_t>(4096, total - sent);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        out += size + std::string(n, 'y') + "\r\n";
        sent += n;
    }
    return out + "0\r\n\r\n";
}

std::string BigHeaderLines() {
    std::string extra;
    for (char c : {'a', 'b', 'c'}) extra += std::string("X-Big-") + c + ": " + std::string(3000, c) + "\r\n";
    return extra;
}

// Every route the cases below use.
std::string Route(const SeenRequest& r, int port) {
    const std::string method = r.Method(), target = r.Target();
    if (target == "/big") return RawAnswer("200 OK", std::string(70000, 'b'), "X-Answer: yes\r\n");
    if (target == "/echo") return RawAnswer("201 Created", r.body);
    if (target == "/missing") return RawAnswer("404 Not Found", "nope");
    if (target == "/old") return RawAnswer("302 Found", "moved", "Location: /new\r\n");
    if (target == "/new") return RawAnswer("200 OK", "final");
    if (target == "/a/form") return RawAnswer("302 Found", "", "Location: next?x=1\r\n");
    if (target == "/a/next?x=1")
        return RawAnswer("307 Temporary Redirect", "", "Location: //127.0.0.1:" + std::to_string(port) + "/done\r\n");
    if (target == "/done") return RawAnswer("200 OK", "done");
    if (target == "/keep") return RawAnswer("307 Temporary Redirect", "", "Location: /kept\r\n");
    if (target == "/see-other") return RawAnswer("303 See Other", "", "Location: /kept\r\n");
    if (target == "/kept") return RawAnswer("200 OK", method + " " + r.body);
    if (target == "/dots/a/b") return RawAnswer("301 Moved Permanently", "", "Location: ../up/./x\r\n");
    if (target == "/dots/up/x") return RawAnswer("200 OK", "up");
    if (target == "/loop") return RawAnswer("302 Found", "", "Location: /loop\r\n");
    if (target == "/wide") return RawAnswer("200 OK", "x", BigHeaderLines());
    if (target == "/size/50" && method == "HEAD")
        return "HTTP/1.1 200 OK\r\nContent-Length: 50\r\nConnection: close\r\n\r\n";
    if (StartsWith(target, "/size/")) return RawAnswer("200 OK", std::string(std::stoul(target.substr(6)), 'x'));
    if (StartsWith(target, "/chunked/")) return Chunked(std::stoul(target.substr(9)));
    if (target == "/short") return "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789";
    if (target == "/silent") return LoopbackServer::kHold;
    if (StartsWith(target, "/slow/")) {
        std::this_thread::sleep_for(250ms);
        return RawAnswer("302 Found", "", "Location: /slow/" + std::to_string(std::stoi(target.substr(6)) + 1) + "\r\n");
    }
    return RawAnswer("500 Internal Server Error", "no route for " + target);
}

TransportRequest Request(int port, const std::string& verb, const std::string& object) {
    TransportRequest r;
    r.agentName = "AgentX/1.0";
    r.host = "127.0.0.1";
    r.port = port;
    r.verb = verb;
    r.objectName = object;
    r.headerBlock = "Accept: */*";
    return r;
}

TransportLimits With(std::chrono::milliseconds idle, std::chrono::milliseconds total, size_t maxBody = 16u << 20) {
    TransportLimits l;
    l.idle = idle;
    l.total = total;
    l.maxBody = maxBody;
    return l;
}

class TransportContract : public ::testing::Test {
protected:
    LoopbackServer server{Route};
};

TEST_F(TransportContract, Table) {
    const TransportLimits plain;
    const std::string post(std::string("{\"a\":\"\xE4\xBD\xA0\"}\0tail", 16));
    struct Case {
        const char* name;
        const char* verb;
        const char* object;
        std::string body;  // sent; empty: none
        bool noRedirect;
        TransportLimits limits;
        bool sent;
        std::string answer;  // the body that comes back
        const char* status;  // how the header block begins
        std::vector<std::string> seen;  // request lines in arrival order; empty: not checked
        std::string headersHold = "";
    };
    const Case cases[] = {
        {"many pieces, read whole", "GET", "/big", "", false, plain, true, std::string(70000, 'b'), "HTTP/1.1 200 OK\r\n",
         {"GET /big HTTP/1.1"}, "\r\nX-Answer: yes\r\n"},
        {"body bytes unchanged, zeros too", "POST", "/echo", post, false, plain, true, post, "HTTP/1.1 201 Created\r\n",
         {"POST /echo HTTP/1.1"}, "\r\nContent-Length: 16\r\n"},
        {"error status is an answer", "GET", "/missing", "", false, plain, true, "nope", "HTTP/1.1 404 Not Found\r\n",
         {"GET /missing HTTP/1.1"}},
        {"redirect followed", "GET", "/old", "", false, plain, true, "final", "HTTP/1.1 200 OK\r\n",
         {"GET /old HTTP/1.1", "GET /new HTTP/1.1"}},
        {"redirect switched off", "GET", "/old", "", true, plain, true, "moved", "HTTP/1.1 302 Found\r\n",
         {"GET /old HTTP/1.1"}, "\r\nLocation: /new\r\n"},
        {"302 after POST asks with GET; relative and scheme-relative Location", "POST", "/a/form", "k=v", false, plain,
         true, "done", "HTTP/1.1 200 OK\r\n",
         {"POST /a/form HTTP/1.1", "GET /a/next?x=1 HTTP/1.1", "GET /done HTTP/1.1"}},
        {"307 repeats method and body", "POST", "/keep", "k=v", false, plain, true, "POST k=v", "HTTP/1.1 200 OK\r\n",
         {"POST /keep HTTP/1.1", "POST /kept HTTP/1.1"}},
        {"303 after PUT asks with GET", "PUT", "/see-other", "k=v", false, plain, true, "GET ", "HTTP/1.1 200 OK\r\n",
         {"PUT /see-other HTTP/1.1", "GET /kept HTTP/1.1"}},
        {"dot segments removed", "GET", "/dots/a/b", "", false, plain, true, "up", "HTTP/1.1 200 OK\r\n",
         {"GET /dots/a/b HTTP/1.1", "GET /dots/up/x HTTP/1.1"}},
        {"ten redirects at most", "GET", "/loop", "", false, plain, false, "", "",
         std::vector<std::string>(11, "GET /loop HTTP/1.1")},
        {"header block past any first buffer", "GET", "/wide", "", false, plain, true, "x", "HTTP/1.1 200 OK\r\n",
         {}, BigHeaderLines()},
        {"HEAD: headers without body", "HEAD", "/size/50", "", false, plain, true, "", "HTTP/1.1 200 OK\r\n",
         {"HEAD /size/50 HTTP/1.1"}, "\r\nContent-Length: 50\r\n"},
        {"body at the cap", "GET", "/size/4096", "", false, With(30s, 120s, 4096), true, std::string(4096, 'x'),
         "HTTP/1.1 200 OK\r\n", {}},
        {"body over the cap", "GET", "/size/4097", "", false, With(30s, 120s, 4096), false, "", "", {}},
        {"chunked body at the cap", "GET", "/chunked/10000", "", false, With(30s, 120s, 10000), true,
         std::string(10000, 'y'), "HTTP/1.1 200 OK\r\n", {}},
        {"chunked body over the cap", "GET", "/chunked/10001", "", false, With(30s, 120s, 10000), false, "", "", {}},
        {"cut short of its length", "GET", "/short", "", false, plain, false, "", "", {}},
        {"silent past the idle limit", "GET", "/silent", "", false, With(700ms, 120s), false, "", "", {}},
        {"silent past the total limit", "GET", "/silent", "", false, With(120s, 700ms), false, "", "", {}},
        {"one total limit across redirects", "GET", "/slow/1", "", false, With(120s, 600ms), false, "", "", {}},
    };
    for (const Case& c : cases) {
        server.clear();
        TransportRequest r = Request(server.port(), c.verb, c.object);
        r.noAutoRedirect = c.noRedirect;
        r.body = Bytes(c.body);
        r.hasBody = !c.body.empty();
        const auto started = std::chrono::steady_clock::now();
        TransportResponse a = ExecuteFollowingRedirects(PlatformTransport(), r, c.limits);
        // The servers that hold on would do so for far longer: ending well
        // before shows a limit at work.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 20s) << c.name;

        EXPECT_EQ(a.sent, c.sent) << c.name;
        EXPECT_EQ(a.body, c.answer) << c.name;
        if (c.sent) {
            EXPECT_TRUE(StartsWith(a.rawHeaders, c.status)) << c.name << "\n" << a.rawHeaders.substr(0, 200);
            EXPECT_EQ(a.rawHeaders.substr(a.rawHeaders.size() - 4), "\r\n\r\n") << c.name;
            EXPECT_NE(a.rawHeaders.find(c.headersHold), std::string::npos) << c.name;
        } else {
            EXPECT_EQ(a.rawHeaders, "") << c.name;
        }
        if (!c.seen.empty()) {
            std::vector<std::string> lines;
            for (const SeenRequest& s : server.requests()) lines.push_back(s.requestLine);
            EXPECT_EQ(lines, c.seen) << c.name;
        }
        if (c.body.size() && c.seen.size() == 1) {
            ASSERT_EQ(server.requests().size(), 1u) << c.name;
            EXPECT_EQ(server.requests()[0].body, c.body) << c.name;
        }
    }
}

TEST_F(TransportContract, TheRequestGoesOutAsComposed) {
    TransportRequest r = Request(server.port(), "GET", "/list?q=%41 b\xC4\xE3#part");
    // A bare LF and a line that is no header must not break the block apart.
    r.headerBlock = "User-Agent: AgentX/1.0\r\nAccept: */*\nX-One: 1\r\nnot a header\r\n\r\nX-Two: 2";
    ExecuteFollowingRedirects(PlatformTransport(), r, TransportLimits{});
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    // Bytes a request line may not carry go percent-encoded; the fragment stays home.
    EXPECT_EQ(seen[0].requestLine, "GET /list?q=%41%20b%C4%E3 HTTP/1.1");
    EXPECT_EQ(seen[0].Header("User-Agent"), "AgentX/1.0");
    EXPECT_EQ(seen[0].Header("X-One"), "1");
    EXPECT_EQ(seen[0].Header("X-Two"), "2");
    for (const auto& line : seen[0].headerLines) EXPECT_EQ(line.find("not a header"), std::string::npos) << line;
}

TEST_F(TransportContract, OneExchangeWhateverTheRequestAsks) {
    // Following is the loop's work: a transport alone returns the redirect.
    TransportRequest r = Request(server.port(), "GET", "/old");
    TransportResponse a = PlatformTransport().Execute(r, TransportLimits{});
    ASSERT_TRUE(a.sent);
    EXPECT_EQ(a.body, "moved");
    EXPECT_TRUE(StartsWith(a.rawHeaders, "HTTP/1.1 302 Found\r\n")) << a.rawHeaders;
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(TransportContract, CancelBreaksOffTheExchangeAndThoseThatFollowUntilResumed) {
    // A silent server and limits far beyond the test: only the cancel can end it.
    const TransportLimits patient = With(60s, 120s);
    const auto started = std::chrono::steady_clock::now();
    std::thread canceller([] {
        std::this_thread::sleep_for(300ms);
        CancelRequests();
    });
    TransportResponse held = PlatformTransport().Execute(Request(server.port(), "GET", "/silent"), patient);
    const auto took = std::chrono::steady_clock::now() - started;
    canceller.join();
    EXPECT_FALSE(held.sent);
    EXPECT_EQ(held.failure, "cancelled");
    EXPECT_LT(took, 20s) << "the exchange ran on to a time limit";

    // Cancelled until resumed: nothing goes out.
    const size_t seen = server.requests().size();
    TransportResponse refused = PlatformTransport().Execute(Request(server.port(), "GET", "/size/5"), patient);
    EXPECT_FALSE(refused.sent);
    EXPECT_EQ(refused.failure, "cancelled");
    EXPECT_EQ(server.requests().size(), seen);

    ResumeRequests();
    TransportResponse after = PlatformTransport().Execute(Request(server.port(), "GET", "/size/5"), patient);
    EXPECT_TRUE(after.sent) << after.failure;
    EXPECT_EQ(after.body, "xxxxx");
}

TEST(TransportContractFailure, RefusedConnectionIsNoAnswer) {
    TransportResponse a = PlatformTransport().Execute(Request(testing::sockets::ClosedPort(), "GET", "/"), TransportLimits{});
    EXPECT_FALSE(a.sent);
    EXPECT_EQ(a.body, "");
    EXPECT_EQ(a.rawHeaders, "");
}

}  // namespace
}  // namespace pelko

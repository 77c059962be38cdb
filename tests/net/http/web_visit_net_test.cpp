// WebVisit over the real libcurl transport against loopback servers: the
// composed request on the wire, cookies, and what only this platform's stack
// can show here (proxies, certificate checks).  What every transport must do
// is in the contract suite (tests/contract), run on each platform.
#include <gtest/gtest.h>
#include <httplib.h>

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "http/request.h"
#include "http/web_visit.h"
#include "support/loopback_server.h"
#include "support/recording_server.h"

namespace pelko {
namespace {

using testing::RecordedRequest;
using testing::RecordingServer;

// An httplib server on a free loopback port, stopped when it goes.
template <class ServerType = httplib::Server>
class Loopback {
public:
    template <class... Args>
    explicit Loopback(Args&&... args) : server(std::forward<Args>(args)...) {}
    void Start() {
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~Loopback() {
        server.stop();
        if (thread.joinable()) thread.join();
    }
    Text Url(const Text& path, const char* scheme = "http") const {
        return Text(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
    }
    ServerType server;
    int port = 0;
    std::thread thread;
};

// Keeps the process-wide limits as they were.
class NetTest : public ::testing::Test {
protected:
    void TearDown() override { CurrentLimits() = saved; }
    TransportLimits saved = CurrentLimits();
};

std::vector<std::string> Lines(const Text& block) {
    std::vector<std::string> lines;
    for (const Text& line : SplitText(block, Text("\r\n")))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

bool IsName(const std::string& line, const char* name) {
    size_t n = strlen(name);
    return line.size() > n && line[n] == ':' && strncasecmp(line.c_str(), name, n) == 0;
}

using HeaderTest = NetTest;

TEST_F(HeaderTest, TheComposedBlockArrivesAsItIs) {
    RecordingServer server([](const RecordedRequest&) { return std::string("ok"); });
    struct Case {
        const char* name;
        WebVisitParams params;
    };
    Text cookies = "a=1; b=2";
    const Case cases[] = {
        {"plain GET", {}},
        {"form POST", {.method = 1, .postText = "text=a&desp=b"}},
        {"json POST", {.method = 1, .postText = "{\"k\":1}", .extraHeaders = "Content-Type:application/json ;charset=utf-8"}},
        {"own agent", {.extraHeaders = "User-Agent: Mozilla/5.0 (iPhone) Mobile"}},
        {"agent in lower case", {.extraHeaders = "user-agent: lower", .normaliseHeaderNames = false}},
        {"cookies alone", {.cookies = &cookies, .completeHeaders = false}},
        {"nothing at all", {.completeHeaders = false}},
        {"empty value and repeats", {.extraHeaders = "X-Empty:\r\nX-Twice: 1\r\nX-Twice: 2"}},
        {"put without a type", {.method = 3, .postText = "a=1"}},
        {"large body", {.method = 1, .postText = Text(1100000, 'z')}},
        {"own accept and host", {.extraHeaders = "Accept: text/plain\r\nHost: elsewhere.test"}},
    };
    for (const auto& c : cases) {
        server.clear();
        const Text url = server.base() + "/p?q=1";
        TransportRequest composed = ComposeRequest(url, c.params);
        EXPECT_EQ(WebVisit(url, c.params), "ok") << c.name;
        auto got = server.requests();
        ASSERT_EQ(got.size(), 1u) << c.name;
        const RecordedRequest& r = got[0];
        EXPECT_EQ(r.requestLine, composed.verb + " /p?q=1 HTTP/1.1") << c.name;

        // A Host line of the block takes the place of the stack's own, first
        // of all; every other line keeps its place.
        std::vector<std::string> expected;
        std::string blockHost;
        bool blockHasAgent = false;
        for (const auto& line : Lines(composed.headerBlock)) {
            blockHasAgent |= IsName(line, "User-Agent");
            if (IsName(line, "Host")) blockHost = line;
            else expected.push_back(line);
        }
        std::vector<std::string> arrived;
        int agents = 0, hosts = 0;
        for (const auto& line : r.headerLines) {
            if (IsName(line, "User-Agent")) ++agents;
            if (IsName(line, "Host")) ++hosts;
            if (IsName(line, "Content-Length")) continue;
            if (IsName(line, "Host")) {
                if (!blockHost.empty()) {
                    EXPECT_EQ(line, blockHost) << c.name;
                }
                continue;
            }
            if (IsName(line, "User-Agent") && !blockHasAgent) {
                EXPECT_EQ(line, "User-Agent: " + composed.agentName) << c.name;
                continue;
            }
            arrived.push_back(line);
        }
        EXPECT_EQ(arrived, expected) << c.name;
        EXPECT_EQ(agents, 1) << c.name;
        EXPECT_EQ(hosts, 1) << c.name;
        EXPECT_EQ(r.body, composed.body) << c.name;
    }
}

TEST_F(HeaderTest, EveryMethodSendsItsVerbAndBody) {
    RecordingServer server([](const RecordedRequest&) { return std::string("answer"); });
    struct Case {
        int method;
        const char* line;
        const char* body;
        const char* result;
    };
    const Case cases[] = {
        {0, "GET /m HTTP/1.1", "", "answer"},
        {1, "POST /m HTTP/1.1", "a=1", "answer"},
        {2, "HEAD /m HTTP/1.1", "", ""},
        {3, "PUT /m HTTP/1.1", "a=1", "answer"},
        {4, "OPTIONS /m HTTP/1.1", "a=1", "answer"},
        {5, "DELETE /m HTTP/1.1", "a=1", "answer"},
        {6, "TRACE /m HTTP/1.1", "a=1", "answer"},
        {7, "CONNECT /m HTTP/1.1", "a=1", "answer"},
        {9, "GET /m HTTP/1.1", "", "answer"},
    };
    for (const auto& c : cases) {
        server.clear();
        Bytes body = WebVisit(server.base() + "/m", {.method = c.method, .postText = "a=1"});
        EXPECT_EQ(body, c.result) << c.method;
        auto got = server.requests();
        ASSERT_EQ(got.size(), 1u) << c.method;
        EXPECT_EQ(got[0].requestLine, c.line);
        EXPECT_EQ(got[0].body, c.body) << c.method;
    }
}

class AnswerTest : public NetTest {
protected:
    void SetUp() override {
        auto& s = site.server;
        s.Get("/cookies", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("Set-Cookie", "a=1; path=/; HttpOnly");
            res.set_header("Set-Cookie", "b=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT");
            res.set_header("Set-Cookie", "c=3");
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
        site.Start();
    }
    Loopback<> site;
};

TEST_F(AnswerTest, SetCookieLinesComeBackAndMerge) {
    Text returned;
    EXPECT_EQ(WebVisit(site.Url("/cookies"), {.returnedCookies = &returned}), "");
    EXPECT_EQ(returned, "a=1; b=deleted; c=3");

    Text cookies = "b=2; x=9", merged;
    EXPECT_EQ(WebVisit(site.Url("/cookies"), {.cookies = &cookies, .returnedCookies = &merged}), "b=2; x=9");
    EXPECT_EQ(merged, "a=1; c=3; x=9");
    EXPECT_EQ(cookies, merged);

    // The merged text is what the next request sends.
    EXPECT_EQ(WebVisit(site.Url("/cookies"), {.cookies = &cookies}), "a=1; c=3; x=9");
}

using FailureTest = NetTest;

TEST_F(FailureTest, RefusedConnectionLeavesTheFailureOutputs) {
    Text cookies = "a=1;", returned = "stale", headers = "stale";
    Bytes post;
    Bytes body = WebVisit("http://127.0.0.1:" + std::to_string(testing::sockets::ClosedPort()) + "/",
                          {.method = 1, .postText = "p", .cookies = &cookies, .returnedCookies = &returned,
                           .returnedHeaders = &headers, .postBytes = &post});
    EXPECT_EQ(body, "");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(post, "p");
}

class ProxyTest : public NetTest {};

TEST_F(ProxyTest, PlainRequestGoesToTheProxyWithTheFullAddress) {
    RecordingServer proxy([](const RecordedRequest&) { return std::string("from proxy"); });
    const Text address = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(WebVisit("http://origin.test:8080/x?y=1", {.proxy = address}), "from proxy");
    auto got = proxy.requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].requestLine, "GET http://origin.test:8080/x?y=1 HTTP/1.1");
    EXPECT_EQ(got[0].Header("Host"), "origin.test:8080");
    for (const auto& line : got[0].headerLines) EXPECT_FALSE(IsName(line, "Proxy-Connection")) << line;
}

TEST_F(ProxyTest, SecureRequestAsksTheProxyForATunnel) {
    RecordingServer proxy([](const RecordedRequest&) { return std::string(); });
    const Text address = "127.0.0.1:" + std::to_string(proxy.port());
    // The recording proxy cannot tunnel, so the request fails after asking.
    EXPECT_EQ(WebVisit("https://origin.test/x", {.proxy = address}), "");
    auto got = proxy.requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].requestLine, "CONNECT origin.test:443 HTTP/1.1");
}

TEST_F(ProxyTest, WithoutProxyTheEnvironmentsIsNotUsed) {
    RecordingServer proxy([](const RecordedRequest&) { return std::string("from proxy"); });
    RecordingServer origin([](const RecordedRequest&) { return std::string("direct"); });
    const Text address = "http://127.0.0.1:" + std::to_string(proxy.port());
    setenv("http_proxy", address.c_str(), 1);
    Bytes body = WebVisit(origin.base() + "/");
    unsetenv("http_proxy");
    EXPECT_EQ(body, "direct");
    EXPECT_TRUE(proxy.requests().empty());
}

// A fresh self-signed certificate for 127.0.0.1 in a temporary folder.
class SelfSigned {
public:
    SelfSigned() {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("pelko-tls-" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                                    "-addext subjectAltName=IP:127.0.0.1 -keyout " + key() + " -out " + cert() +
                                    " >/dev/null 2>&1";
        ok = std::system(command.c_str()) == 0;
    }
    ~SelfSigned() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string cert() const { return (dir / "cert.pem").string(); }
    std::string key() const { return (dir / "key.pem").string(); }
    std::filesystem::path dir;
    bool ok = false;
};

TEST_F(FailureTest, UntrustedCertificateFailsTheRequest) {
    SelfSigned tls;
    ASSERT_TRUE(tls.ok) << "openssl could not make a certificate";
    Loopback<httplib::SSLServer> site(tls.cert().c_str(), tls.key().c_str());
    ASSERT_TRUE(site.server.is_valid());
    site.server.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
    site.Start();

    // The server itself answers a client that does not check.
    httplib::SSLClient check("127.0.0.1", site.port);
    check.enable_server_certificate_verification(false);
    auto answer = check.Get("/");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->body, "secret");

    Text headers = "stale";
    EXPECT_EQ(WebVisit(site.Url("/", "https"), {.returnedHeaders = &headers}), "");
    EXPECT_EQ(headers, "");
}

}  // namespace
}  // namespace pelko

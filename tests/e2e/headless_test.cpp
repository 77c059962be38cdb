// The real program, run without a window against loopback stand-ins for the
// list API, DingTalk and ServerChan.  PELKO_E2E_BINARY and PELKO_E2E_LAUNCHER
// (e.g. "wine") select another build of the program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "support/file_bytes.h"
#include "support/feed_answer.h"
#include "support/loopback_server.h"
#include "support/recording_server.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using testing::FeedAnswer;
using testing::RecordedRequest;
using testing::RecordingServer;
using testing::U8;

const std::string kFeedAgent =
    "Mozilla/5.0 (Linux; U; Android 8.0.0; zh-cn; Mi Note 2 Build/OPR1.170623.032) AppleWebKit/537.36 (KHTML, "
    "like Gecko) Version/4.0 Chrome/61.0.3163.128 Mobile Safari/537.36 XiaoMi/MiuiBrowser/10.1.1";
const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Env(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

using testing::ReadFile;

// Header lines a transport adds by itself; everything else must be ours.
bool AddedByTransport(const std::string& line) {
    for (const char* name : {"Host:", "Content-Length:", "Connection:", "Cache-Control:", "Pragma:"})
        if (strncasecmp(line.c_str(), name, strlen(name)) == 0) return true;
    return false;
}

// WinINet keeps headers as name and value and writes them back as "Name: value";
// under it a missing space after the colon is not ours to keep.
std::string AsSent(std::string line) {
    size_t colon = line.find(':');
    if (!Env("PELKO_E2E_LAUNCHER", "").empty() && colon != std::string::npos && line[colon + 1] != ' ')
        line.insert(colon + 1, " ");
    return line;
}

std::vector<std::string> AsSent(std::vector<std::string> lines) {
    for (auto& line : lines) line = AsSent(line);
    return lines;
}

// Our header lines in the order sent, the User-Agent line aside: a transport
// may send the agent name where it likes, but exactly once.
std::vector<std::string> OwnLines(const RecordedRequest& r, const std::string& agent) {
    std::vector<std::string> own;
    int agents = 0;
    for (const auto& line : r.headerLines) {
        if (strncasecmp(line.c_str(), "User-Agent:", 11) == 0) {
            ++agents;
            EXPECT_EQ(line, "User-Agent: " + agent);
        } else if (!AddedByTransport(line)) {
            own.push_back(AsSent(line));
        }
    }
    EXPECT_EQ(agents, 1) << r.requestLine;
    return own;
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("pelko-e2e-" + std::to_string(rd()));
        fs::create_directories(dir);
        fs::path binary = Env("PELKO_E2E_BINARY", PELKO_BINARY);
        exe = dir / binary.filename();
        fs::copy_file(binary, exe);
        WriteConfig("Drumvel#绝对值", "TOKEN", "SCKEY");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // config.ini in code page 936, as the program writes it.
    void WriteConfig(const std::string& keywords, const std::string& token, const std::string& key,
                     const std::string& interval = "1") {
        std::ofstream(dir / "config.ini", std::ios::binary)
            << "[Pelko]\r\n关键词=" << keywords << "\r\n扫描数量=5\r\n间隔时间=" << interval << "\r\n分割符号=#\r\n推送=" << token
            << "\r\nServer酱=" << key << "\r\n[Services]\r\nFeedBase=" << feed.base()
            << "\r\nDingTalkBase=" << ding.base() << "\r\nServerChanBase=" << sc.base() << "/\r\n";
    }

    int Run(const std::string& args, std::string* output = nullptr) {
        std::string launcher = Env("PELKO_E2E_LAUNCHER", "");
        std::string cmd = (launcher.empty() ? "" : launcher + " ") + "'" + exe.string() + "' " + args + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        int status = pclose(p);
        if (output) *output = out;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    RecordingServer feed{[](const RecordedRequest& r) {
        if (r.Target().find("keyword=%44%72%75%6D%76%65%6C&") != std::string::npos)
            return FeedAnswer({{.mall = U8(u8"京东"), .id = "1", .referrals = "alice", .title = U8(u8"好价 \"包邮\"")}});
        if (r.Target().find("keyword=%E7%BB%9D%E5%AF%B9%E5%80%BC&") != std::string::npos)
            return FeedAnswer({{.mall = U8(u8"天猫"), .id = "2", .referrals = "bob"}});
        return FeedAnswer({});
    }};
    RecordingServer ding{[](const RecordedRequest&) { return std::string("{\"errcode\":0}"); }};
    RecordingServer sc{[](const RecordedRequest&) { return std::string("{\"code\":0}"); }};
    fs::path dir, exe;
};

TEST_F(HeadlessRun, OnePassQueriesPushesAndRemembers) {
    std::string out;
    ASSERT_EQ(Run("--headless --once", &out), 0) << out;

    auto feeds = feed.requests();
    ASSERT_EQ(feeds.size(), 2u) << out;
    const std::string q1 = "/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword=%44%72%75%6D%76%65%6C&offset=0"
                           "&limit=5&category_name=";
    EXPECT_EQ(feeds[0].requestLine, "GET " + q1 + " HTTP/1.1");
    EXPECT_EQ(OwnLines(feeds[0], kFeedAgent), (std::vector<std::string>{"Accept: */*",
                                                            "Referer: " + feed.base() + q1,
                                                            "Accept-Language: zh-cn"}));
    EXPECT_EQ(feeds[0].Header("Host"), "127.0.0.1:" + std::to_string(feed.port()));
    EXPECT_TRUE(feeds[0].body.empty());
    EXPECT_EQ(feeds[1].Target().substr(0, 51), "/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword=");

    auto pushes = ding.requests();
    ASSERT_EQ(pushes.size(), 2u);
    const RecordedRequest& d = pushes[0];
    EXPECT_EQ(d.requestLine, "POST /robot/send?access_token=TOKEN HTTP/1.1");
    EXPECT_EQ(OwnLines(d, kDefaultAgent),
              AsSent({"Content-Type:application/json ;charset=utf-8", "Accept: */*",
                      "Referer: " + ding.base() + "/robot/send?access_token=TOKEN", "Accept-Language: zh-cn"}));
    EXPECT_EQ(d.Header("Content-Length"), std::to_string(d.body.size()));
    std::string card = U8(
        u8"{\r\n    \"actionCard\": {\r\n        \"title\": \"京东\", \r\n        \"text\": \"![screenshot]"
        u8"(https://img.example/1.jpg) \r\n- 爆料：alice\r\n- 内容：\r\n好价 \\\"包邮\\\"\r\n\", \r\n"
        u8"        \"btnOrientation\": \"0\", \r\n        \"btns\": [\r\n            {\r\n"
        u8"                \"title\": \"2020-09-13 TIME\", \r\n"
        u8"                \"actionURL\": \"https://deal.example/p/1\"\r\n            },\r\n            {\r\n"
        u8"                \"title\": \"9.9\", \r\n                \"actionURL\": \"https://deal.example/p/1\"\r\n"
        u8"            }\r\n        ]\r\n    }, \r\n    \"msgtype\": \"actionCard\"\r\n}");
    std::string at24 = card, at12 = card;
    at24.replace(at24.find("TIME"), 4, "20:26:40");
    at12.replace(at12.find("TIME"), 4, "08:26:40");
    EXPECT_TRUE(d.body == at24 || d.body == at12) << d.body;

    auto forms = sc.requests();
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(forms[0].requestLine, "POST /SCKEY.send HTTP/1.1");
    EXPECT_EQ(OwnLines(forms[0], kDefaultAgent),
              (std::vector<std::string>{"Accept: */*",
                                        "Referer: " + sc.base() + "/SCKEY.send", "Accept-Language: zh-cn",
                                        "Content-Type: application/x-www-form-urlencoded"}));
    const std::string title = "text=%E5%A5%BD%E4%BB%B7%20%22%E5%8C%85%E9%82%AE%22&desp=";
    EXPECT_EQ(forms[0].body.substr(0, title.size()), title);
    EXPECT_NE(forms[0].body.find("%3E%20%E5%B9%B3%E5%8F%B0%EF%BC%9A%E4%BA%AC%E4%B8%9C"), std::string::npos)
        << "> 平台：京东";

    std::string store = ReadFile(dir / u8"已爆料商品.ini");
    EXPECT_NE(store.find("[京东]\r\n1=alice\r\n"), std::string::npos) << store;
    EXPECT_NE(store.find("[天猫]\r\n2=bob\r\n"), std::string::npos) << store;
    EXPECT_NE(out.find("pass: keywords 2"), std::string::npos) << out;
    EXPECT_NE(out.find("new reports 2, accepted 4, waiting 0"), std::string::npos) << out;

    feed.clear();
    ding.clear();
    sc.clear();
    ASSERT_EQ(Run("--headless --once", &out), 0) << out;
    EXPECT_EQ(feed.requests().size(), 2u);
    EXPECT_TRUE(ding.requests().empty()) << "nothing is pushed twice";
    EXPECT_TRUE(sc.requests().empty());
    EXPECT_NE(out.find("new reports 0, accepted 0, waiting 0"), std::string::npos) << out;
}

TEST_F(HeadlessRun, MissingSettingsAreTheDefaults) {
    const std::string services = "[Services]\r\nFeedBase=" + feed.base() + "\r\n";
    std::ofstream(dir / "config.ini", std::ios::binary) << services;
    std::string out;
    EXPECT_EQ(Run("--headless --once", &out), 0) << out;
    EXPECT_NE(out.find("keywords 2 (Drumvel, "), std::string::npos) << out;
    auto feeds = feed.requests();
    ASSERT_EQ(feeds.size(), 2u);
    EXPECT_NE(feeds[0].Target().find("&limit=1&"), std::string::npos) << "the default scan count";
    EXPECT_TRUE(ding.requests().empty() && sc.requests().empty()) << "no token, no key: no push";
    EXPECT_EQ(ReadFile(dir / "config.ini"), services) << "a windowless run writes no settings";
}

TEST_F(HeadlessRun, CommandLine) {
    struct Case {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        {"--help", 0, "--headless"},
        {"--version", 0, "pelko-monitor "},
        {"--bogus", 2, "unknown option '--bogus'"},
        {"--once", 2, "--once needs --headless"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(Run(c.args, &out), c.status) << c.args;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.args << ": " << out;
    }
}

TEST_F(HeadlessRun, TerminationEndsAWaitingRunPromptly) {
    std::string launcher = Env("PELKO_E2E_LAUNCHER", "");
    if (!launcher.empty()) GTEST_SKIP() << "signals are a POSIX matter";
    WriteConfig("Drumvel", "", "", "600");
    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        execl(exe.c_str(), exe.c_str(), "--headless", nullptr);
        _exit(127);
    }
    for (int i = 0; i < 200 && feed.requests().empty(); ++i) usleep(20000);
    ASSERT_FALSE(feed.requests().empty());
    usleep(200000);
    auto start = std::chrono::steady_clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(feed.requests().size(), 1u) << "the 600 s wait was not sat out";
}

TEST_F(HeadlessRun, InterruptBreaksOffAHungRequest) {
    // The list API takes the request and never answers; only the stop can
    // end the pass before the transport's 30 s idle limit.
    std::string launcher = Env("PELKO_E2E_LAUNCHER", "");
    if (!launcher.empty()) GTEST_SKIP() << "signals are a POSIX matter";
    RecordingServer silent{[](const RecordedRequest&) { return testing::LoopbackServer::kHold; }};
    std::ofstream(dir / "config.ini", std::ios::binary)
        << "[Pelko]\r\n关键词=Drumvel#绝对值\r\n扫描数量=5\r\n间隔时间=600\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n"
        << "[Services]\r\nFeedBase=" << silent.base() << "\r\n";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(out[0]);
        execl(exe.c_str(), exe.c_str(), "--headless", nullptr);
        _exit(127);
    }
    close(out[1]);
    // Both keywords are asked at once.
    for (int i = 0; i < 250 && silent.requests().size() < 2; ++i) usleep(20000);
    ASSERT_EQ(silent.requests().size(), 2u);
    usleep(300000);  // well inside the request
    auto start = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    auto took = std::chrono::steady_clock::now() - start;
    std::string said;
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<size_t>(n));
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << said;
    // Far below the idle limit, whatever the machine's load.
    EXPECT_LT(took, std::chrono::seconds(15)) << said;
    EXPECT_EQ(silent.requests().size(), 2u) << "something was asked after the stop";
    EXPECT_NE(said.find("keyword failed: Drumvel: cancelled"), std::string::npos) << said;
    std::printf("stop during a hung request: ended after %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}

}  // namespace
}  // namespace pelko

// The real program's deliveries against loopback push services that refuse,
// throttle, time out or answer what is no JSON: what it says, what waits in
// its outbox, and that every report reaches every service once the service
// accepts again, also after a kill.  Times the program keeps in its outbox
// file (when a report was found, a service's hold, its sends of the last
// minute) are moved by editing that file, so hours and minutes need no wait.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/file_bytes.h"
#include "support/feed_answer.h"
#include "support/program.h"
#include "support/recording_server.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using testing::Clock;
using testing::FeedAnswer;
using testing::Launcher;
using testing::Ms;
using testing::Program;
using testing::RecordedRequest;
using testing::RecordingServer;
using testing::Row;
using testing::U8;

using testing::ReadFile;
using testing::WriteFile;

long long UnixMs() {
    return std::chrono::duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Every byte as %XX, as the ServerChan form carries its fields.
std::string PercentForm(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) out += {'%', kHex[c >> 4], kHex[c & 15]};
    return out;
}

std::string Reply(const std::string& status, const std::string& body, const std::string& type = "text/html") {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

const std::string kDingOk = "{\"errcode\":0,\"errmsg\":\"ok\"}";
const std::string kScOk = "{\"code\":0,\"message\":\"\",\"data\":{}}";

// Reports whose link tells them apart: https://deal.example/p/<n>.
std::vector<Row> Reports(int from, int to) {
    std::vector<Row> rows;
    for (int n = from; n <= to; ++n)
        rows.push_back({.mall = "m", .id = std::to_string(n), .referrals = "r",
                        .title = "T" + std::to_string(n), .url = "https://deal.example/p/" + std::to_string(n)});
    return rows;
}

// The report numbers of the pushes, in the order they arrived.
std::vector<int> Delivered(const std::vector<RecordedRequest>& requests) {
    std::vector<int> out;
    static const std::regex plain("deal\\.example/p/([0-9]+)");
    for (const RecordedRequest& r : requests) {
        std::smatch m;
        std::string body = r.body;
        // ServerChan's form has every byte of the link escaped.
        std::string unescaped;
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '%' && i + 2 < body.size()) {
                unescaped += static_cast<char>(std::stoi(body.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                unescaped += body[i];
            }
        }
        if (std::regex_search(unescaped, m, plain)) out.push_back(std::stoi(m[1]));
        else out.push_back(-1);
    }
    return out;
}

struct RunResult {
    int status = -1;
    std::string out, err;
};

class Deliveries : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("pelko-deliveries-" + std::to_string(rd()));
        fs::create_directories(dir);
        const char* other = std::getenv("PELKO_E2E_BINARY");
        fs::path binary = other && *other ? other : PELKO_BINARY;
        exe = dir / binary.filename();
        fs::copy_file(binary, exe);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void WriteConfig(const std::string& keywords, const std::string& token, const std::string& key,
                     const std::string& interval = "1", const std::string& scan = "30",
                     const std::string& services = "", const std::string& scBase = "") {
        WriteFile(dir / "config.ini",
                  "[Pelko]\r\n关键词=" + keywords + "\r\n扫描数量=" + scan + "\r\n间隔时间=" + interval +
                      "\r\n分割符号=#\r\n推送=" + token + "\r\nServer酱=" + key + "\r\n[Services]\r\nFeedBase=" +
                      feed.base() + "\r\nDingTalkBase=" + ding.base() + "\r\nServerChanBase=" +
                      (scBase.empty() ? sc.base() : scBase) + "\r\nConnectTimeoutMs=1000\r\nIdleTimeoutMs=600\r\n"
                      "TotalTimeoutMs=800\r\n" + services);
    }

    // One --once run with stdout and stderr apart; `env` as NAME=value.
    RunResult RunOnce(const std::string& env = "") {
        const std::string launcher = Launcher();
        const std::string cmd = "cd '" + dir.string() + "' && " + (env.empty() ? "" : "env " + env + " ") +
                                (launcher.empty() ? "" : launcher + " ") + "'" + exe.string() +
                                "' --headless --once >out.txt 2>err.txt";
        RunResult r;
        int status = std::system(cmd.c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        // A Windows program's text streams end lines in CR LF.
        r.out = std::regex_replace(ReadFile(dir / "out.txt"), std::regex("\r\n"), "\n");
        r.err = std::regex_replace(ReadFile(dir / "err.txt"), std::regex("\r\n"), "\n");
        // The program's own lines begin with the time (or its journal prefix);
        // a launcher may add notes of its own.
        std::string own;
        static const std::regex line("^(<[0-9]>)?[0-9]{4}-[0-9]{2}-[0-9]{2} .*");
        for (size_t at = 0, nl; at < r.err.size(); at = nl + 1) {
            nl = r.err.find('\n', at);
            if (nl == std::string::npos) nl = r.err.size();
            const std::string l = r.err.substr(at, nl - at);
            if (std::regex_match(l, line)) own += l + "\n";
        }
        r.err = own;
        return r;
    }

    fs::path Outbox() const { return dir / U8(u8"待推送.ini"); }

    // Rewrites every "key=<digits>" line of the outbox whose key matches.
    void EditOutbox(const std::string& keyPattern, const std::string& value) {
        std::string text = ReadFile(Outbox());
        text = std::regex_replace(text, std::regex("(^|\n)(" + keyPattern + ")=[0-9 ]*\r"), "$1$2=" + value + "\r");
        WriteFile(Outbox(), text);
    }

    std::atomic<int> dingMode{0}, scMode{0};
    std::string feedAnswer = FeedAnswer({});
    std::mutex feedMutex;
    RecordingServer feed{[this](const RecordedRequest&) {
        std::lock_guard lock(feedMutex);
        return feedAnswer;
    }};
    std::function<std::string(int)> dingAnswer = [](int) { return kDingOk; };
    std::function<std::string(int)> scAnswer = [](int) { return kScOk; };
    RecordingServer ding{[this](const RecordedRequest&) { return dingAnswer(dingMode); }};
    RecordingServer sc{[this](const RecordedRequest&) { return scAnswer(scMode); }};
    fs::path dir, exe;

    void SetFeed(const std::string& answer) {
        std::lock_guard lock(feedMutex);
        feedAnswer = answer;
    }
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A service that fails keeps the reports in the outbox, says why, and gets
// them, once and unchanged, when it accepts again.
TEST_F(Deliveries, FailedPushesWaitAndLeaveWhenTheServiceAccepts) {
    struct Fault {
        const char* name;
        std::function<std::string(int)> ding, sc;
        bool scUnreachable;
        int settleMs;  // until a slow handler has answered and been recorded
        const char* dingSays;
        const char* scSays;
    } faults[] = {
        {"DingTalk refuses, ServerChan unreachable",
         [](int mode) { return mode ? kDingOk : "{\"errcode\":310000,\"errmsg\":\"keywords not in content\"}"; },
         [](int) { return kScOk; }, true, 0, "310000 keywords not in content", ""},
        {"HTML error pages",
         [](int mode) { return mode ? kDingOk : Reply("502 Bad Gateway", "<html>bad gateway</html>"); },
         [](int mode) { return mode ? kScOk : Reply("502 Bad Gateway", "<html>bad gateway</html>"); }, false, 0,
         "HTTP 502", "HTTP 502"},
        {"status 200 without JSON",
         [](int mode) { return mode ? kDingOk : Reply("200 OK", "<html>oops</html>"); },
         [](int mode) { return mode ? kScOk : "{\"code\":40001,\"message\":\"bad key\"}"; }, false, 0,
         "unreadable answer: <html>oops</html>", "40001 bad key"},
        {"no answer within the time limit",
         [](int mode) {
             if (!mode) std::this_thread::sleep_for(milliseconds(1200));
             return kDingOk;
         },
         [](int) { return kScOk; }, true, 1000, "", ""},
    };
    SetFeed(FeedAnswer(Reports(1, 2)));
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        fs::remove(dir / U8(u8"已爆料商品.ini"));
        fs::remove(Outbox());
        dingMode = scMode = 0;
        ding.clear();
        sc.clear();
        dingAnswer = f.ding;
        scAnswer = f.sc;
        WriteConfig("k", "TOKEN", "SCKEY", "1", "30", "", f.scUnreachable ? "http://127.0.0.1:1" : "");

        RunResult first = RunOnce();
        ASSERT_EQ(first.status, 0) << first.out << first.err;
        std::this_thread::sleep_for(milliseconds(f.settleMs));
        // The first failure holds the service's later deliveries back.
        EXPECT_EQ(Delivered(ding.requests()), std::vector<int>({1}));
        EXPECT_EQ(Count(first.err, U8(u8"delivery failed: 钉钉 [m] T1: ") + f.dingSays), 1u) << first.err;
        EXPECT_EQ(Count(first.err, U8(u8"delivery failed: Server酱 [m] T1: ") + f.scSays), 1u) << first.err;
        EXPECT_NE(first.err.find("; retry at the next pass"), std::string::npos) << first.err;
        EXPECT_NE(first.out.find("new reports 2, accepted 0, waiting 4"), std::string::npos) << first.out;
        EXPECT_EQ(first.out.find("delivery failed"), std::string::npos) << "failures go to stderr";
        EXPECT_NE(ReadFile(dir / U8(u8"已爆料商品.ini")).find("[m]\r\n1=r\r\n2=r\r\n"), std::string::npos);
        const std::string firstBody = ding.requests().at(0).body;

        dingMode = scMode = 1;
        WriteConfig("k", "TOKEN", "SCKEY");
        RunResult second = RunOnce();
        ASSERT_EQ(second.status, 0);
        EXPECT_NE(second.out.find("new reports 0, accepted 4, waiting 0"), std::string::npos) << second.out;
        EXPECT_EQ(Count(second.out, "late delivery: "), 4u) << second.out;
        EXPECT_EQ(second.err, "");
        EXPECT_EQ(Delivered(ding.requests()), std::vector<int>({1, 1, 2}));
        EXPECT_EQ(Delivered(sc.requests()), f.scUnreachable ? std::vector<int>({1, 2}) : std::vector<int>({1, 1, 2}));
        EXPECT_EQ(ding.requests().at(1).body, firstBody) << "the retry sends the same message";
        EXPECT_EQ(ReadFile(Outbox()).find("target="), std::string::npos) << ReadFile(Outbox());

        RunResult third = RunOnce();
        EXPECT_NE(third.out.find("accepted 0, waiting 0"), std::string::npos) << third.out;
        EXPECT_EQ(ding.requests().size(), 3u) << "nothing twice";
    }
}

// DingTalk takes 20 messages a minute per robot and blocks one that sends
// more (130101); the program keeps under the pace, honours a block, and the
// held reports leave in the order they were found.
TEST_F(Deliveries, DingTalkIsPacedAndHeldReportsLeaveInOrder) {
    std::mutex m;
    std::vector<long long> seen;
    dingAnswer = [&](int mode) {
        std::lock_guard lock(m);
        const long long now = UnixMs();
        seen.push_back(now);
        int lastMinute = 0;
        for (long long t : seen) lastMinute += t > now - 60000;
        if (mode == 1 || lastMinute > 20) return std::string("{\"errcode\":130101,\"errmsg\":\"send too fast\"}");
        return kDingOk;
    };
    auto order = [](int from, int to) {
        std::vector<int> v;
        for (int n = from; n <= to; ++n) v.push_back(n);
        return v;
    };
    auto sinceLast = [&](size_t& mark) {
        auto all = Delivered(ding.requests());
        std::vector<int> fresh(all.begin() + static_cast<long>(mark), all.end());
        mark = all.size();
        return fresh;
    };
    size_t mark = 0;
    WriteConfig("k", "TOKEN", "");
    SetFeed(FeedAnswer(Reports(1, 25)));

    RunResult r = RunOnce();
    EXPECT_EQ(sinceLast(mark), order(1, 20));
    EXPECT_NE(r.out.find(U8(u8"holding 钉钉 until ")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("new reports 25, accepted 20, waiting 5"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "") << "the pace is no failure";

    r = RunOnce();
    EXPECT_EQ(sinceLast(mark), std::vector<int>{}) << "a restart keeps the pace of the last minute";
    EXPECT_NE(r.out.find("accepted 0, waiting 5"), std::string::npos) << r.out;

    // A minute later, as far as the program can tell.
    EditOutbox("dingtalk\\.[0-9a-f]+\\.sent", "");
    EditOutbox("dingtalk\\.[0-9a-f]+\\.held", "1");
    {
        std::lock_guard lock(m);
        seen.clear();
    }
    r = RunOnce();
    EXPECT_EQ(sinceLast(mark), order(21, 25));
    EXPECT_EQ(Count(r.out, U8(u8"late delivery: 钉钉")), 5u) << r.out;
    EXPECT_NE(r.out.find("accepted 5, waiting 0"), std::string::npos) << r.out;

    // The robot blocks: ten minutes without a try, then in order.
    dingMode = 1;
    SetFeed(FeedAnswer(Reports(26, 28)));
    r = RunOnce();
    EXPECT_EQ(sinceLast(mark), std::vector<int>({26}));
    std::smatch at;
    ASSERT_TRUE(std::regex_search(r.err, at, std::regex(U8(u8"delivery failed: 钉钉 \\[m\\] T26: 130101 send too fast; "
                                                           u8"retry at ([0-9]{2}):([0-9]{2}):[0-9]{2}"))))
        << r.err;
    EXPECT_NE(r.out.find("accepted 0, waiting 3"), std::string::npos) << r.out;
    r = RunOnce();
    EXPECT_EQ(sinceLast(mark), std::vector<int>{}) << "held for ten minutes";
    const std::string held = ReadFile(Outbox());
    std::smatch until;
    ASSERT_TRUE(std::regex_search(held, until, std::regex("dingtalk\\.[0-9a-f]+\\.held=([0-9]+)")));
    const long long heldFor = std::stoll(until[1]) - UnixMs();
    EXPECT_GT(heldFor, 9 * 60000);
    EXPECT_LE(heldFor, 10 * 60000);

    EditOutbox("dingtalk\\.[0-9a-f]+\\.held", "1");
    dingMode = 0;
    r = RunOnce();
    EXPECT_EQ(sinceLast(mark), order(26, 28));
    EXPECT_NE(r.out.find("accepted 3, waiting 0"), std::string::npos) << r.out;
}

// A delivery not accepted within a day is dropped and said so, as an error
// under the system journal.
TEST_F(Deliveries, ADayOldDeliveryIsGivenUpOnce) {
    dingAnswer = [](int) { return std::string("{\"errcode\":300001,\"errmsg\":\"token is not exist\"}"); };
    WriteConfig("k", "TOKEN", "");
    SetFeed(FeedAnswer(Reports(1, 1)));
    RunResult r = RunOnce();
    EXPECT_NE(r.err.find(U8(u8"delivery failed: 钉钉 [m] T1: 300001 token is not exist; retry at the next pass\n")),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("<4>"), std::string::npos) << "no journal: no priority prefix";
    EXPECT_EQ(ding.requests().size(), 1u);

    EditOutbox("queued", std::to_string(UnixMs() - 25LL * 3600 * 1000));
    r = RunOnce("JOURNAL_STREAM=8:12345");
    EXPECT_EQ(ding.requests().size(), 1u) << "not tried again";
    EXPECT_NE(r.err.find("<3>"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(U8(u8"given up: 钉钉 [m] T1 not delivered within 24 h (tries: 1; last: 300001 token is not exist)")),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("accepted 0, waiting 0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("<"), std::string::npos) << "normal lines carry no prefix: " << r.out;

    r = RunOnce();
    EXPECT_EQ(r.err, "") << "said once";
    EXPECT_EQ(ding.requests().size(), 1u);
}

// Killed at any moment of a first pass and started again: every report
// reaches both services, and at most the one delivery in flight twice.
TEST_F(Deliveries, KilledDuringPushesLosesNothingAndRepeatsAtMostOne) {
    if (!Launcher().empty()) GTEST_SKIP() << "SIGKILL at chosen moments is a POSIX matter";
    dingAnswer = [](int) {
        std::this_thread::sleep_for(milliseconds(3));
        return kDingOk;
    };
    scAnswer = [](int) {
        std::this_thread::sleep_for(milliseconds(3));
        return kScOk;
    };
    // Three keywords of six reports: 18 per service, under DingTalk's pace.
    std::map<std::string, std::string> answers;
    for (int k = 0; k < 3; ++k) answers["%6B%" + std::to_string(30 + k)] = FeedAnswer(Reports(k * 6 + 1, k * 6 + 6));
    RecordingServer keyed{[&](const RecordedRequest& r) {
        for (auto& [query, answer] : answers)
            if (r.Target().find("keyword=" + query + "&") != std::string::npos) return answer;
        return FeedAnswer({});
    }};
    auto configure = [&] {
        WriteConfig("k0#k1#k2", "TOKEN", "SCKEY");
        std::string config = ReadFile(dir / "config.ini");
        config = std::regex_replace(config, std::regex("FeedBase=[^\r]*"), "FeedBase=" + keyed.base());
        WriteFile(dir / "config.ini", config);
    };
    configure();
    auto start = Clock::now();
    ASSERT_EQ(RunOnce().status, 0);
    const long long fullMs = Ms(Clock::now() - start);
    ASSERT_EQ(ding.requests().size(), 18u);

    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<long long> delay(0, fullMs * 1000);
    int kills = 0, repeats = 0, killedWithWork = 0;
    for (auto due = Clock::now() + std::chrono::seconds(15); kills < 8 || (Clock::now() < due && kills < 40);) {
        fs::remove(dir / U8(u8"已爆料商品.ini"));
        fs::remove(Outbox());
        ding.clear();
        sc.clear();
        {
            Program p(exe, {"--headless", "--once"});
            usleep(static_cast<useconds_t>(delay(rng)));
            p.Kill();
        }
        ++kills;
        const size_t before = ding.requests().size() + sc.requests().size();
        killedWithWork += before > 0 && before < 36;
        RunResult r = RunOnce();
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const RecordingServer* service : {&ding, &sc}) {
            std::map<int, int> times;
            for (int n : Delivered(service->requests())) ++times[n];
            for (int n = 1; n <= 18; ++n) {
                ASSERT_GE(times[n], 1) << "after kill " << kills << " report " << n << " never arrived";
                repeats += times[n] - 1;
            }
        }
        ASSERT_LE(repeats, kills) << "more than the one delivery in flight came twice";
        EXPECT_NE(r.out.find("waiting 0"), std::string::npos) << r.out;
    }
    std::printf("%d kills within %lld ms, %d of them during the pushes; %d deliveries repeated\n", kills, fullMs,
                killedWithWork, repeats);
}

// A pause of 0, below 1 or not a number is one second: the site is asked
// about once a second, not a thousand times.
TEST_F(Deliveries, ThePauseIsAtLeastOneSecond) {
    for (const char* interval : {"0", "-3", "x"}) {
        SCOPED_TRACE(interval);
        feed.clear();
        WriteConfig("k", "", "", interval);
        Program p(exe, {"--headless"});
        EXPECT_TRUE(p.WaitForPasses(3, milliseconds(10000))) << p.Output();
        const auto passes = p.Times(" pass: ");
        ASSERT_GE(passes.size(), 3u);
        EXPECT_GE(Ms(passes[2] - passes[1]), 900) << p.Output();
        if (Launcher().empty()) p.Stop(SIGTERM, milliseconds(5000));
        else p.Kill();
        EXPECT_LE(feed.requests().size(), 4u);
        EXPECT_EQ(Count(p.Output(), "no push target set: new reports are only remembered"), 1u) << p.Output();
    }
}

// A delivery whose retry time comes during the pause goes then, not at the
// next pass.
TEST_F(Deliveries, ThePauseEndsEarlyForADueDelivery) {
    // The fingerprint the program keeps of the token "TOKEN".
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : std::string("TOKEN")) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char print[17];
    std::snprintf(print, sizeof print, "%016llx", static_cast<unsigned long long>(h));
    const long long now = UnixMs();
    WriteFile(Outbox(), "[Outbox]\r\nNext=2\r\n[1]\r\ntarget=dingtalk\r\narticle_mall=m\r\narticle_url="
                        "https://deal.example/p/7\r\narticle_title=T7\r\narticle_referrals=r\r\narticle_id=7\r\nqueued=" +
                            std::to_string(now - 600000) + "\r\ntries=2\r\nnext=" + std::to_string(now + 2000) +
                            "\r\nreason=HTTP 502\r\nkey=" + print + "\r\n");
    WriteConfig("k", "TOKEN", "", "600");
    Program p(exe, {"--headless"});
    for (auto due = Clock::now() + std::chrono::seconds(8); ding.requests().empty() && Clock::now() < due;)
        usleep(20000);
    const long long after = Ms(Clock::now() - p.started());
    EXPECT_EQ(Delivered(ding.requests()), std::vector<int>({7})) << p.Output();
    EXPECT_GE(after, 1500) << "not before its time";
    for (auto due = Clock::now() + std::chrono::seconds(2); p.Times("late delivery").empty() && Clock::now() < due;)
        usleep(20000);
    EXPECT_EQ(p.Times(U8(u8"late delivery: 钉钉 [m] T7")).size(), 1u) << p.Output();
    EXPECT_EQ(p.Passes(), 1u) << "still inside the first pause";
    if (Launcher().empty()) p.Stop(SIGTERM, milliseconds(5000));
    else p.Kill();
}

// A keyword whose query fails says why, and the pass line counts it.
TEST_F(Deliveries, FailedKeywordsSayWhy) {
    RecordingServer keyed{[](const RecordedRequest& r) -> std::string {
        const std::string t = r.Target();
        if (t.find("keyword=%61&") != std::string::npos) return Reply("502 Bad Gateway", "<html>\r\n502</html>");
        if (t.find("keyword=%62&") != std::string::npos) return "{\"error_code\":1,\"error_msg\":\"busy\"}";
        if (t.find("keyword=%63&") != std::string::npos) return Reply("200 OK", "<html>oops</html>");
        if (t.find("keyword=%64&") != std::string::npos) return "{\"error_code\":0,\"data\":{\"rows\":7}}";
        return FeedAnswer(Reports(1, 1));
    }};
    WriteConfig("a#b#c#d#e", "", "");
    std::string config = ReadFile(dir / "config.ini");
    WriteFile(dir / "config.ini", std::regex_replace(config, std::regex("FeedBase=[^\r]*"), "FeedBase=" + keyed.base()));
    RunResult r = RunOnce();
    // The times at the start of each line aside.
    const std::string lines = std::regex_replace(r.err, std::regex("(^|\n)[0-9-]+ [0-9:]+ "), "$1");
    EXPECT_EQ(lines,
              "keyword failed: a: HTTP 502\n"
              "keyword failed: b: error_code 1 busy\n"
              "keyword failed: c: not JSON: <html>oops</html>\n"
              "keyword failed: d: no data.rows list in the answer\n");
    EXPECT_NE(r.out.find("pass: keywords 5 (a, b, c, d, e), failed 4, rows 1, new reports 1, accepted 0, waiting 0"),
              std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace pelko

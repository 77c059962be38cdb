// The real program under faults: killed while it writes its store, run in a
// folder that is read-only or full, and pointed at a list API that misbehaves.
// Runs that need POSIX signals or mounts are skipped under PELKO_E2E_LAUNCHER.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <set>
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
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
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

// How the program writes a keyword into the query: every byte as %XX.
std::string QueryForm(const std::string& keyword) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : keyword) out += {'%', kHex[c >> 4], kHex[c & 15]};
    return "keyword=" + out + "&";
}

// A scratch folder with a copy of the program and loopback push services.
class FaultRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("pelko-faults-" + std::to_string(rd()));
        fs::create_directories(dir);
        const char* other = std::getenv("PELKO_E2E_BINARY");
        binary = other && *other ? other : PELKO_BINARY;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path Exe() const { return dir / binary.filename(); }
    void CopyProgram() const { fs::copy_file(binary, Exe(), fs::copy_options::overwrite_existing); }

    // config.ini in code page 936; `services` adds lines to [Services].
    std::string Config(const std::string& keywords, const std::string& feedBase, const std::string& interval,
                       bool push, const std::string& services = "") const {
        return "[Pelko]\r\n关键词=" + keywords + "\r\n扫描数量=5\r\n间隔时间=" + interval + "\r\n分割符号=#\r\n推送=" +
               (push ? "TOKEN" : "") + "\r\nServer酱=" + (push ? "SCKEY" : "") + "\r\n[Services]\r\nFeedBase=" +
               feedBase + "\r\nDingTalkBase=" + ding.base() + "\r\nServerChanBase=" + sc.base() + "\r\n" + services;
    }

    // The writer's temporary files beside `name` in `folder`.
    static std::vector<std::string> Temporaries(const fs::path& folder, const std::string& name) {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(folder)) {
            std::string n = e.path().filename().string();
            if (n.rfind("." + name + ".tmp", 0) == 0) out.push_back(n);
        }
        return out;
    }

    RecordingServer ding{[](const RecordedRequest&) { return std::string("{\"errcode\":0}"); }};
    RecordingServer sc{[](const RecordedRequest&) { return std::string("{\"code\":0}"); }};
    fs::path dir, binary;
};

// --- killed while writing the store -----------------------------------------

// The store's entries in file order: section, key, value.
struct Entry {
    std::string section, key, value;
    bool operator<(const Entry& o) const {
        return std::tie(section, key, value) < std::tie(o.section, o.key, o.value);
    }
};

// Parses a store as the program writes it; false when any line is not a
// whole header, comment or key=value line, or the last line has no CR LF.
bool ParseStore(const std::string& bytes, std::vector<Entry>& entries, std::string& why) {
    entries.clear();
    if (!bytes.empty() && bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) {
        why = "the last line is cut off";
        return false;
    }
    std::string section;
    for (size_t pos = 0; pos < bytes.size();) {
        size_t eol = bytes.find("\r\n", pos);
        std::string line = bytes.substr(pos, eol - pos);
        pos = eol + 2;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            why = "not an entry: '" + line.substr(0, 80) + "'";
            return false;
        }
        entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
    return true;
}

TEST_F(FaultRun, KilledWhileWritingTheStoreLeavesOldOrOldPlusWholeMarks) {
    if (!Launcher().empty()) GTEST_SKIP() << "SIGKILL at chosen moments is a POSIX matter";
    CopyProgram();
    const std::string storeName = U8(u8"已爆料商品.ini");  // as named on disk
    const fs::path store = dir / U8(u8"已爆料商品.ini");

    // About 12 MB, so that each rewrite takes a while and kills land inside one.
    std::string old = "; reports already pushed\r\n[京东]\r\n1=alice\r\n";
    for (int s = 0; s < 4000; ++s) {
        old += "[S" + std::to_string(10000 + s) + "]\r\n";
        for (int k = 0; k < 120; ++k) old += std::to_string(s * 1000 + k) + "=reporter-" + std::to_string(k) + "\r\n";
    }

    // Five keywords, four new reports each: in an existing shop, in a new
    // one, without a shop, and in 京东.  Every keyword's marks are one write.
    const int kKeywords = 5;
    std::vector<std::string> keywords;
    std::map<std::string, std::string> answers;
    for (int k = 0; k < kKeywords; ++k) {
        keywords.push_back("kw" + std::to_string(k));
        std::string id = "new" + std::to_string(k) + "-";
        answers[QueryForm(keywords.back())] = FeedAnswer({
            {.mall = "S10007", .id = id + "a", .referrals = "ra"},
            {.mall = U8(u8"新店") + std::to_string(k), .id = id + "b", .referrals = "rb"},
            {.mall = "", .id = id + "c", .referrals = "rc"},
            {.mall = U8(u8"京东"), .id = id + "d", .referrals = "rd"},
        });
    }
    RecordingServer feed{[&](const RecordedRequest& r) {
        for (auto& [query, answer] : answers)
            if (r.Target().find(query) != std::string::npos) return answer;
        return FeedAnswer({});
    }};
    auto join = [&](int n) {
        std::string out;
        for (int k = 0; k < n; ++k) out += (k ? "#" : "") + keywords[k];
        return out;
    };
    auto runOnce = [&]() {
        Program p(Exe(), {"--headless", "--once"});
        return p.Stop(0, milliseconds(30000));
    };

    // What the store holds after the marks of the first j keywords: a run
    // asking only those keywords writes exactly that.
    std::vector<std::string> states;
    Clock::duration fullRun{};
    for (int j = 0; j <= kKeywords; ++j) {
        WriteFile(dir / "config.ini", Config(join(j), feed.base(), "1", false));
        WriteFile(store, old);
        auto start = Clock::now();
        int status = runOnce();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        if (j == kKeywords) fullRun = Clock::now() - start;
        states.push_back(ReadFile(store));
        if (j > 0) {
            ASSERT_NE(states[j], states[j - 1]) << "keyword " << j << " wrote no marks";
        }
    }
    std::vector<Entry> oldEntries;
    std::string why;
    ASSERT_TRUE(ParseStore(old, oldEntries, why)) << why;

    // Kills spread over the whole run, until the time set aside is used.
    std::mt19937 rng(std::random_device{}());
    const long long spreadUs = std::max<long long>(Ms(fullRun) * 1100, 20000);
    std::uniform_int_distribution<long long> delay(0, spreadUs);
    std::vector<int> seen(kKeywords + 1);
    int kills = 0, writing = 0;
    const auto budget = Clock::now() + std::chrono::seconds(25);
    while (kills < 12 || (Clock::now() < budget && kills < 150)) {
        WriteFile(store, old);
        {
            Program p(Exe(), {"--headless", "--once"});
            usleep(static_cast<useconds_t>(delay(rng)));
            p.Kill();
        }
        ++kills;
        writing += !Temporaries(dir, storeName).empty();
        const std::string now = ReadFile(store);
        auto state = std::find(states.begin(), states.end(), now);
        if (state != states.end()) {
            ++seen[state - states.begin()];
            continue;
        }
        // Not one of the states a finished write gives: say what is wrong.
        std::vector<Entry> entries;
        ASSERT_TRUE(ParseStore(now, entries, why)) << "after kill " << kills << ": " << why;
        std::set<Entry> have(entries.begin(), entries.end());
        for (const Entry& e : oldEntries)
            ASSERT_TRUE(have.count(e)) << "after kill " << kills << " lost [" << e.section << "] " << e.key;
        FAIL() << "after kill " << kills << " the store (" << now.size()
               << " bytes) is none of the states between whole writes";
    }
    std::string spread;
    for (int n : seen) spread += " " + std::to_string(n);
    std::printf("%d kills within %lld ms; store with the marks of 0..%d keywords:%s; %d left a temporary file\n",
                kills, spreadUs / 1000, kKeywords, spread.c_str(), writing);

    // A normal run afterwards finishes the work and tidies up after the kills.
    WriteFile(store, states[2]);
    int status = runOnce();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFile(store), states[kKeywords]) << "the marks still missing are added, none twice";
    EXPECT_EQ(Temporaries(dir, storeName), std::vector<std::string>{}) << "temporary files of killed runs remain";
}

// --- a folder that cannot be written ----------------------------------------

// A small tmpfs as the program's folder: the program is copied into it, so
// that it keeps its settings and store there.
class FaultyFolder : public FaultRun {
protected:
    void SetUp() override {
        FaultRun::SetUp();
        if (!Launcher().empty()) GTEST_SKIP() << "mounts and signals are a POSIX matter";
        const auto room = fs::file_size(binary) + (256u << 10);
        const std::string options = "size=" + std::to_string(room) + ",mode=0755";
        if (mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << strerror(errno) << "); run as root to test this";
        mounted = true;
        CopyProgram();
    }
    void TearDown() override {
        if (mounted) umount2(dir.c_str(), MNT_DETACH);
        FaultRun::TearDown();
    }
    bool mounted = false;
};

// Each fault is put in place after the files, and taken away again later.
struct FolderFault {
    const char* name;
    std::function<bool(const fs::path&, std::string&)> apply, undo;
};

bool Remount(const fs::path& dir, unsigned long flags, std::string& why) {
    if (mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | flags, nullptr) == 0) return true;
    why = strerror(errno);
    return false;
}

bool FillUp(const fs::path& dir, std::string& why) {
    int fd = open((dir / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {}
    int err = errno;
    close(fd);
    if (err == ENOSPC) return true;
    why = strerror(err);
    return false;
}

const FolderFault kFolderFaults[] = {
    {"read-only folder", [](const fs::path& d, std::string& why) { return Remount(d, MS_RDONLY, why); },
     [](const fs::path& d, std::string& why) { return Remount(d, 0, why); }},
    {"full disk", FillUp,
     [](const fs::path& d, std::string&) { return fs::remove(d / "filler"); }},
};

TEST_F(FaultyFolder, MonitoringGoesOnWithoutPushingTwiceAndTheFilesStayWhole) {
    RecordingServer feed{[](const RecordedRequest&) {
        return FeedAnswer({{.mall = U8(u8"京东"), .id = "7", .referrals = "alice"},
                           {.mall = "Shop", .id = "8", .referrals = "bob"}});
    }};
    const fs::path store = dir / U8(u8"已爆料商品.ini");
    const std::string config = Config("Drumvel", feed.base(), "0", true);
    const std::string oldStore = "; " + std::string(20000, '-') + "\r\n[京东]\r\n1=alice\r\n";
    for (const FolderFault& fault : kFolderFaults) {
        SCOPED_TRACE(fault.name);
        WriteFile(dir / "config.ini", config);
        WriteFile(store, oldStore);
        ding.clear();
        sc.clear();
        std::string why;
        ASSERT_TRUE(fault.apply(dir, why)) << why;

        Program p(Exe(), {"--headless"});
        EXPECT_TRUE(p.WaitForPasses(5, milliseconds(20000))) << p.Output();
        EXPECT_EQ(ReadFile(dir / "config.ini"), config);
        EXPECT_EQ(ReadFile(store), oldStore);
        EXPECT_EQ(ding.requests().size(), 2u) << "each new report pushed once, however often the store fails";
        EXPECT_EQ(sc.requests().size(), 2u);
        EXPECT_EQ(p.Times("new reports 2,").size(), 1u) << p.Output();

        // Once the folder can be written again, the marks kept in memory reach it.
        ASSERT_TRUE(fault.undo(dir, why)) << why;
        auto written = [&] { return ReadFile(store).find("\r\n8=bob\r\n") != std::string::npos; };
        for (auto due = Clock::now() + std::chrono::seconds(10); !written() && Clock::now() < due;) usleep(20000);
        EXPECT_TRUE(written()) << ReadFile(store).substr(20000);
        int status = p.Stop(SIGTERM, milliseconds(5000));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << p.Output();
        EXPECT_EQ(ding.requests().size(), 2u);
        EXPECT_EQ(ReadFile(store), oldStore + "7=alice\r\n[Shop]\r\n8=bob\r\n");
        EXPECT_EQ(Temporaries(dir, U8(u8"已爆料商品.ini")), std::vector<std::string>{});
    }
}

// --- a list API that misbehaves ---------------------------------------------

// A loopback server that reads a request and then does what it is told; each
// connection has a thread of its own, so slow answers do not hold others up.
class RudeServer {
public:
    using Behaviour = std::function<void(int fd, const std::string& target, const std::atomic<bool>& stop)>;

    explicit RudeServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
        listen_ = testing::ListenOnLoopback(port_);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~RudeServer() {
        stop_ = true;
        acceptor_.join();
        for (auto& t : handlers_) t.join();
        close(listen_);
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int connections() const { return connections_; }

    static void Send(int fd, const std::string& bytes) {
        for (size_t sent = 0; sent < bytes.size();) {
            ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<size_t>(n);
        }
    }
    // Waits up to `ms`, shorter when told to stop; false when stopped.
    static bool Pause(int ms, const std::atomic<bool>& stop) {
        for (auto due = Clock::now() + milliseconds(ms); Clock::now() < due;) {
            if (stop) return false;
            usleep(10000);
        }
        return !stop;
    }

private:
    void Accept() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            ++connections_;
            handlers_.emplace_back([this, fd] {
                std::string head;
                char buf[4096];
                while (head.find("\r\n\r\n") == std::string::npos) {
                    pollfd p{fd, POLLIN, 0};
                    ssize_t n = poll(&p, 1, 5000) > 0 ? recv(fd, buf, sizeof buf, 0) : 0;
                    if (n <= 0) return (void)close(fd);
                    head.append(buf, static_cast<size_t>(n));
                }
                size_t a = head.find(' '), b = head.find(' ', a + 1);
                behaviour_(fd, head.substr(a + 1, b - a - 1), stop_);
                close(fd);
            });
        }
    }

    Behaviour behaviour_;
    int listen_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::vector<std::thread> handlers_;
};

std::string Head(const std::string& status, const std::string& more = "") {
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\n" + more + "Connection: close\r\n\r\n";
}

const int kIdleMs = 400, kTotalMs = 1500;

struct Misbehaviour {
    const char* name;
    RudeServer::Behaviour behaviour;
};

const std::string kRows = FeedAnswer({{.mall = "Shop", .id = "1", .referrals = "alice"}});

const Misbehaviour kMisbehaviours[] = {
    {"connection reset after the request",
     [](int fd, const std::string&, const std::atomic<bool>&) {
         linger hard{1, 0};
         setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
     }},
    {"closed without an answer", [](int, const std::string&, const std::atomic<bool>&) {}},
    {"half a body, then closed",
     [](int fd, const std::string&, const std::atomic<bool>&) {
         RudeServer::Send(fd, Head("200 OK", "Content-Length: " + std::to_string(kRows.size() * 2) + "\r\n") + kRows);
     }},
    {"headers, then silence past the idle limit",
     [](int fd, const std::string&, const std::atomic<bool>& stop) {
         RudeServer::Send(fd, Head("200 OK", "Content-Length: 100\r\n") + "{\"data\":");
         RudeServer::Pause(kTotalMs * 4, stop);
     }},
    {"no answer at all past the idle limit",
     [](int, const std::string&, const std::atomic<bool>& stop) { RudeServer::Pause(kTotalMs * 4, stop); }},
    {"a byte now and then, past the total limit",
     [](int fd, const std::string&, const std::atomic<bool>& stop) {
         RudeServer::Send(fd, Head("200 OK", "Content-Length: 100000\r\n"));
         for (int i = 0; i < 400 && RudeServer::Pause(kIdleMs / 4, stop); ++i) RudeServer::Send(fd, " ");
     }},
    {"redirect to itself",
     [](int fd, const std::string& target, const std::atomic<bool>&) {
         RudeServer::Send(fd, Head("302 Found", "Location: " + target + "\r\nContent-Length: 0\r\n"));
     }},
    {"not JSON",
     [](int fd, const std::string&, const std::atomic<bool>&) {
         RudeServer::Send(fd, Head("200 OK", "Content-Length: 17\r\n") + "<html>oops</html>");
     }},
    {"JSON of another shape",
     [](int fd, const std::string&, const std::atomic<bool>&) {
         const std::string body = "{\"data\":{\"rows\":{\"0\":[1,2,{\"article_id\":null}]}},\"error_code\":\"x\"}";
         RudeServer::Send(fd, Head("200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body);
     }},
    {"not HTTP", [](int fd, const std::string&, const std::atomic<bool>&) { RudeServer::Send(fd, "SSH-2.0\r\n\r\n"); }},
    {"endless body beyond the size cap",
     [](int fd, const std::string&, const std::atomic<bool>& stop) {
         RudeServer::Send(fd, Head("200 OK"));
         const std::string chunk(1 << 16, 'x');
         for (int i = 0; i < 1024 && !stop; ++i) {
             if (send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) return;
         }
     }},
};

TEST_F(FaultRun, MisbehavingListApiNeitherStopsNorStallsTheLoop) {
    CopyProgram();
    const std::string limits = "ConnectTimeoutMs=1000\r\nIdleTimeoutMs=" + std::to_string(kIdleMs) +
                               "\r\nTotalTimeoutMs=" + std::to_string(kTotalMs) + "\r\n";
    // A pass is one request; it may take the total limit and some slack for
    // a busy machine, never the built-in limits of half a minute and more.
    const long long kPassLimitMs = kTotalMs + 2500;
    for (const Misbehaviour& m : kMisbehaviours) {
        SCOPED_TRACE(m.name);
        RudeServer feed(m.behaviour);
        WriteFile(dir / "config.ini", Config("Drumvel", feed.base(), "0", true, limits));
        fs::remove(dir / U8(u8"已爆料商品.ini"));
        ding.clear();
        Program p(Exe(), {"--headless"});
        EXPECT_TRUE(p.WaitForPasses(3, milliseconds(3 * kPassLimitMs + 5000))) << p.Output();
        auto passes = p.Times(" pass: ");
        auto last = p.Times("running without a window");
        Clock::time_point previous = last.empty() ? p.started() : last.front();
        long long longest = 0;
        for (auto at : passes) {
            EXPECT_LE(Ms(at - previous), kPassLimitMs) << p.Output();
            longest = std::max(longest, Ms(at - previous));
            previous = at;
        }
        std::printf("%-45s %zu passes, the longest %lld ms\n", m.name, passes.size(), longest);
        EXPECT_GE(feed.connections(), 3);
        if (Launcher().empty()) {
            auto asked = Clock::now();
            int status = p.Stop(SIGTERM, milliseconds(kPassLimitMs));
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << p.Output();
            EXPECT_LE(Ms(Clock::now() - asked), kPassLimitMs);
        }
        EXPECT_TRUE(ding.requests().empty()) << "nothing came that could be pushed";
        EXPECT_EQ(p.Times("new: ").size(), 0u) << p.Output();
    }
}

}  // namespace
}  // namespace pelko

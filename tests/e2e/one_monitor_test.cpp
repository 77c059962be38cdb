// Two copies of the real program on one folder: the second to start
// monitoring refuses, and the folder is free again once the first has gone,
// even when it was killed.  PELKO_E2E_LAUNCHER runs the Windows build.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/feed_answer.h"
#include "support/recording_server.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using testing::FeedAnswer;
using testing::RecordedRequest;
using testing::RecordingServer;
using testing::U8;

std::string Launcher() {
    const char* v = std::getenv("PELKO_E2E_LAUNCHER");
    return v ? v : "";
}

class OneMonitorPerFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        root = fs::temp_directory_path() / ("pelko-e2e-" + std::to_string(rd()));
        const char* given = std::getenv("PELKO_E2E_BINARY");
        binary = given && *given ? given : PELKO_BINARY;
        for (const char* name : {"a", "b"}) {
            fs::create_directories(root / name);
            fs::copy_file(binary, root / name / binary.filename());
            // A long pause: a monitor between passes still holds its folder.
            std::ofstream(root / name / "config.ini", std::ios::binary)
                << "[Pelko]\r\n关键词=Drumvel\r\n扫描数量=1\r\n间隔时间=600\r\n[Services]\r\nFeedBase=" << feed.base()
                << "\r\n";
        }
    }
    void TearDown() override {
        for (pid_t pid : started)
            if (kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    std::vector<std::string> Words(const std::string& folder, const char* mode) const {
        std::vector<std::string> words;
        if (!Launcher().empty()) words.push_back(Launcher());
        words.push_back((root / folder / binary.filename()).string());
        words.push_back("--headless");
        if (*mode) words.push_back(mode);
        return words;
    }

    // A monitor that keeps running, its output discarded.
    pid_t Start(const std::string& folder) {
        std::vector<std::string> words = Words(folder, "");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        started.push_back(pid);
        return pid;
    }

    // One pass in `folder`: the exit status, with stdout and stderr in `out`.
    int Once(const std::string& folder, std::string& out) {
        std::string cmd;
        for (const std::string& w : Words(folder, "--once")) cmd += "'" + w + "' ";
        FILE* p = popen((cmd + "2>&1").c_str(), "r");
        out.clear();
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        int status = pclose(p);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Waits until the list API has seen `count` requests in all.
    bool WaitForRequests(size_t count) {
        for (int i = 0; i < 1500 && feed.requests().size() < count; ++i) usleep(20000);
        return feed.requests().size() >= count;
    }

    RecordingServer feed{[](const RecordedRequest&) { return FeedAnswer({}); }};
    fs::path root, binary;
    std::vector<pid_t> started;
};

TEST_F(OneMonitorPerFolder, SecondRefusesUntilTheFirstIsKilled) {
    const pid_t first = Start("a");
    ASSERT_TRUE(WaitForRequests(1)) << "the first monitor never asked the list API";

    std::string out;
    EXPECT_EQ(Once("a", out), 3) << out;
    EXPECT_NE(out.find(U8(u8"这个文件夹已有另一个监控在运行")), std::string::npos) << out;
    EXPECT_EQ(feed.requests().size(), 1u) << "the refused monitor asked the list API";

    // Another folder is another monitor's business.
    EXPECT_EQ(Once("b", out), 0) << out;
    EXPECT_EQ(feed.requests().size(), 2u);

    // A killed monitor cannot release anything itself: the system must.
    ASSERT_EQ(kill(first, SIGKILL), 0);
    waitpid(first, nullptr, 0);
    EXPECT_EQ(Once("a", out), 0) << out;
    EXPECT_EQ(feed.requests().size(), 3u) << out;
    EXPECT_TRUE(fs::exists(root / "a" / "pelko-monitor.lock"));
}

}  // namespace
}  // namespace pelko

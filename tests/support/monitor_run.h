// Running the real program once without a window against loopback stand-ins
// for the list API, DingTalk and ServerChan, with its files wherever a test
// puts them.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "support/feed_answer.h"
#include "support/recording_server.h"

namespace pelko::testing {

// The name of the store on disk (UTF-8).
inline const std::filesystem::path kStoreName = std::filesystem::path(u8"已爆料商品.ini");

inline std::filesystem::path FreshFolder(const std::string& stem) {
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() / (stem + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command; its exit status, or -1 when it did not exit.
inline int RunCommand(const std::string& command, std::string& output) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    output.clear();
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One keyword with one new report, and two push services that accept it.
class LoopbackServices {
public:
    // config.ini (code page 936, as the program writes it) pointing at the
    // stand-ins, with both push targets set.
    void WriteConfig(const std::filesystem::path& file) const {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            << "[Pelko]\r\n关键词=Drumvel\r\n扫描数量=5\r\n间隔时间=1\r\n分割符号=#\r\n推送=TOKEN\r\nServer酱=SCKEY\r\n"
            << "[Services]\r\nFeedBase=" << feed.base() << "\r\nDingTalkBase=" << ding.base()
            << "\r\nServerChanBase=" << sc.base() << "/\r\n";
    }

    RecordingServer feed{[](const RecordedRequest&) {
        return FeedAnswer({{.mall = U8(u8"京东"), .id = "1", .referrals = "alice"}});
    }};
    RecordingServer ding{[](const RecordedRequest&) { return std::string("{\"errcode\":0}"); }};
    RecordingServer sc{[](const RecordedRequest&) { return std::string("{\"code\":0}"); }};
};

}  // namespace pelko::testing

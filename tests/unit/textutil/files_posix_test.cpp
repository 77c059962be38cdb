// The POSIX file backend and how the INI writer survives its failures.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"
#include "textutil/codepage_os.h"
#include "textutil/files_os.h"
#include "textutil/ini.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;

size_t EntriesIn(const fs::path& dir) {
    size_t n = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

// Writes fail past `bytes` bytes while it lives (works as root, unlike modes).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_;
    sighandler_t oldHandler_;
};

class PosixFiles : public ::testing::Test {
protected:
    testing::TempRunDirectory dir_;
    const Text base_ = ProgramDirectory();
};

TEST_F(PosixFiles, BackslashesAreFolderSeparatorsAfterConversion) {
    // A character whose trail byte is 0x5C must not be cut into two names.
    const Text name = "\x81\x5C";
    const std::u16string unit = os::DecodeToUtf16(name, 936);
    ASSERT_EQ(unit.size(), 1u);
    ASSERT_NE(unit[0], u'\uFFFD');
    fs::create_directory(dir_.path() / "sub");
    ASSERT_TRUE(os::ReplaceFile(base_ + "\\sub\\" + name + ".txt", "data"));
    const std::string utf8 = os::EncodeFromUtf16(unit, 65001);
    std::string read;
    ASSERT_TRUE(os::ReadWholeFile(base_ + "/sub/" + name + ".txt", read));
    EXPECT_EQ(read, "data");
    EXPECT_TRUE(fs::exists(dir_.path() / "sub" / fs::path(std::u8string(utf8.begin(), utf8.end()) + u8".txt")));
    EXPECT_EQ(EntriesIn(dir_.path() / "sub"), 1u);
}

TEST_F(PosixFiles, ReadStatAndReplace) {
    std::string out = "untouched";
    EXPECT_FALSE(os::ReadWholeFile(base_ + "\\none", out));
    EXPECT_FALSE(os::ReadWholeFile(base_, out));  // a folder is no file
    EXPECT_EQ(out, "untouched");
    os::FileStamp first, second;
    EXPECT_FALSE(os::StatFile(base_ + "\\none", first));
    EXPECT_FALSE(os::StatFile(base_, first));

    const std::string data("a\0b\r\n", 5);
    ASSERT_TRUE(os::ReplaceFile(base_ + "\\f", data));
    ASSERT_TRUE(os::StatFile(base_ + "\\f", first));
    EXPECT_EQ(first.size, 5u);
    fs::permissions(dir_.path() / "f", fs::perms(0640));
    ASSERT_TRUE(os::ReplaceFile(base_ + "\\f", "new"));
    ASSERT_TRUE(os::StatFile(base_ + "\\f", second));
    EXPECT_NE(first, second);  // a new inode at least
    EXPECT_EQ(fs::status(dir_.path() / "f").permissions(), fs::perms(0640));  // permissions kept
    ASSERT_TRUE(os::ReadWholeFile(base_ + "\\f", out));
    EXPECT_EQ(out, "new");
    EXPECT_EQ(EntriesIn(dir_.path()), 1u);  // no temporary file left
    EXPECT_FALSE(os::ReplaceFile(base_ + "\\no-such-folder\\f", "x"));
}

TEST_F(PosixFiles, FailedRenameLeavesNoTemporaryFile) {
    fs::create_directories(dir_.path() / "config.ini" / "inside");
    EXPECT_FALSE(os::ReplaceFile(base_ + "\\config.ini", "x"));
    EXPECT_FALSE(WriteIniValue(base_ + "\\config.ini", "Pelko", Text("k"), Text("v")));
    EXPECT_TRUE(fs::is_directory(dir_.path() / "config.ini" / "inside"));
    EXPECT_EQ(EntriesIn(dir_.path()), 1u);
}

TEST_F(PosixFiles, FailedWriteLeavesTheOldFileWhole) {
    const Text file = base_ + "\\config.ini";
    const std::string old = "; mine\r\n[Pelko]\r\nk=old\r\n";
    dir_.Write(u8"config.ini", old);
    EXPECT_EQ(ReadIniValue(file, "Pelko", "k"), "old");  // now cached
    {
        FileSizeLimit limit(old.size() + 10);
        EXPECT_FALSE(os::ReplaceFile(file, std::string(4096, 'x')));
        EXPECT_FALSE(WriteIniValue(file, "Pelko", Text("k"), Text(4096, 'n')));
    }
    EXPECT_EQ(dir_.Read(u8"config.ini"), old);
    EXPECT_EQ(EntriesIn(dir_.path()), 1u);
    // The cache holds what is on disk, not the write that failed.
    EXPECT_EQ(ReadIniValue(file, "Pelko", "k"), "old");
    ASSERT_TRUE(WriteIniValue(file, "Pelko", Text("k2"), Text("v")));
    EXPECT_EQ(dir_.Read(u8"config.ini"), old + "k2=v\r\n");
}

// A writer killed before its rename leaves its temporary file; the next write
// of the same file removes those whose process is gone, and nothing else.
TEST_F(PosixFiles, WriteRemovesTemporariesOfDeadWritersOnly) {
    pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), self = std::to_string(getpid());
    const struct {
        std::string name;
        bool removed;
    } files[] = {
        {".config.ini.tmp" + dead + "-0-123", true},
        {".config.ini.tmp" + dead + "-17-9", true},
        {".config.ini.tmp1-0-5", false},  // pid 1 lives
        {".config.ini.tmp" + self + "-0-5", false},
        {".store.ini.tmp" + dead + "-0-1", false},  // another file's
        {".config.ini.tmp" + dead + "-0", false},  // not the writer's pattern
        {".config.ini.tmp" + dead + "-0-1x", false},
        {".config.ini.tmpnotes", false},
        {"config.ini.tmp" + dead + "-0-1", false},
    };
    for (const auto& f : files) std::ofstream(dir_.path() / f.name) << "partial";
    ASSERT_TRUE(os::ReplaceFile(base_ + "\\config.ini", "new"));
    for (const auto& f : files) EXPECT_EQ(!fs::exists(dir_.path() / f.name), f.removed) << f.name;
    EXPECT_EQ(dir_.Read(u8"config.ini"), "new");
}

}  // namespace
}  // namespace pelko

#endif

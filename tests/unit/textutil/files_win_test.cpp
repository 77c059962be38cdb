// The Windows file, clock and console backends.
#ifdef _WIN32

#include <windows.h>
#undef ReplaceFile

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"
#include "textutil/clock_os.h"
#include "textutil/files_os.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using testing::TempRunDirectory;

Text Folder(const TempRunDirectory& dir) { return dir.path().string(); }

size_t EntriesIn(const fs::path& dir) {
    size_t n = 0;
    for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

TEST(WinFiles, ChineseNamesReachTheDiskAsThemselves) {
    TempRunDirectory dir;
    const Text name = Folder(dir) + "\\已爆料商品.ini";  // code page 936 bytes
    ASSERT_TRUE(os::ReplaceFile(name, std::string("a\0b", 3)));
    EXPECT_TRUE(dir.Exists(u8"已爆料商品.ini"));  // the wide name, not the bytes read as another code page
    std::string back;
    ASSERT_TRUE(os::ReadWholeFile(name, back));
    EXPECT_EQ(back, std::string("a\0b", 3));
    // Either separator works.
    ASSERT_TRUE(os::ReadWholeFile(Folder(dir) + "/已爆料商品.ini", back));
}

TEST(WinFiles, ReplacingIsAllOrNothing) {
    TempRunDirectory dir;
    const Text name = Folder(dir) + "\\config.ini";
    ASSERT_TRUE(os::ReplaceFile(name, "old"));
    ASSERT_TRUE(os::ReplaceFile(name, "new"));
    std::string back;
    ASSERT_TRUE(os::ReadWholeFile(name, back));
    EXPECT_EQ(back, "new");

    // A read-only file keeps its content, and no temporary file is left behind.
    SetFileAttributesW((dir.path() / "config.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(os::ReplaceFile(name, "newer"));
    ASSERT_TRUE(os::ReadWholeFile(name, back));
    EXPECT_EQ(back, "new");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    SetFileAttributesW((dir.path() / "config.ini").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_FALSE(os::ReplaceFile(Folder(dir) + "\\missing\\config.ini", "x"));
    EXPECT_FALSE(os::ReadWholeFile(Folder(dir) + "\\missing.ini", back));
    EXPECT_FALSE(os::ReadWholeFile(Folder(dir), back));  // a folder is no file
}

// A writer killed before its rename leaves its temporary file; the next write
// of the same file removes those whose process is gone, and nothing else.
TEST(WinFiles, WriteRemovesTemporariesOfDeadWritersOnly) {
    TempRunDirectory dir;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    wchar_t command[] = L"cmd.exe /c exit 0";
    ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &child));
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);  // the id may now name nothing
    const std::string dead = std::to_string(child.dwProcessId), self = std::to_string(GetCurrentProcessId());
    const struct {
        std::string name;
        bool removed;
    } files[] = {
        {"config.ini.tmp" + dead + "-0", true},
        {"config.ini.tmp" + dead + "-17", true},
        {"config.ini.tmp" + self + "-0", false},
        {"store.ini.tmp" + dead + "-0", false},  // another file's
        {"config.ini.tmp" + dead, false},  // not the writer's pattern
        {"config.ini.tmp" + dead + "-0x", false},
        {"config.ini.tmpnotes", false},
    };
    for (const auto& f : files) std::ofstream(dir.path() / f.name) << "partial";
    ASSERT_TRUE(os::ReplaceFile(Folder(dir) + "\\config.ini", "new"));
    for (const auto& f : files) EXPECT_EQ(!fs::exists(dir.path() / f.name), f.removed) << f.name;
    EXPECT_EQ(dir.Read(u8"config.ini"), "new");
}

TEST(WinFiles, StampsTellReplacedContentApart) {
    TempRunDirectory dir;
    const Text name = Folder(dir) + "\\s.ini";
    os::FileStamp a, b;
    EXPECT_FALSE(os::StatFile(name, a));
    ASSERT_TRUE(os::ReplaceFile(name, "12345"));
    ASSERT_TRUE(os::StatFile(name, a));
    EXPECT_EQ(a.size, 5u);
    ASSERT_TRUE(os::ReplaceFile(name, "54321"));  // same size, at once
    ASSERT_TRUE(os::StatFile(name, b));
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(os::StatFile(Folder(dir), a));
}

TEST(WinFiles, ExecutablePathNamesThisProgram) {
    Text path = os::ExecutablePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_TRUE(fs::exists(fs::path(path)));
}

TEST(WinClock, PicturesAndLocalTime) {
    CivilTime t;
    t.year = 2020, t.month = 9, t.day = 3, t.hour = 20, t.minute = 6, t.second = 4, t.dayOfWeek = 4;
    EXPECT_EQ(os::FormatDatePicture(t, "yyyy-MM-dd "), "2020-09-03 ");
    EXPECT_EQ(os::FormatDatePicture(t, "yyyy年M月d日"), "2020年9月3日");  // literal Chinese survives any code page
    EXPECT_EQ(os::FormatTimePicture(t, "HH:mm:ss", false), "20:06:04");
    EXPECT_EQ(os::FormatTimePicture(t, "hh:mm:ss", false), "08:06:04");
    EXPECT_EQ(os::FormatTimePicture(t, "hh:mm:ss", true), "20:06:04");
    t.year = 1500;  // before the Win32 calendar
    EXPECT_EQ(os::FormatDatePicture(t, "yyyy-MM-dd"), "1500-09-03");

    // The local time of an instant is that instant moved by the zone's offset.
    CivilTime local;
    ASSERT_TRUE(os::LocalTimeOf(1600000000, local));
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    int minutesOfDay = local.hour * 60 + local.minute;
    int utcMinutes = 3 * 60 + 26;  // 1600000000 is 2020-09-13 12:26:40 UTC
    int offset = ((minutesOfDay - (utcMinutes + 9 * 60)) % 1440 + 1440 + 720) % 1440 - 720;
    EXPECT_LE(std::abs(offset + tz.Bias), 60) << "offset " << offset << " bias " << tz.Bias;  // DST may add an hour
    EXPECT_EQ(local.second, 40);
    EXPECT_FALSE(os::LocalTimeOf(-20000000000LL, local));  // before 1601
}

}  // namespace
}  // namespace pelko

#endif  // _WIN32

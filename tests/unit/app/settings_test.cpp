#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "config/paths.h"
#include "support/fake_window.h"
#include "support/temp_dir.h"
#include "textutil/ini.h"

namespace pelko {
namespace {

using testing::FakeWindow;

// The boxes in file order, with the key each one is stored under.
const std::vector<std::pair<Control, Text>> kBoxes = {
    {Control::编辑框_关键词, "关键词"},     {Control::编辑框_扫描数量, "扫描数量"},
    {Control::编辑框_间隔时间, "间隔时间"}, {Control::编辑框_分割符号, "分割符号"},
    {Control::编辑框_推送, "推送"},         {Control::编辑框_Server酱, "Server酱"},
    {Control::编辑框_钉钉加签, "钉钉加签"},
};

class SettingsTest : public ::testing::Test {
protected:
    // Distinct texts, so a box filled from the wrong key shows.
    void FillBoxes(FakeWindow& w, const Text& prefix) {
        for (auto& [box, key] : kBoxes) w.texts[box] = prefix + key;
    }

    testing::TempRunDirectory dir;
    FakeWindow window;
};

TEST_F(SettingsTest, LoadWithoutFileKeepsBoxesAndCreatesNothing) {
    FillBoxes(window, "before-");
    LoadSettings(window);
    for (auto& [box, key] : kBoxes) EXPECT_EQ(window.texts[box], "before-" + key);
    EXPECT_FALSE(dir.Exists(u8"config.ini"));
}

TEST_F(SettingsTest, LoadFillsOnlyTheKeysPresentInPelko) {
    // Same key names in another section must not leak in; an empty value is a
    // value (the box empties), a missing key is not.
    dir.Write(u8"config.ini",
              "[Services]\r\n关键词=wrong\r\n推送=wrong\r\n"
              "[Pelko]\r\n扫描数量=5a\r\n推送=\r\nServer酱=SCKEY\r\n");
    FillBoxes(window, "before-");
    LoadSettings(window);
    EXPECT_EQ(window.texts[Control::编辑框_关键词], "before-关键词");
    EXPECT_EQ(window.texts[Control::编辑框_扫描数量], "5a");
    EXPECT_EQ(window.texts[Control::编辑框_间隔时间], "before-间隔时间");
    EXPECT_EQ(window.texts[Control::编辑框_分割符号], "before-分割符号");
    EXPECT_EQ(window.texts[Control::编辑框_推送], "");
    EXPECT_EQ(window.texts[Control::编辑框_Server酱], "SCKEY");
    EXPECT_EQ(window.texts[Control::编辑框_钉钉加签], "before-钉钉加签") << "a file saved before signing existed";
}

TEST_F(SettingsTest, SaveWritesEveryKeyAsCodePage936WithEmptyValues) {
    RestoreDefaults(window);
    SaveSettings(window);
    EXPECT_EQ(dir.Read(u8"config.ini"),
              "[Pelko]\r\n关键词=Drumvel#绝对值\r\n扫描数量=1\r\n间隔时间=3\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n钉钉加签=\r\n");
    // The bytes themselves, not only the literal: 关键词 in code page 936.
    EXPECT_NE(dir.Read(u8"config.ini").find("\xB9\xD8\xBC\xFC\xB4\xCA="), std::string::npos);
}

TEST_F(SettingsTest, SaveThenLoadRestoresEveryBoxIncludingEmptyOnes) {
    FillBoxes(window, "v-");
    window.texts[Control::编辑框_推送] = "";
    window.texts[Control::编辑框_扫描数量] = "5a";  // saved as typed, not as a number
    SaveSettings(window);

    FakeWindow next;
    FillBoxes(next, "stale-");
    LoadSettings(next);
    for (auto& [box, key] : kBoxes) EXPECT_EQ(next.texts[box], window.texts[box]) << key;
}

TEST_F(SettingsTest, SaveKeepsOtherSectionsAndReplacesOldValues) {
    dir.Write(u8"config.ini",
              "[Services]\r\nFeedBase=http://127.0.0.1:1\r\n"
              "[Pelko]\r\n关键词=old\r\n扫描数量=9\r\n");
    FillBoxes(window, "new-");
    SaveSettings(window);
    EXPECT_EQ(ReadIniValue(ConfigPath(), "Services", "FeedBase"), "http://127.0.0.1:1");
    for (auto& [box, key] : kBoxes) EXPECT_EQ(ReadIniValue(ConfigPath(), "Pelko", key), "new-" + key);
}

// One replacement of the file must give exactly the bytes that writing the
// keys one by one gives, whatever the file held before.
TEST_F(SettingsTest, SaveInOneWriteGivesTheBytesOfSingleWrites) {
    const std::string kPadding = "[Padding]\r\n" + std::string(3000, 'p') + "=1\r\n";
    const struct {
        const char* what;
        Opt<std::string> before;  // nothing: no file
    } cases[] = {
        {"no file", std::nullopt},
        {"empty file", ""},
        {"other sections only", "[Services]\r\nFeedBase=http://127.0.0.1:1\r\n" + kPadding},
        {"some keys, other case and order, blanks",
         "; settings\r\n[pelko]\r\nServer酱 = old\r\n扫描数量=9\r\n\r\n; end\r\n[Services]\r\nX=1\r\n"},
        {"section twice, keys split", "[Pelko]\r\n关键词=a\r\n[Other]\r\nk=v\r\n[PELKO]\r\n推送=b\r\n"},
        {"LF line ends and no final line end", "[Pelko]\n间隔时间=7\n[Services]\nFeedBase=x"},
        {"keys before any header", "关键词=stray\r\n[Pelko]\r\n" + kPadding},
    };
    FillBoxes(window, "v-");
    window.texts[Control::编辑框_关键词] = "line one\r\nline two";
    window.texts[Control::编辑框_分割符号] = " # ";
    window.texts[Control::编辑框_推送] = "";
    const std::string reference = (dir.path() / "reference.ini").string();
    for (const auto& c : cases) {
        std::filesystem::remove(dir.path() / "config.ini");
        std::filesystem::remove(reference);
        if (c.before) {
            dir.Write(u8"config.ini", *c.before);
            dir.Write(u8"reference.ini", *c.before);
        }
        for (auto& [box, key] : kBoxes) WriteIniValue(reference, "Pelko", key, window.texts[box]);
        SaveSettings(window);
        EXPECT_EQ(dir.Read(u8"config.ini"), dir.Read(u8"reference.ini")) << c.what;
    }
}

TEST_F(SettingsTest, LongKeywordTextIsSavedWholeButLoadsTruncated) {
    Text keywords(12000, 'k');
    window.texts[Control::编辑框_关键词] = keywords;
    SaveSettings(window);
    EXPECT_NE(dir.Read(u8"config.ini").find("关键词=" + keywords + "\r\n"), std::string::npos);

    FakeWindow next;
    LoadSettings(next);
    EXPECT_EQ(next.texts[Control::编辑框_关键词], keywords.substr(0, 10239));
}

TEST_F(SettingsTest, RestoreDefaultsSetsEveryBoxAndSavesNothing) {
    FillBoxes(window, "x-");
    window.texts[Control::按钮_开始监控] = "停止监控";
    RestoreDefaults(window);
    EXPECT_EQ(window.texts[Control::编辑框_关键词], "Drumvel#绝对值");
    EXPECT_EQ(window.texts[Control::编辑框_扫描数量], "1");
    EXPECT_EQ(window.texts[Control::编辑框_间隔时间], "3");
    EXPECT_EQ(window.texts[Control::编辑框_分割符号], "#");
    EXPECT_EQ(window.texts[Control::编辑框_推送], "");
    EXPECT_EQ(window.texts[Control::编辑框_Server酱], "");
    EXPECT_EQ(window.texts[Control::编辑框_钉钉加签], "");
    EXPECT_EQ(window.texts[Control::按钮_开始监控], "停止监控");
    EXPECT_FALSE(dir.Exists(u8"config.ini"));
}

}  // namespace
}  // namespace pelko

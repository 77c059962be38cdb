#include "textutil/ini.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace pelko {
namespace {

// A settings file as a user might have edited it by hand.
const std::string kFixture =
    "; settings of the tool\r\n"
    "\r\n"
    "[Pelko]\r\n"
    "关键词=手机,耳机\r\n"
    "  Scan = \" spaced \"  \r\n"
    "Quoted='single'\r\n"
    "Half=\"open\r\n"
    "Tabs=\tx y\t\r\n"
    "; about the other section\r\n"
    "\r\n"
    "[Other]\r\n"
    "a=1\r\n"
    "\r\n";

class IniFile : public ::testing::Test {
protected:
    void SetUp() override { dir_.Write(u8"config.ini", kFixture); }
    std::string Disk() const { return dir_.Read(u8"config.ini"); }

    testing::TempRunDirectory dir_;
    const Text file_ = ProgramDirectory() + "\\config.ini";
};

TEST_F(IniFile, ReadsTrimmedUnquotedValuesWithoutRegardToCase) {
    const struct {
        Text section, key, expected;
    } cases[] = {
        {"Pelko", "关键词", "手机,耳机"},
        {"pelko", "SCAN", " spaced "},
        {"PELKO", "quoted", "single"},
        {"Pelko", "Half", "\"open"},  // no closing quote: nothing removed
        {"Pelko", "Tabs", "x y"},
        {" \t\r\nPelko", "\nScan", " spaced "},  // bytes up to 0x20 before a name are skipped
        {"Other", "A", "1"},
        {"Other", "b", "dflt"},
        {"Nowhere", "a", "dflt"},
        {"; settings of the tool", "a", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadIniValue(file_, c.section, c.key, Text("dflt")), c.expected) << c.key;
    EXPECT_EQ(ReadIniValue(file_, "Other", "b"), "");
    EXPECT_EQ(ReadIniValue(file_, "Other", "b", Text("")), "");
    EXPECT_EQ(ReadIniValue(ProgramDirectory() + "\\missing.ini", "Other", "a", Text("dflt")), "dflt");
    // An empty name reads as empty text, the default unused.
    EXPECT_EQ(ReadIniValue(file_, "Other", " ", Text("dflt")), "");
    EXPECT_EQ(ReadIniValue(file_, "", "a", Text("dflt")), "");
    EXPECT_EQ(ReadIniValue("  ", "Other", "a", Text("dflt")), "");
}

TEST_F(IniFile, WritesTouchOnlyWhatTheyChange) {
    ASSERT_TRUE(WriteIniValue(file_, "pelko", Text("SCAN"), Text("20")));     // changed in place
    ASSERT_TRUE(WriteIniValue(file_, "Pelko", Text("推送"), Text("token")));  // new key, before the comment
    ASSERT_TRUE(WriteIniValue(file_, "Other", Text("b"), Text("")));          // empty value, not removed
    ASSERT_TRUE(WriteIniValue(file_, "New", Text("k"), Text("v")));           // new section at the end
    ASSERT_TRUE(WriteIniValue(file_, "Pelko", Text("Quoted"), {}));           // key removed
    EXPECT_EQ(Disk(),
              "; settings of the tool\r\n"
              "\r\n"
              "[Pelko]\r\n"
              "关键词=手机,耳机\r\n"
              "  Scan = 20\r\n"
              "Half=\"open\r\n"
              "Tabs=\tx y\t\r\n"
              "推送=token\r\n"
              "; about the other section\r\n"
              "\r\n"
              "[Other]\r\n"
              "a=1\r\n"
              "b=\r\n"
              "\r\n"
              "[New]\r\n"
              "k=v\r\n");
    EXPECT_EQ(ReadIniValue(file_, "Other", "b", Text("dflt")), "");
    EXPECT_EQ(ReadIniValue(file_, "Pelko", "Quoted", Text("dflt")), "dflt");

    ASSERT_TRUE(WriteIniValue(file_, "PELKO"));  // the whole section goes, its comments with it
    EXPECT_EQ(Disk(),
              "; settings of the tool\r\n"
              "\r\n"
              "[Other]\r\n"
              "a=1\r\n"
              "b=\r\n"
              "\r\n"
              "[New]\r\n"
              "k=v\r\n");
    EXPECT_TRUE(WriteIniValue(file_, "Gone", Text("x"), {}));  // removing what is not there succeeds
    EXPECT_TRUE(WriteIniValue(file_, "Gone"));
    EXPECT_FALSE(WriteIniValue(file_, " ", Text("x"), Text("y")));
    EXPECT_FALSE(WriteIniValue(file_, "Other", Text(""), Text("y")));
}

// Reading looks through repeated sections and keys, so a removal takes every
// line that reading could find.
TEST_F(IniFile, RemovedKeyIsGoneFromRepeatedSectionsAndLines) {
    dir_.Write(u8"config.ini", "[a]\r\nkey=1\r\nKEY=2\r\nx=1\r\n[b]\r\nkey=b\r\n[A]\r\n; note\r\nkey=3\r\n");
    ASSERT_TRUE(WriteIniValue(file_, "a", Text("key"), {}));
    EXPECT_EQ(ReadIniValue(file_, "a", "key", Text("gone")), "gone");
    EXPECT_EQ(Disk(), "[a]\r\nx=1\r\n[b]\r\nkey=b\r\n[A]\r\n; note\r\n");
}

TEST_F(IniFile, LastLineWithoutLineEndAndSeveralWritesAtOnce) {
    dir_.Write(u8"config.ini", "[A]\nx=1");
    ASSERT_TRUE(WriteIniValues(file_, {{"a", "y", "2"}, {"B", "z", "3"}, {"A", "X", "4"}}));
    EXPECT_EQ(Disk(), "[A]\nx=4\r\ny=2\r\n[B]\r\nz=3\r\n");  // LF lines stay LF
    ASSERT_TRUE(WriteIniValues(file_, {}));
    EXPECT_EQ(ReadIniValue(file_, "b", "Z"), "3");
}

TEST_F(IniFile, ValuesReadAreCutTo10239Bytes) {
    const Text longValue = BlankText(1) + Text(19998, 'x') + "y";
    ASSERT_TRUE(WriteIniValue(file_, "Pelko", Text("long"), longValue));
    EXPECT_NE(Disk().find(longValue), std::string::npos);  // stored whole
    const Text read = ReadIniValue(file_, "Pelko", "long");
    ASSERT_EQ(read.size(), 10239u);
    EXPECT_EQ(read, longValue.substr(0, 10239));
    EXPECT_EQ(ReadIniValue(file_, "Pelko", "none", Text(20000, 'd')).size(), 10239u);
}

TEST_F(IniFile, AwkwardValuesAndNamesRoundTrip) {
    const Text values[] = {
        "a\r\nb", "\n", "\r", "tail\r", " lead", "trail ", " ", "\t", "\"q\"", "'q'", "\"", "\"'", "%%x", "%%",
        "%41", "%", "x=y", "[s]", ";c", "你好\xB1", "\xB1\n", "\xB1\\n", "a\tb", "\"a\nb\"", "%%%0A",
    };
    for (const Text& v : values) {
        ASSERT_TRUE(WriteIniValue(file_, "Pelko", Text("v"), v));
        EXPECT_EQ(ReadIniValue(file_, "Pelko", "v"), v) << v;
    }
    const Text sections[] = {"a]b", "x\ny", "%%s", "\xB1", "[x", "a=b", ";s", "你]", "\xB1]"};
    const Text keys[] = {"a=b", ";c", "[k]", "[k", "k\r\n", "%%k", "\xB1", "k]", "你=", "#k"};
    for (const Text& s : sections)
        for (const Text& k : keys) ASSERT_TRUE(WriteIniValue(file_, s, k, s + "|" + k));
    for (const Text& s : sections)
        for (const Text& k : keys) EXPECT_EQ(ReadIniValue(file_, s, k), s + "|" + k) << s << " / " << k;
    // None of that has disturbed the rest of the file.
    EXPECT_EQ(ReadIniValue(file_, "Other", "a"), "1");
    EXPECT_EQ(ReadIniValue(file_, "Pelko", "关键词"), "手机,耳机");
    const size_t head = kFixture.find("; about");
    EXPECT_EQ(Disk().substr(0, head), kFixture.substr(0, head));
    for (const Text& s : sections) ASSERT_TRUE(WriteIniValue(file_, s));
    for (const Text& s : sections) EXPECT_EQ(ReadIniValue(file_, s, keys[0], Text("gone")), "gone") << s;
}

TEST_F(IniFile, PlainNamesAndValuesStayPlain) {
    ASSERT_TRUE(WriteIniValue(file_, "店铺 A", Text("id-1 x"), Text("a b=c;d'e\"f")));
    ASSERT_TRUE(WriteIniValue(file_, "店铺 A", Text("q"), Text(" x ")));
    ASSERT_TRUE(WriteIniValue(file_, "店铺 A", Text("r"), Text("'x'")));
    EXPECT_NE(Disk().find("[店铺 A]\r\nid-1 x=a b=c;d'e\"f\r\nq=\" x \"\r\nr=\"'x'\"\r\n"), std::string::npos) << Disk();
}

TEST_F(IniFile, ChangesMadeBehindTheCacheAreSeen) {
    EXPECT_EQ(ReadIniValue(file_, "Other", "a"), "1");
    dir_.Write(u8"config.ini", "[Other]\r\na=22\r\n");  // another size
    EXPECT_EQ(ReadIniValue(file_, "Other", "a"), "22");
    dir_.Write(u8"config.ini", "[Other]\r\na=33\r\n");  // same size, same inode, a later time
    std::filesystem::last_write_time(dir_.path() / "config.ini",
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_EQ(ReadIniValue(file_, "Other", "a"), "33");
    ASSERT_TRUE(WriteIniValue(file_, "Other", Text("b"), Text("4")));
    EXPECT_EQ(Disk(), "[Other]\r\na=33\r\nb=4\r\n");
    std::filesystem::remove(dir_.path() / "config.ini");
    EXPECT_EQ(ReadIniValue(file_, "Other", "a", Text("dflt")), "dflt");
    EXPECT_TRUE(WriteIniValue(file_, "Other", Text("a"), {}));  // a removal creates no file
    EXPECT_FALSE(dir_.Exists(u8"config.ini"));
}

TEST_F(IniFile, StoreFileHasItsChineseNameOnDisk) {
    const Text store = ProgramDirectory() + "\\已爆料商品.ini";
    ASSERT_TRUE(WriteIniValue(store, "京东", Text("12345"), Text("张三")));
    EXPECT_TRUE(dir_.Exists(u8"已爆料商品.ini"));
    EXPECT_EQ(dir_.Read(u8"已爆料商品.ini"), "[京东]\r\n12345=张三\r\n");  // code page 936 inside
    EXPECT_EQ(ReadIniValue(store, "京东", "12345"), "张三");
}

}  // namespace
}  // namespace pelko

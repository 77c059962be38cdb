#include "json/json_document.h"

#include <gtest/gtest.h>

#include <string>

namespace pelko {
namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

JsonDocument Loaded(std::string_view json) {
    JsonDocument doc;
    EXPECT_TRUE(doc.LoadUtf8(json)) << json;
    return doc;
}

struct ResolveCase {
    const char* json;
    const char* path;
    const char* resolved;
    bool exists;
};

TEST(JsonPath, ResolvesRelativeAndAbsolutePaths) {
    const ResolveCase cases[] = {
        {R"({"data":{"rows":[1]}})", "data.rows", "da.data.rows", true},  // begins with "da" yet relative
        {R"({"data":{"rows":[1]}})", "", "da", true},
        {R"([1,2,3])", "[2]", "da[2]", true},
        {R"([1,2,3])", "[3]", "da[3]", false},
        {R"({"a":1})", "da", "da", true},
        {R"({"x":1})", "da.x", "da.x", true},
        {R"({"y":1})", "da.x", "da.da.x", false},
        {R"({"x":null})", "da.x", "da.da.x", false},
        {R"({"dab":1})", "dab", "da.dab", true},
        {R"({"a":{"b":[{"c":0}]}})", "a.b[0].c", "da.a.b[0].c", true},
        {R"({"a":{"b":[{"c":0}]}})", "a . b [ 0 ] . c", "da.a . b [ 0 ] . c", true},
        {R"({"a":{"b c":1}})", "a['b c']", "da.a['b c']", true},
        {R"({"a":{"b":1}})", "a.missing.b", "da.a.missing.b", false},
        {R"({"a":1})", "a;b", "da.a;b", false},
    };
    for (const auto& c : cases) {
        JsonDocument doc = Loaded(c.json);
        Text path = c.path;
        EXPECT_EQ(doc.ResolvePath(path), c.exists) << c.json << " " << c.path;
        EXPECT_EQ(path, c.resolved) << c.json << " " << c.path;
        EXPECT_EQ(doc.Exists(c.path), c.exists) << c.path;
    }
}

TEST(JsonPath, NamesOnlyTheDocumentsOwnMembers) {
    JsonDocument doc = Loaded(R"({"a":{"k":"v"},"s":"text","list":[1,2]})");
    for (const char* path : {"constructor", "a.toString", "__proto__", "s.length", "list.length", "a.k.x",
                             "list.push", "str_Code", "JSON", "s[0]"})
        EXPECT_EQ(doc.GetText(path), "") << path;
    // Paths that are no member expression read nothing.
    for (const char* path : {"a.", "a..k", "a[", "a[x]", "a[0", "1a", "a.k()", "a = 1", "a['k]"}) {
        EXPECT_EQ(doc.GetType(path), -1) << path;
        EXPECT_EQ(doc.GetText(path), "") << path;
    }
}

TEST(JsonLoad, ResultFollowsTheValue) {
    const struct {
        const char* text;
        bool direct;
        bool loads;
    } cases[] = {
        {"{}", false, true},      {"[1]", false, true},     {"0", false, true},    {"false", false, true},
        {"\"\"", true, true},     {"null", false, false},   {"", false, false},    {"{\"a\":", false, false},
        {"\"[1,2]\"", false, true},  // the content of a string loads as the value
        {"\"[1,2]\"", true, true},   {"\"abc\"", false, false}, {"\"abc\"", true, true},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        EXPECT_EQ(doc.Load(c.text, c.direct), c.loads) << c.text << " direct=" << c.direct;
    }
    JsonDocument doc;
    ASSERT_TRUE(doc.Load("\"[1,2]\""));
    EXPECT_EQ(doc.GetCount(""), 2);
    ASSERT_TRUE(doc.Load("\"[1,2]\"", true));
    EXPECT_EQ(doc.GetType(""), 6);
}

TEST(JsonLoad, ScriptIsNeverRun) {
    for (const char* text : {"alert(1)", "{\"a\":f()}", "/* note */ {\"a\":1}", "{\"a\":1} // note",
                             "{'a':'b'}", "{a:1}", "['x']", "[1,2,]", "(function(){return {}})()",
                             "{\"a\":1};{\"b\":2}", "\"this.x = 1\"", "{\"a\":1} {\"b\":2}", "NaN", "undefined"}) {
        JsonDocument doc;
        EXPECT_FALSE(doc.Load(text)) << text;
        EXPECT_EQ(doc.ToJson(), "null") << text;
        EXPECT_EQ(doc.GetCount("data.rows"), 0);
        EXPECT_EQ(doc.GetType(""), 0);
    }
}

TEST(JsonLoad, EachLoadStartsAfresh) {
    JsonDocument doc = Loaded(R"({"only_first":1,"shared":"a"})");
    ASSERT_TRUE(doc.Load(R"({"shared":"b"})"));
    EXPECT_EQ(doc.GetType("only_first"), 0);
    EXPECT_EQ(doc.GetText("shared"), "b");
    EXPECT_FALSE(doc.Load("{broken"));
    EXPECT_EQ(doc.GetType("shared"), -1);  // the root is null
    EXPECT_EQ(doc.GetCount("shared"), 0);
}

TEST(JsonLoad, RefusesNestingThatWouldExhaustTheStack) {
    std::string deep(200000, '[');
    deep += std::string(200000, ']');
    JsonDocument doc;
    EXPECT_FALSE(doc.LoadUtf8(deep));
    std::string fine = std::string(100, '[') + std::string(100, ']');
    EXPECT_TRUE(doc.LoadUtf8(fine));
    EXPECT_EQ(doc.GetJson(""), fine);
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(doc.LoadUtf8("\"" + std::string(5000, '[') + "\\\"\"", true));
}

TEST(JsonLoad, RepeatedKeyKeepsFirstPlaceAndLastValue) {
    JsonDocument doc = Loaded(R"({"b":1,"a":2,"b":3})");
    TextArray names;
    ASSERT_EQ(doc.GetMemberNames(names, ""), 2);
    EXPECT_EQ(names[0], "b");
    EXPECT_EQ(names[1], "a");
    EXPECT_EQ(doc.GetText("b"), "3");
}

TEST(JsonLoad, TextCrossesAsCodePage936) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Load("{\"标题\":\"你好\",\"t\":\"\\u4f60\\u597d\"}"));
    EXPECT_EQ(doc.GetText("标题"), "你好");
    EXPECT_EQ(doc.GetText("t"), "你好");
    EXPECT_EQ(doc.GetText("da['标题']"), "你好");
    // 好, an emoji and é as UTF-8 bytes
    ASSERT_TRUE(doc.LoadUtf8("{\"t\":\"\xE5\xA5\xBD\xF0\x9F\x98\x80\xC3\xA9\",\"e\":\"\\ud83d\\ude00\"}"));
    EXPECT_EQ(doc.GetText("t"), "好?é");
    EXPECT_EQ(doc.GetText("e"), "?");
    EXPECT_EQ(doc.GetJson("t"), "\"好?é\"");
}

TEST(JsonRead, CountTypeAndTextForms) {
    JsonDocument doc = Loaded(R"({"data":{"rows":[{"id":1},{"id":2}],"empty":[],"obj":{"a":1},"str":"abc"},
        "s":"text","ms":1600000000000,"big":12345678901234567890,"frac":0.1,"neg":-2.5e-7,"t":true,"f":false,
        "n":null,"nums":[1,2],"mixed":[1,null,[2,[3]],{"k":1},"x",true],"o":{"b":1,"a":[1,"x"]}})");
    struct Case {
        const char* path;
        int type;
        int count;
        const char* text;
        const char* json;
    };
    const Case cases[] = {
        {"data.rows", 5, 2, "[object Object],[object Object]", R"([{"id":1},{"id":2}])"},
        {"data.empty", 5, 0, "", "[]"},
        {"data.obj", 4, 0, "[object Object]", R"({"a":1})"},
        {"data.str", 6, 0, "abc", "\"abc\""},
        {"data.none", 0, 0, "", ""},
        {"nodata.rows", -1, 0, "", ""},
        {"s", 6, 0, "text", "\"text\""},
        {"ms", 2, 0, "1600000000000", "1600000000000"},
        {"big", 2, 0, "12345678901234567000", "12345678901234567000"},
        {"frac", 2, 0, "0.1", "0.1"},
        {"neg", 2, 0, "-2.5e-7", "-2.5e-7"},
        {"t", 1, 0, "true", "true"},
        {"f", 1, 0, "false", "false"},
        {"n", 0, 0, "", "null"},
        {"nums", 5, 2, "1,2", "[1,2]"},
        {"mixed", 5, 6, "1,,2,3,[object Object],x,true", R"([1,null,[2,[3]],{"k":1},"x",true])"},
        {"o", 4, 0, "[object Object]", R"({"b":1,"a":[1,"x"]})"},
        {"data.rows[1].id", 2, 0, "2", "2"},
        {"data.rows[2].id", -1, 0, "", ""},
        {"n.x", -1, 0, "", ""},
        {"s.x", 0, 0, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.GetType(c.path), c.type) << c.path;
        EXPECT_EQ(doc.GetCount(c.path), c.count) << c.path;
        EXPECT_EQ(doc.GetText(c.path), c.text) << c.path;
        EXPECT_EQ(doc.GetText(c.path, true), c.json) << c.path;
        EXPECT_EQ(doc.GetJson(c.path), c.json) << c.path;
    }
    EXPECT_EQ(doc.GetText("[0]"), "");  // an object has no member "0"
}

TEST(JsonRead, StringifyEscapesExactlyTheScriptSet) {
    const struct {
        const char* json;
        const char* out;
    } cases[] = {
        {R"("q\" b\\ s\/")", R"("q\" b\\ s/")"},
        {R"("\b\t\n\f\r")", R"("\b\t\n\f\r")"},
        {R"("\u0000\u0001\u001F\u000b")", R"("\u0000\u0001\u001f\u000b")"},
        {R"("\u007f\u0080\u009f\u00ad")", R"("\u007f\u0080\u009f\u00ad")"},
        {R"("\u0600\u0604\u070f\u17b4\u17b5")", R"("\u0600\u0604\u070f\u17b4\u17b5")"},
        {R"("\u200c\u200f\u2028\u202f\u2060\u206f")", R"("\u200c\u200f\u2028\u202f\u2060\u206f")"},
        {R"("\ufeff\ufff0\uffff")", R"("\ufeff\ufff0\uffff")"},
        {R"("\u00b7\u2030")", "\"\xA1\xA4\xA1\xEB\""},
        {R"("\u4f60 <>&'")", "\"你 <>&'\""},
        {R"({"a b":"\"","\n":[]})", R"({"a b":"\"","\n":[]})"},
    };
    for (const auto& c : cases) {
        JsonDocument doc;
        ASSERT_TRUE(doc.LoadUtf8(c.json, true)) << c.json;
        EXPECT_EQ(doc.ToJson(), c.out) << c.json;
    }
    // The neighbours of the escaped ranges are written as they are.
    for (const char* unit : {"00a0", "00ae", "05ff", "0605", "070e", "0710", "17b3", "17b6", "200b", "2010",
                             "2027", "2030", "205f", "2070", "fefe", "ff00", "ffef", "2400"}) {
        JsonDocument doc;
        ASSERT_TRUE(doc.LoadUtf8(std::string("\"\\u") + unit + "\"", true));
        EXPECT_EQ(doc.ToJson().find("\\u"), std::string::npos) << unit;
    }
}

TEST(JsonRead, ItemTextNeedsAStringWithoutJson) {
    JsonDocument doc = Loaded(R"({"a":[5,"s",{"k":1}]})");
    EXPECT_EQ(doc.GetItemText(0, "a"), "");
    EXPECT_EQ(doc.GetItemText(1, "a"), "s");
    EXPECT_EQ(doc.GetItemText(2, "a"), "");
    EXPECT_EQ(doc.GetItemText(0, "a", true), "5");
    EXPECT_EQ(doc.GetItemText(2, "a", true), R"({"k":1})");
    EXPECT_EQ(doc.GetItemText(3, "a", true), "");
    EXPECT_EQ(doc.GetItemText(0, "missing", true), "");
}

TEST(JsonRead, MemberNamesAndValues) {
    JsonDocument doc = Loaded(R"({"a":"x","b":{"c":1,"e":[2.5,false,null]},"d":true,"n":null,"list":["p","q"]})");
    TextArray items{"stale"};
    EXPECT_EQ(doc.GetMemberNames(items, ""), 5);
    EXPECT_EQ(items, (TextArray{"a", "b", "d", "n", "list"}));
    EXPECT_EQ(doc.GetMemberNames(items, "list"), 0);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(doc.GetMemberNames(items, "a"), 0);

    EXPECT_EQ(doc.GetValues(items, ""), 2);
    EXPECT_EQ(items, (TextArray{"x", "true"}));
    EXPECT_EQ(doc.GetValues(items, "", true), 7);
    EXPECT_EQ(items, (TextArray{"x", "1", "2.5", "false", "true", "p", "q"}));
    EXPECT_EQ(doc.GetValues(items, "list"), 2);
    EXPECT_EQ(doc.GetValues(items, "a"), 0);
    EXPECT_EQ(doc.GetValues(items, "missing"), 0);
}

TEST(JsonRead, ValuesStayWholeWhateverTheyHold) {
    JsonDocument doc = Loaded(
        U8(u8R"({"a":"one[2020年7月20日20时0分0秒]two","b":"","c":"last"})"));
    TextArray items;
    ASSERT_EQ(doc.GetValues(items, ""), 3);
    EXPECT_EQ(items[0], "one[2020年7月20日20时0分0秒]two");
    EXPECT_EQ(items[1], "");
    ASSERT_TRUE(doc.LoadUtf8(R"(["x",""])"));
    EXPECT_EQ(doc.GetValues(items, ""), 2);
}

TEST(JsonRead, NumbersByAutomationConversion) {
    JsonDocument doc = Loaded(R"({"i":42,"d":-0.5,"s":" 12.5 ","bad":"12a","t":true,"f":false,"one":[7],"o":{}})");
    const std::pair<const char*, double> cases[] = {
        {"i", 42}, {"d", -0.5}, {"s", 12.5}, {"bad", 0}, {"t", -1}, {"f", 0}, {"one", 7}, {"o", 0}, {"missing", 0},
    };
    for (const auto& [path, expected] : cases) EXPECT_DOUBLE_EQ(doc.GetNumber(path), expected) << path;
}

TEST(JsonHandles, CopiesShareUntilOneLoads) {
    JsonDocument a = Loaded(R"({"v":1})");
    JsonDocument b = a;
    JsonDocument c(a.GetEngine());
    EXPECT_EQ(a.GetEngine(), c.GetEngine());
    ASSERT_TRUE(b.SetNumber("v", 2));
    EXPECT_EQ(a.GetText("v"), "2");
    EXPECT_EQ(c.GetText("v"), "2");
    ASSERT_TRUE(b.Load(R"({"v":3})"));
    EXPECT_EQ(a.GetText("v"), "2");
    EXPECT_EQ(b.GetText("v"), "3");
}

TEST(JsonHandles, ObjectsAreIndependentCopies) {
    JsonDocument doc = Loaded(R"({"row":{"k":"v","list":[1]},"rows":[{"id":7},"s"]})");
    JsonDocument row = doc.GetObject("row");
    EXPECT_EQ(row.ToJson(), R"({"k":"v","list":[1]})");
    row.SetValue("k", "changed");
    EXPECT_EQ(row.GetText("k"), "changed");
    EXPECT_EQ(doc.GetText("row.k"), "v");
    ASSERT_TRUE(doc.AddItem("2", "row.list", true));
    EXPECT_EQ(row.GetCount("list"), 1);

    EXPECT_EQ(doc.GetItemObject(0, "rows").GetText("id"), "7");
    EXPECT_EQ(doc.GetItemObject(1, "rows").GetText(""), "s");

    JsonDocument missing = doc.GetObject("nothing");
    EXPECT_EQ(missing.ToJson(), "");
    EXPECT_EQ(missing.GetType(""), 0);
    EXPECT_FALSE(missing.Exists(""));
    EXPECT_EQ(doc.GetItemObject(5, "rows").ToJson(), "");
}

TEST(JsonHandles, FreshDocumentHoldsAnEmptyObject) {
    JsonDocument doc;
    EXPECT_EQ(doc.RootName(), "da");
    EXPECT_EQ(doc.ToJson(), "{}");
    EXPECT_TRUE(doc.Exists(""));
    EXPECT_EQ(doc.GetType(""), 4);
}

}  // namespace
}  // namespace pelko

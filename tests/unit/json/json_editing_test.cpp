#include <gtest/gtest.h>

#include "json/json_document.h"

namespace pelko {
namespace {

class JsonEditing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.LoadUtf8(R"({"s":"str","n":5,"o":{"a":1,"keep":"k","s":"old","arr":[1],"sub":{"x":1},"nil":null},
            "list":["a","b","c"],"t":true})"));
    }
    JsonDocument doc;
};

TEST_F(JsonEditing, PlainValueKeepsBackslashesAndEverythingElse) {
    doc.SetValue("p", "C:\\dir");
    EXPECT_EQ(doc.GetText("p"), "C:\\dir");
    EXPECT_EQ(doc.GetJson("p"), "\"C:\\\\dir\"");  // valid JSON: the backslash is escaped
    JsonDocument copy = doc.GetObject("");
    EXPECT_EQ(copy.GetText("p"), "C:\\dir");
    JsonDocument reread;
    ASSERT_TRUE(reread.Load(doc.ToJson()));
    EXPECT_EQ(reread.GetText("p"), "C:\\dir");
    TextArray values;
    doc.GetValues(values, "");
    EXPECT_EQ(values.front(), "str");
    EXPECT_EQ(values.back(), "C:\\dir");

    const Text awkward = "it's \"quoted\"\r\nline\nend 你好";
    EXPECT_FALSE(doc.SetValue("o.s", awkward));  // set, but the text reads as no boolean
    EXPECT_EQ(doc.GetText("o.s"), awkward);
}

TEST_F(JsonEditing, ResultIsTheValueAsABoolean) {
    const struct {
        const char* value;
        bool isJson;
        bool result;
    } cases[] = {
        {"1", false, true},     {"0", false, false},     {" -2.5 ", false, true}, {"true", false, true},
        {"False", false, false}, {"yes", false, false},  {"", false, false},      {"0", true, false},
        {"3", true, true},      {"\"true\"", true, true}, {"null", true, false},  {"[]", true, false},
        {"[0]", true, true},    {"{}", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.SetValue("fresh", c.value, c.isJson), c.result) << c.value << " json=" << c.isJson;
        if (c.isJson) {
            EXPECT_EQ(doc.SetExpression("fresh2", c.value), c.result) << c.value;
        }
    }
    EXPECT_FALSE(doc.SetNumber("num", 0));
    EXPECT_EQ(doc.GetType("num"), 2);
    EXPECT_TRUE(doc.Clear());
}

TEST_F(JsonEditing, JsonValueMergesIntoAnObject) {
    EXPECT_TRUE(doc.SetValue("o", R"({"s":"new","arr":[2,3],"sub":{"y":2},"a":9,"nil":{"z":1},"added":[true]})", true));
    EXPECT_EQ(doc.GetJson("o"),
              R"({"a":9,"keep":"k","s":"new","arr":[1,2,3],"sub":{"x":1,"y":2},"nil":{"z":1},"added":[true]})");
    // An array or a missing member is replaced or created, not merged.
    EXPECT_TRUE(doc.SetValue("list", R"({"k":1})", true));
    EXPECT_EQ(doc.GetJson("list"), R"({"k":1})");
    EXPECT_TRUE(doc.SetValue("o.new", "[1]", true));
    EXPECT_EQ(doc.GetJson("o.new"), "[1]");
    // An empty value is an empty object, merged or assigned.
    EXPECT_TRUE(doc.SetValue("o", "", true));
    EXPECT_TRUE(doc.SetValue("e", "", true));
    EXPECT_EQ(doc.GetJson("e"), "{}");
}

TEST_F(JsonEditing, ValuesThatAreNotJsonChangeNothing) {
    const Text before = doc.ToJson();
    for (const char* value : {"{a:1}", "f()", "'x'", "{\"a\":1", "1;2"}) {
        EXPECT_FALSE(doc.SetValue("o", value, true)) << value;
        EXPECT_FALSE(doc.SetValue("s", value, true)) << value;
        EXPECT_FALSE(doc.SetExpression("s", value)) << value;
        EXPECT_FALSE(doc.SetItem(0, "list", value, true)) << value;
        EXPECT_FALSE(doc.AddItem(value, "s", true)) << value;
    }
    EXPECT_FALSE(doc.SetExpression("s", ""));
    EXPECT_EQ(doc.ToJson(), before);
    // A JSON string is stored as the string; its content is not run.
    EXPECT_TRUE(doc.SetExpression("s", "\"1\""));
    EXPECT_EQ(doc.GetType("s"), 6);
    EXPECT_EQ(doc.GetText("s"), "1");
}

TEST_F(JsonEditing, WritesThroughAMissingMemberFail) {
    const Text before = doc.ToJson();
    EXPECT_FALSE(doc.SetValue("none.x", "1"));
    EXPECT_FALSE(doc.SetValue("none.x", "1", true));
    EXPECT_FALSE(doc.SetExpression("none.x", "1"));
    EXPECT_FALSE(doc.SetNumber("none.x", 1));
    EXPECT_FALSE(doc.AddItem("1", "none.x"));
    EXPECT_FALSE(doc.SetItem(0, "none", "1"));
    EXPECT_FALSE(doc.RemoveItem(0, "none"));
    EXPECT_FALSE(doc.Remove("none.x"));
    EXPECT_FALSE(doc.SetNumber("o.nil.x", 1));  // through null
    EXPECT_FALSE(doc.SetNumber("s.x", 1));      // a string holds no members
    EXPECT_FALSE(doc.SetNumber("a b", 1));      // not a path
    EXPECT_EQ(doc.ToJson(), before);
}

TEST_F(JsonEditing, AddItemMakesAnArrayAndAppendsOrPrepends) {
    EXPECT_TRUE(doc.AddItem("x", "s"));
    EXPECT_EQ(doc.GetJson("s"), R"(["x"])");
    for (const char* v : {"1", "2", "3"}) EXPECT_TRUE(doc.AddItem(v, "front", false, true));
    EXPECT_EQ(doc.GetJson("front"), R"(["3","2","1"])");
    EXPECT_TRUE(doc.AddItem(R"({"k":[1]})", "list", true));
    EXPECT_TRUE(doc.AddItem("0", "list", true, true));
    EXPECT_EQ(doc.GetJson("list"), R"([0,"a","b","c",{"k":[1]}])");
    // The plain form reads a single-quoted literal: escapes resolve, a bare
    // apostrophe or a line break makes it unreadable.
    EXPECT_TRUE(doc.AddItem("tab\\there \\'q\\' \\x41\\u4f60\\101", "lit"));
    EXPECT_EQ(doc.GetItemText(0, "lit"), "tab\there 'q' A你A");
    for (const char* bad : {"it's", "a\nb", "a\rb", "end\\"}) {
        EXPECT_FALSE(doc.AddItem(bad, "n")) << bad;
        EXPECT_FALSE(doc.SetItem(0, "list", bad)) << bad;
    }
    EXPECT_EQ(doc.GetType("n"), 2);  // left as it was
    // An empty JSON value adds nothing but still makes the array.
    EXPECT_FALSE(doc.AddItem("", "t", true));
    EXPECT_EQ(doc.GetJson("t"), "[]");
}

TEST_F(JsonEditing, SetItemWritesOneElement) {
    EXPECT_TRUE(doc.SetItem(1, "list", "7", true));
    EXPECT_FALSE(doc.SetItem(0, "list", "B"));
    EXPECT_EQ(doc.GetJson("list"), R"(["B",7,"c"])");
    EXPECT_TRUE(doc.SetItem(5, "list", "1", true));  // the gap holds null
    EXPECT_EQ(doc.GetJson("list"), R"(["B",7,"c",null,null,1])");
    EXPECT_EQ(doc.GetCount("list"), 6);
    EXPECT_FALSE(doc.SetItem(50000000, "list", "1", true));
    EXPECT_FALSE(doc.SetItem(-1, "list", "1", true));
    EXPECT_EQ(doc.GetCount("list"), 6);
    EXPECT_TRUE(doc.SetItem(2, "o", "1", true));  // on an object the index is a member name
    EXPECT_EQ(doc.GetText("o[2]"), "1");
}

TEST_F(JsonEditing, RemoveItemAndRemove) {
    EXPECT_FALSE(doc.RemoveItem(3, "list"));
    EXPECT_FALSE(doc.RemoveItem(99, "list"));
    EXPECT_FALSE(doc.RemoveItem(0, "o"));
    EXPECT_EQ(doc.GetCount("list"), 3);
    EXPECT_TRUE(doc.RemoveItem(-1, "list"));  // counted from the end
    EXPECT_TRUE(doc.RemoveItem(0, "list"));
    EXPECT_EQ(doc.GetJson("list"), R"(["b"])");

    EXPECT_TRUE(doc.Remove("o.keep"));
    EXPECT_EQ(doc.GetType("o.keep"), 0);
    EXPECT_TRUE(doc.Remove("o.keep"));  // already gone
    EXPECT_TRUE(doc.Remove("list[0]"));   // leaves a hole
    EXPECT_EQ(doc.GetJson("list"), "[null]");
    EXPECT_FALSE(doc.Remove(""));  // the root stays
    EXPECT_FALSE(doc.Remove("da"));
    TextArray names;
    doc.GetMemberNames(names, "");
    EXPECT_EQ(names, (TextArray{"s", "n", "o", "list", "t"}));
}

TEST_F(JsonEditing, NumbersAreStoredExactly) {
    EXPECT_TRUE(doc.SetNumber("x", 0.1 + 0.2));
    EXPECT_EQ(doc.GetText("x"), "0.30000000000000004");
    EXPECT_DOUBLE_EQ(doc.GetNumber("x"), 0.1 + 0.2);
    EXPECT_TRUE(doc.SetNumber("n", 1600000000000.0));
    EXPECT_EQ(doc.GetJson("n"), "1600000000000");
    EXPECT_TRUE(doc.SetNumber("list[1]", -3));
    EXPECT_EQ(doc.GetText("list"), "a,-3,c");
}

TEST_F(JsonEditing, ClearEmptiesTheRoot) {
    EXPECT_TRUE(doc.Clear());
    EXPECT_EQ(doc.ToJson(), "{}");
    EXPECT_EQ(doc.GetCount("list"), 0);
    EXPECT_TRUE(doc.SetValue("", R"({"k":1})", true));  // merge into the empty root
    EXPECT_EQ(doc.ToJson(), R"({"k":1})");
    EXPECT_TRUE(doc.SetExpression("", "[1,2]"));
    EXPECT_EQ(doc.GetCount(""), 2);
}

}  // namespace
}  // namespace pelko

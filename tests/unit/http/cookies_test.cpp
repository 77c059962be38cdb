#include <gtest/gtest.h>

#include "http/cookies.h"

namespace pelko {
namespace {

TEST(ExtractSetCookies, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/; HttpOnly\r\nSet-Cookie: b=2\r\nset-cookie: c=3\r\n\r\n",
         "a=1; b=2"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\nSET-COOKIE: b=2\r\n\r\n", ""},  // exact name, then ": "
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
        {"", ""},
        {"Set-Cookie: k=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\nSet-Cookie: x=1", "k=deleted; x=1"},
        {"Set-Cookie:  s=  spaced  \r\n", "s=  spaced"},
        {"Set-Cookie: v=a:b; path=/", "v=a:b"},
    };
    for (const auto& [block, cookies] : cases) EXPECT_EQ(ExtractSetCookies(block), cookies) << block;
}

TEST(MergeCookies, Table) {
    struct Case {
        const char *cookies, *returned, *merged;
    };
    const Case cases[] = {
        {"a=1; b=2; c=3", "b=9; c=deleted; d=4", "b=9; d=4; a=1"},
        {"a=1;", "", "a=1"},
        {"x=1; x=2; y=3", "", "x=1; y=3"},
        {"", "x=1; x=2", "x=1; x=2"},
        {"", "x=1; x=1", "x=1"},
        {"", "", ""},
        {"a=1;b=2", "a=5", "a=5"},  // without the space it is one item named "a"
        {"SID=1", "sid=2", "sid=2; SID=1"},
        {"  a=1; b=2  ", "b=3;", "b=3; a=1"},
        {"flag; a=1", "", "flag; a=1"},
        {"a=deleted", "", ""},
    };
    for (const auto& c : cases) {
        Text cookies = c.cookies, returned = c.returned;
        EXPECT_EQ(MergeCookies(cookies, returned), c.merged) << c.cookies << " + " << c.returned;
        EXPECT_EQ(cookies, c.merged) << "cookies keeps the merged text";
    }
}

TEST(MergeCookies, TidiesTheReturnedText) {
    Text cookies = " a=1 ", returned = " b=2; ";
    MergeCookies(cookies, returned);
    EXPECT_EQ(returned, "b=2; ");
}

TEST(CookieName, Table) {
    EXPECT_EQ(CookieName(" a =1"), "a");
    EXPECT_EQ(CookieName("flag "), "flag");
    EXPECT_EQ(CookieName("=v"), "");
    EXPECT_TRUE(HasCookieName({"x=1", "a=2"}, "a"));
    EXPECT_FALSE(HasCookieName({"A=2"}, "a"));
    EXPECT_FALSE(HasCookieName({}, "a"));
}

TEST(JoinDistinct, Table) {
    EXPECT_EQ(JoinDistinct("a,b,a", ",", true), "a,b");
    EXPECT_EQ(JoinDistinct("abca", ",", false), "a,b,c");
    EXPECT_EQ(JoinDistinct("", ",", true), "");
    EXPECT_EQ(JoinDistinct("a; A; a", "; ", true), "a; A");
}

TEST(SplitCharacters, WalksDoubleByteAndLineBreaks) {
    TextArray list{"stale"};
    EXPECT_EQ(SplitCharacters("a\r\nb", list), 3);
    EXPECT_EQ(list, (TextArray{"a", "\r\n", "b"}));

    EXPECT_EQ(SplitCharacters("好a", list), 2);
    EXPECT_EQ(list, (TextArray{"好", "a"}));

    EXPECT_EQ(SplitCharacters("a\xB0", list), 2);  // a lone lead byte at the end
    EXPECT_EQ(list, (TextArray{"a", "\xB0"}));

    EXPECT_EQ(SplitCharacters("\r", list), 1);
    EXPECT_EQ(SplitCharacters("", list), 0);
    EXPECT_TRUE(list.empty());
}

TEST(IndexOfText, Table) {
    const TextArray list{"a", "b", "a"};
    EXPECT_EQ(IndexOfText(list, "a"), 1);
    EXPECT_EQ(IndexOfText(list, "b"), 2);
    EXPECT_EQ(IndexOfText(list, "B"), -1);
    EXPECT_EQ(IndexOfText({}, ""), -1);
}

}  // namespace
}  // namespace pelko

#include <gtest/gtest.h>

#include "http/url.h"

namespace pelko {
namespace {

struct HostCase {
    const char* url;
    Opt<bool> domainOnly;
    Opt<bool> keepPort;
    Opt<int> levels;
    const char* host;
};

TEST(UrlHost, Table) {
    const HostCase cases[] = {
        {"https://A.B.C/v1?q=1", {}, {}, {}, "a.b.c"},
        {"https://A.B.C/v1?q=1", true, {}, {}, "b.c"},
        {"srv/a", {}, {}, {}, "srv"},
        {"srv", {}, {}, {}, "srv"},
        {"http://srv:8080", {}, {}, {}, "srv"},
        {"http://srv:8080", {}, true, {}, "srv:8080"},
        {"HTTP://Srv/x", {}, {}, {}, "srv"},
        // Up to the first "/" after the scheme: a query glued to the host stays in it.
        {"https://srv?x=1", {}, {}, {}, "srv?x=1"},
        {"http://a.b.c.d/", {}, {}, 1, "b.c.d"},
        {"http://a.b.c.d/", true, {}, 1, "c.d"},
        {"http://a.b.c.d/", {}, {}, 0, "c.d"},
        {"http://a.b.c.d/", true, {}, 0, "d"},
        {"http://a.b/", true, {}, 1, "a.b"},
        {"http://a.b/", {}, {}, 1, "a.b"},
        {"https://x.a.b.c:81/p", {}, {}, 1, "a.b.c"},
        {"https://x.a.b.c:81/p", {}, true, 1, "a.b.c:81"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlHost(c.url, c.domainOnly, c.keepPort, c.levels), c.host)
            << c.url << " levels " << (c.levels ? *c.levels : -99);
}

TEST(UrlPort, Table) {
    const std::pair<const char*, int> cases[] = {
        {"https://srv", 443}, {"http://srv", 80}, {"srv", 80}, {"https://srv:8443/x", 8443},
        {"http://srv:81", 81}, {"HTTPS://SRV/x", 443}, {"http://srv:/x", 0},
    };
    for (const auto& [url, port] : cases) EXPECT_EQ(UrlPort(url), port) << url;
}

TEST(UrlPath, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://srv/a/b?c=d#e", "/a/b?c=d#e"},
        {"https://srv", "/"},
        {"https://srv/", "/"},
        {"http://srv:8080/x?y=1", "/x?y=1"},
        {"HTTPS://SRV/Mixed/Case", "/Mixed/Case"},
        {"srv/a", "/a"},
        // One-letter hosts that also occur in the scheme prefix.
        {"http://h/x", "/x"},
        {"https://t/y?z", "/y?z"},
        {"http://ttp/q", "/q"},
    };
    for (const auto& [url, path] : cases) EXPECT_EQ(UrlPath(url), path) << url;
}

TEST(NormaliseHeaderBlock, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"content-type: a\r\nx-my-header:b\r\nbad line\r\n", "Content-Type: a\r\nX-My-Header:b"},
        {"a--b: v", "A--B: v"},
        {"ACCEPT: x", "ACCEPT: x"},
        {"content-TYPE:  two spaces", "Content-TYPE:  two spaces"},
        {"user-agent: X", "User-Agent: X"},
        {"", ""},
        {"no colon\r\nanother", ""},
        {"\r\n\r\nk: v\r\n\r\n", "K: v"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(NormaliseHeaderBlock(in), out) << in;
}

TEST(CapitaliseFirst, Table) {
    EXPECT_EQ(CapitaliseFirst(""), "");
    EXPECT_EQ(CapitaliseFirst("abc"), "Abc");
    EXPECT_EQ(CapitaliseFirst("1a"), "1a");
    EXPECT_EQ(CapitaliseFirst("好a"), "好a");
}

TEST(TextBetween, Table) {
    struct Case {
        const char *text, *start, *end;
        Opt<int> startPos;
        Opt<bool> ignoreCase;
        const char* result;
    };
    const Case cases[] = {
        {"a=\"x\"", "a=#引号", "#引号", {}, {}, "x"},
        {"Set-Cookie: k=v; path=/", "Set-Cookie:", ";", {}, {}, " k=v"},
        {"abc", "x", "c", {}, {}, ""},
        {"abc", "a", "x", {}, {}, ""},
        {"abc", "b", "a", {}, {}, ""},  // the end marker must follow the start marker
        {"abbc", "b", "b", {}, {}, ""},
        {"[1][2]", "[", "]", 3, {}, "2"},
        {"USER-AGENT: u\r\n", "User-Agent:", "\r\n", {}, {}, ""},
        {"USER-AGENT: u\r\n", "User-Agent:", "\r\n", {}, true, " u"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextBetween(c.text, c.start, c.end, c.startPos, c.ignoreCase), c.result) << c.text;
}

TEST(TextBefore, Table) {
    struct Case {
        const char *text, *marker;
        Opt<int> startPos;
        Opt<bool> ignoreCase;
        const char* result;
    };
    const Case cases[] = {
        {"Set-Cookie: k=v", ": ", {}, {}, "Set-Cookie"},
        {"a:b:c", ":", -1, {}, "a:b"},
        {"a:b:c", ":", {}, {}, "a"},
        {":abc", ":", {}, {}, ""},
        {"abc", ":", {}, {}, ""},
        {"a:b:c", ":", 3, {}, "a:b"},
        {"a:b:c", ":", -2, {}, "a"},  // the last colon within the first 3 characters
        {"aXbxc", "x", {}, true, "a"},
        {"aXbxc", "x", {}, {}, "aXb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextBefore(c.text, c.marker, c.startPos, c.ignoreCase), c.result)
            << c.text << " from " << (c.startPos ? *c.startPos : 0);
}

TEST(TextAfterColon, Table) {
    EXPECT_EQ(TextAfterColon("User-Agent:  X "), "X");
    EXPECT_EQ(TextAfterColon("no colon"), "");
    EXPECT_EQ(TextAfterColon("a:b:c"), "b:c");
    EXPECT_EQ(TextAfterColon("a:"), "");
}

}  // namespace
}  // namespace pelko

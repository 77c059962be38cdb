#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/wire.h"

namespace pelko {
namespace {

TEST(WireHeaderLines, LineBreaksAndLinesWithoutAName) {
    struct Case {
        const char* block;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"A: 1\r\nB: 2", {"A: 1", "B: 2"}},
        {"A: 1\nB: 2\rC: 3", {"A: 1", "B: 2", "C: 3"}},  // any CR or LF ends a line
        {"A: 1\r\n\r\nB: 2\r\n", {"A: 1", "B: 2"}},
        {"no colon\r\nA: 1", {"A: 1"}},
        // A colon with nothing but blanks before it names no header.
        {": v\r\n  : w\r\n\t:x\r\nA: 1", {"A: 1"}},
        {"X:\r\n x: y", {"X:", " x: y"}},  // an empty value, and a name after blanks, are kept
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(WireHeaderLines(c.block), c.lines) << c.block;
}

TEST(WireAgentName, EndsAtTheFirstLineBreak) {
    EXPECT_EQ(WireAgentName("Agent/1.0"), "Agent/1.0");
    EXPECT_EQ(WireAgentName("X\r\nAccept: a"), "X");
    EXPECT_EQ(WireAgentName("X\nY"), "X");
    EXPECT_EQ(WireAgentName(""), "");
}

TEST(WirePort, OutsideTheRangeTheSchemesOwn) {
    struct Case {
        int port;
        bool secure;
        int wire;
    };
    const Case cases[] = {{8080, false, 8080}, {1, true, 1},      {65535, false, 65535}, {0, false, 80},
                          {0, true, 443},      {-5, true, 443},   {65536, false, 80},    {99999, true, 443}};
    for (const auto& c : cases) EXPECT_EQ(WirePort(c.port, c.secure), c.wire) << c.port << c.secure;
}

}  // namespace
}  // namespace pelko

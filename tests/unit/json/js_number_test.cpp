#include "json/js_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pelko::json {
namespace {

TEST(ScriptNumberText, WritesTheShortestFormInTheScriptsLayout) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-1.5, "-1.5"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.30000000000000004"},
        {123.456, "123.456"},
        {1600000000000, "1600000000000"},
        {1e20, "100000000000000000000"},
        {123456789012345680000.0, "123456789012345680000"},
        {1e21, "1e+21"},
        {1.5e300, "1.5e+300"},
        {0.000001, "0.000001"},
        {0.0000012345, "0.0000012345"},
        {1e-7, "1e-7"},
        {-1.5e-7, "-1.5e-7"},
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {9007199254740993.0, "9007199254740992"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {INFINITY, "Infinity"},
        {-INFINITY, "-Infinity"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberToScriptText(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace pelko::json

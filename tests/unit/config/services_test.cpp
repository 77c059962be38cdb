#include <gtest/gtest.h>

#include "config/limits.h"
#include "config/services.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using std::chrono::milliseconds;

TEST(LimitFromText, DigitsOrTheBuiltInValue) {
    const milliseconds builtIn{15000};
    struct Case {
        Text text;
        milliseconds expected;
    } cases[] = {
        {"500", milliseconds(500)},
        {" 2000 ", milliseconds(2000)},
        {"1", milliseconds(1)},
        {"", builtIn},
        {"0", builtIn},
        {"-5", builtIn},
        {"+5", builtIn},
        {"12abc", builtIn},
        {"1.5", builtIn},
        {"abc", builtIn},
        {"0x10", builtIn},
        {"99999999999999999999999", milliseconds(2147483647)},
    };
    for (const Case& c : cases) EXPECT_EQ(LimitFromText(c.text, builtIn), c.expected) << "'" << c.text << "'";
}

class ConfiguredLimits : public ::testing::Test {
protected:
    void TearDown() override { CurrentLimits() = saved; }
    TransportLimits saved = CurrentLimits();
    testing::TempRunDirectory dir;
};

TEST_F(ConfiguredLimits, KeysOfServicesReplaceTheBuiltInsAndEditsAreSeen) {
    dir.Write(u8"config.ini",
              "[Services]\r\nConnectTimeoutMs=700\r\nIdleTimeoutMs=500\r\nTotalTimeoutMs=2000\r\n"
              "[Pelko]\r\nIdleTimeoutMs=1\r\n");
    CurrentLimits().maxBody = 1234;
    ApplyConfiguredLimits();
    EXPECT_EQ(CurrentLimits().connect, milliseconds(700));
    EXPECT_EQ(CurrentLimits().idle, milliseconds(500));
    EXPECT_EQ(CurrentLimits().total, milliseconds(2000));
    EXPECT_EQ(CurrentLimits().maxBody, 1234u) << "only the three time limits come from the file";

    // A key removed or spoilt later goes back to its built-in value.
    dir.Write(u8"config.ini", "[Services]\r\nIdleTimeoutMs=soon\r\nTotalTimeoutMs=9000\r\n");
    ApplyConfiguredLimits();
    const TransportLimits builtIn;
    EXPECT_EQ(CurrentLimits().connect, builtIn.connect);
    EXPECT_EQ(CurrentLimits().idle, builtIn.idle);
    EXPECT_EQ(CurrentLimits().total, milliseconds(9000));
}

}  // namespace
}  // namespace pelko

#include <gtest/gtest.h>

#include <string>

#include "notify/addressing.h"
#include "notify/hmac_os.h"

namespace pelko {
namespace {

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

TEST(HmacSha256, MatchesPublishedVectors) {
    struct Case {
        std::string key, message, digest;
    } cases[] = {
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        // A key longer than the hash's block is hashed first.
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const Case& c : cases) EXPECT_EQ(Hex(os::HmacSha256(c.key, c.message)), c.digest) << c.message;
}

// The expected values were computed apart from this program:
//   printf '%s\n%s' MS SECRET | openssl dgst -sha256 -hmac SECRET -binary | base64
// with the secret in UTF-8, then percent-encoded by hand.
TEST(DingTalkSignQuery, SignsTimestampAndSecretKeyedByTheSecret) {
    const Text secret = "SEC3f1c0a9e7b2d4c6f8a0b1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e6f7a8b9c0d1e2";
    struct Case {
        int64_t ms;
        Text secret, query;
    } cases[] = {
        {1700000000000, secret, "&timestamp=1700000000000&sign=PYrkiFw3ta1YkX99WGItxod3vlx1D6Gb%2B45vI%2FGTmz8%3D"},
        {1700000000000, " \t" + secret + "\r\n", "&timestamp=1700000000000&sign=PYrkiFw3ta1YkX99WGItxod3vlx1D6Gb%2B45vI%2FGTmz8%3D"},
        // Keyed by the UTF-8 bytes, not the code page 936 ones.
        {1577836800000, "加签密钥", "&timestamp=1577836800000&sign=xqetbxdHJHlGedfmbIyW%2FTQDyDVtVeBttj20wMO785U%3D"},
        {1700000000000, "", ""},
        {1700000000000, "  \t ", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DingTalkSignQuery(c.ms, c.secret), c.query) << c.secret;
}

TEST(DingTalkToken, TakesTheTokenOutOfAPastedWebhookAddress) {
    struct Case {
        Text box, token;
    } cases[] = {
        {"abc123", "abc123"},
        {"  abc123\t\r\n", "abc123"},
        {"　abc123　", "abc123"},  // full-width spaces
        {"https://oapi.dingtalk.com/robot/send?access_token=abc123", "abc123"},
        {" HTTPS://robot.example.test:8443/robot/send?access_token=abc123 ", "abc123"},
        {"http://127.0.0.1:9/robot/send?access_token=abc123", "abc123"},
        {"https://h/robot/send?foo=1&access_token=abc123&timestamp=5", "abc123"},
        {"https://h/robot/send?access_token=abc123#top", "abc123"},
        {"https://h/robot/send?x_access_token=no&access_token=abc123", "abc123"},
        // Not a robot address, or no token in it: left whole, so the robot's
        // refusal says what is wrong instead of the push silently vanishing.
        {"https://h/robot/send?access_token=", "https://h/robot/send?access_token="},
        {"https://h/robot/send?foo=1", "https://h/robot/send?foo=1"},
        {"https://h/other/send?access_token=abc123", "https://h/other/send?access_token=abc123"},
        {"access_token=abc123", "access_token=abc123"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DingTalkToken(c.box), c.token) << c.box;
}

TEST(ServerChanUrl, SendsPerUserKeysToTheirOwnHost) {
    const Text base = "https://sc.test", base3 = "https://{uid}.push.test";
    struct Case {
        Text key, url;
    } cases[] = {
        {"SCT12345abc", "https://sc.test/SCT12345abc.send"},
        {"  SCT12345abc\t", "https://sc.test/SCT12345abc.send"},
        {"sctp1234tABCdef", "https://1234.push.test/send/sctp1234tABCdef.send"},
        {" sctp7tX ", "https://7.push.test/send/sctp7tX.send"},
        // Not of the form sctp<digits>t...: the classic host.
        {"sctpt123", "https://sc.test/sctpt123.send"},
        {"sctp123", "https://sc.test/sctp123.send"},
        {"sctp12x3t", "https://sc.test/sctp12x3t.send"},
        {"SCTP1234tA", "https://sc.test/SCTP1234tA.send"},
    };
    for (const Case& c : cases) EXPECT_EQ(ServerChanUrl(c.key, base, base3), c.url) << c.key;
    EXPECT_EQ(ServerChanUrl("sctp9tK", base, "http://127.0.0.1:8080/{uid}/"), "http://127.0.0.1:8080/9/send/sctp9tK.send")
        << "a base may hold the uid anywhere";
}

TEST(MaskSecret, ShowsNeverMoreThanFourCharactersNorAWholeSecret) {
    struct Case {
        Text secret, shown;
    } cases[] = {
        {"0123456789abcdef", "0123\xA1\xAD"},
        {"01234", "0123\xA1\xAD"},
        {"  0123456789\t", "0123\xA1\xAD"},
        {"0123", "\xA1\xAD"},
        {"0", "\xA1\xAD"},
        {"", ""},
        {"加签密钥五", "加签密钥\xA1\xAD"},  // characters, not bytes
        {"加签密钥", "\xA1\xAD"},
    };
    for (const Case& c : cases) EXPECT_EQ(MaskSecret(c.secret), c.shown) << c.secret;
}

}  // namespace
}  // namespace pelko

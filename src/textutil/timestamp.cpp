#include "textutil/timestamp.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "textutil/clock_os.h"

namespace pelko {

namespace {

bool IsScriptSpace(std::string_view s, size_t i, size_t& width) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || (c >= 9 && c <= 13)) {
        width = 1;
        return true;
    }
    if (c == 0xA1 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA1) {  // ideographic space
        width = 2;
        return true;
    }
    return false;
}

// A script's Number(text): blanks around, empty is 0, 0x hexadecimal,
// Infinity, decimal with fraction and exponent; anything else NaN.
double ScriptNumber(std::string_view s) {
    size_t w = 0;
    while (!s.empty() && IsScriptSpace(s, 0, w)) s.remove_prefix(w);
    while (!s.empty()) {
        size_t last = s.size() - 1;
        if (s.size() >= 2 && IsScriptSpace(s, s.size() - 2, w) && w == 2) s.remove_suffix(2);
        else if (IsScriptSpace(s, last, w) && w == 1) s.remove_suffix(1);
        else break;
    }
    const double nan = std::nan("");
    if (s.empty()) return 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        double v = 0;
        for (char c : s.substr(2)) {
            int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0) return nan;
            v = v * 16 + d;
        }
        return v;
    }
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s == "Infinity") return negative ? -INFINITY : INFINITY;
    // from_chars would also take "inf" and "nan", which a script does not.
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return nan;
    if (s.empty() || s[0] == '+' || s[0] == '-') return nan;
    double v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) return negative ? -INFINITY : INFINITY;
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return nan;
    return negative ? -v : v;
}

// TextToInt's reading (full-width forms folded, blanks, sign, digits up to
// the first other byte), wide enough for every ten-character value.
int64_t ReadSeconds(std::string_view text) {
    std::string s;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(text[i]);
        unsigned char b = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (a == 0xA3 && b >= 0xA1 && b <= 0xFE) {
            s += static_cast<char>(b - 0x80);
            ++i;
        } else if (a == 0xA1 && b == 0xA1) {
            s += ' ';
            ++i;
        } else {
            s += static_cast<char>(a);
            if (a >= 0x80 && b) {
                s += static_cast<char>(b);
                ++i;
            }
        }
    }
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= 9 && s[i] <= 13))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
    return negative ? -v : v;
}

}  // namespace

Text TimestampToText(const Text& text) {
    if (TextLength(text) == 10) {
        DateTime t = AddToDateTime(TextToDateTime("1970.01.01 08:00:00"), 8, static_cast<double>(ReadSeconds(text)));
        return FormatDateTime(t, Text("yyyy-MM-dd "), Text(LocaleUses24HourClock() ? "HH:mm:ss" : "hh:mm:ss"));
    }
    double ms = ScriptNumber(text);
    if (std::isnan(ms) || std::fabs(ms) > 8.64e15) return {};  // the time value's range
    int64_t whole = static_cast<int64_t>(std::trunc(ms));
    int64_t seconds = whole / 1000 - (whole % 1000 < 0 ? 1 : 0);
    CivilTime c;
    if (!os::LocalTimeOf(seconds, c)) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d-%d-%d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
    return buf;
}

Text FormatDateTime(DateTime date, Opt<Text> datePicture, Opt<Text> timePicture, Opt<int> force24Hour) {
    if (!datePicture && !timePicture) return {};
    CivilTime civil;
    if (!DateTimeToCivil(date, civil)) return {};
    Text out;
    if (datePicture && datePicture->size() >= 3) out += os::FormatDatePicture(civil, *datePicture);
    if (timePicture && timePicture->size() >= 3)
        out += os::FormatTimePicture(civil, *timePicture, force24Hour.value_or(0) == 1);
    return out;
}

int LocaleUses24HourClock() { return os::LocaleUses24HourClock(); }

}  // namespace pelko

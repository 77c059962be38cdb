#include "json/js_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pelko::json {

std::string NumberToScriptText(double value) {
    if (std::isnan(value)) return "NaN";
    if (value == 0) return "0";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";

    std::string out;
    if (value < 0) {
        out += '-';
        value = -value;
    }
    // Scientific form gives the shortest digits d.ddd and the exponent.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
    size_t e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits += c;
    int exp10 = std::atoi(std::string(sci.substr(e + 1)).c_str());
    const int k = static_cast<int>(digits.size());
    const int n = exp10 + 1;  // the decimal point sits after n digits

    if (k <= n && n <= 21) {
        out += digits;
        out.append(static_cast<size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, static_cast<size_t>(n));
        out += '.';
        out += digits.substr(static_cast<size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'e';
        out += (n - 1 < 0) ? '-' : '+';
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

}  // namespace pelko::json

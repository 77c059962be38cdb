#include "app/integer_box.h"

#include <climits>
#include <cstdint>
#include <string>

namespace pelko {

Text NormalizedInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int d = text[i] - '0';
        if (v > (LLONG_MAX - d) / 10) {
            v = LLONG_MAX;
            break;
        }
        v = v * 10 + d;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return v == 0 ? Text() : std::to_string(v);
}

}  // namespace pelko

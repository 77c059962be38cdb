#include "http/wire.h"

namespace pelko {

std::string WireObjectName(const Text& objectName) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : objectName) {
        if (c == '#') break;
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
    return out;
}

}  // namespace pelko

#include "json/json_path.h"

#include "textutil/codepage.h"
#include "textutil/escapes.h"
#include "textutil/utf8.h"

namespace pelko::json {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

void SkipBlanks(std::string_view s, size_t& i) {
    while (i < s.size() && IsBlank(s[i])) ++i;
}

bool ReadName(std::string_view s, size_t& i, std::string_view& name) {
    size_t start = i;
    if (i >= s.size() || IsDigit(s[i]) || !IsNameByte(s[i])) return false;
    while (i < s.size() && IsNameByte(s[i])) i += (static_cast<unsigned char>(s[i]) >= 0x80 && i + 1 < s.size()) ? 2 : 1;
    name = s.substr(start, i - start);
    return true;
}

std::string NameToUtf8(std::string_view name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return AnsiToUtf8(name);
    return std::string(name);
}

}  // namespace

long long ArrayIndexOf(const std::string& key) {
    if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == '0')) return -1;
    long long v = 0;
    for (char c : key) {
        if (!IsDigit(c)) return -1;
        v = v * 10 + (c - '0');
    }
    return v < 4294967295LL ? v : -1;
}

bool ParsePath(std::string_view s, ParsedPath& out) {
    out.head.clear();
    out.steps.clear();
    size_t i = 0;
    SkipBlanks(s, i);
    std::string_view name;
    if (!ReadName(s, i, name)) return false;
    out.head.assign(name);
    for (;;) {
        SkipBlanks(s, i);
        if (i == s.size()) return true;
        if (s[i] == '.') {
            ++i;
            SkipBlanks(s, i);
            if (!ReadName(s, i, name)) return false;
            out.steps.push_back({NameToUtf8(name)});
        } else if (s[i] == '[') {
            ++i;
            SkipBlanks(s, i);
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                char quote = s[i++];
                size_t start = i;
                while (i < s.size() && s[i] != quote) {
                    if (s[i] == '\\' && i + 1 < s.size()) ++i;
                    i += (static_cast<unsigned char>(s[i]) >= 0x80 && i + 1 < s.size()) ? 2 : 1;
                }
                if (i >= s.size()) return false;
                auto body = ReadStringLiteral(AnsiToUtf16(s.substr(start, i - start)),
                                              static_cast<char16_t>(quote));
                if (!body) return false;
                out.steps.push_back({Utf16ToUtf8(*body)});
                ++i;
            } else {
                bool negative = false;
                if (i < s.size() && s[i] == '-') {
                    negative = true;
                    ++i;
                }
                size_t start = i;
                while (i < s.size() && IsDigit(s[i])) ++i;
                if (i == start) return false;
                std::string_view digits = s.substr(start, i - start);
                while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
                std::string key = (negative && digits != "0") ? "-" : "";
                key += digits;
                out.steps.push_back({std::move(key)});
            }
            SkipBlanks(s, i);
            if (i >= s.size() || s[i] != ']') return false;
            ++i;
        } else {
            return false;
        }
    }
}

}  // namespace pelko::json

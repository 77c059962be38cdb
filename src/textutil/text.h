// Text, byte-set and number primitives.
//
// Text is a byte string in code page 936 (GBK).  Positions are byte positions
// counted from 1; a search that finds nothing gives -1.  Operations marked
// "walks characters" treat a byte of 0x80 or more as the first byte of a
// two-byte character, so their matches begin only on character boundaries.
// Every string literal of the program is compiled as code page 936
// (-fexec-charset), so "开始监控" below is already GBK bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

using Text = std::string;

// A counted byte set that may hold zero bytes.  A distinct type so that
// ToText(Bytes) (cut at the first zero) and ToText(Text) (a copy) differ.
struct Bytes : std::string {
    using std::string::string;
    Bytes() = default;
    explicit Bytes(std::string s) : std::string(std::move(s)) {}
};

// Items numbered from 1 in the system's words; stored 0-based here.
using TextArray = std::vector<Text>;

template <class T> using Opt = std::optional<T>;

// --- texts -----------------------------------------------------------------
int TextLength(std::string_view text);
template <class... Parts> Text ConcatText(const Parts&... parts) {
    Text out;
    (out.append(parts), ...);
    return out;
}
int CompareText(std::string_view a, std::string_view b);
bool TextStartsWith(std::string_view text, std::string_view prefix);
Text LeftText(std::string_view text, int n);
Text RightText(std::string_view text, int n);
Text MidText(std::string_view text, int start, int n);
Text BlankText(int n);
Text CharFromCode(int code);
int CharCode(std::string_view text, Opt<int> position = {});
Text ToUpperText(std::string_view text);
Text ToLowerText(std::string_view text);
Text TrimText(std::string_view text);
// ignoreCase == 1 folds ASCII letters; any other value compares exactly.
int FindText(std::string_view text, std::string_view sub, Opt<int> start = {}, int ignoreCase = 0);
int FindTextReverse(std::string_view text, std::string_view sub, Opt<int> start = {}, int ignoreCase = 0);
Text ReplaceText(std::string_view text, std::string_view sub, Opt<Text> replacement = {},
                 Opt<int> start = {}, Opt<int> count = {}, bool caseSensitive = true);
TextArray SplitText(std::string_view text, Opt<Text> separator = {}, Opt<int> maxItems = {});

// --- numbers ---------------------------------------------------------------
int32_t TextToInt(std::string_view text);
int32_t TextToInt(double value);
Text ToText(int value);
Text ToText(int64_t value);
Text ToText(double value);
Text ToText(const Bytes& bytes);
Text ToText(const Text& text);
Text ToText(const char* text);
Text ToHexText(int value);

// --- byte sets -------------------------------------------------------------
Bytes ToBytes(std::string_view text);
int BytesLength(const Bytes& bytes);
Bytes BytesLeft(const Bytes& bytes, int n);
Bytes BytesMid(const Bytes& bytes, int start, int n);
Bytes ReplaceBytes(const Bytes& bytes, std::string_view find, Opt<std::string> replacement = {},
                   Opt<int> start = {}, Opt<int> count = {});
Bytes BlankBytes(int n);
int CompareBytes(const Bytes& a, const Bytes& b, int n);
inline int ArraySize(const TextArray& array) { return static_cast<int>(array.size()); }

// Length of the character that starts at byte i (1 or 2) under the
// double-byte rule: a lead byte right before the end counts as one byte.
inline size_t CharWidthAt(std::string_view text, size_t i) {
    return (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace pelko

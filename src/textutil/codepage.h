// Code-page conversion and URL encoding.  The core keeps code page 936 text;
// UTF-8 and UTF-16 appear only where texts leave or enter the program.
#pragma once

#include <string>

#include "textutil/text.h"

namespace pelko {

inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageAnsi = 0;  // the program's own code page: 936

// Every byte is written as %XX unless keepUnreserved keeps - . 0-9 A-Z a-z.
Text UrlEncode(std::string_view text, Opt<bool> keepUnreserved = {}, Opt<bool> viaUtf8 = {});
Text AnsiToUtf8(std::string_view text);
// Characters that code page 936 lacks become "?".
Text Utf8ToAnsi(std::string_view utf8);
// Code page 936 text as UTF-16 and back, every byte of it (a NUL is a
// character here, not the end).  Bytes that do not decode become U+FFFD, a
// pair as one; characters the code page lacks become "?".  GBK's
// user-defined area is U+E000..U+E765 both ways.
std::u16string AnsiToUtf16(std::string_view text);
Text Utf16ToAnsi(std::u16string_view units);

// UTF-16LE units with one terminating zero unit.
Bytes MultiByteToUtf16(std::string_view text, Opt<int> codePage = {});
Text Utf16ToMultiByte(const Bytes& utf16le, Opt<int> codePage = {});

}  // namespace pelko

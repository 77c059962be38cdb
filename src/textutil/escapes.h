// Decoding of the escapes a script string literal and unescape() know.
#pragma once

#include <string>
#include <string_view>

#include "textutil/text.h"

namespace pelko {

// Resolves backslash escapes (\n, \t, \", \\, \xHH, octal ...) and then
// %uXXXX and %XX.  CR LF pairs, lone line breaks and apostrophes come back as
// they were.  Text that cannot be read (a final unpaired backslash) comes
// back unchanged.
Text DecodeUnicodeEscapes(const Text& text);

// The bytes read as UTF-16LE units, as code page 936 text.
Text UnicodeBytesToText(const Bytes& bytes);

// The content of a string literal quoted by `quote`: escapes resolved.
// Empty when the content holds the bare quote, a line break or a final lone
// backslash (a script would not parse it).  With `allowLineBreaks` raw line
// breaks are kept as characters.
Opt<std::u16string> ReadStringLiteral(std::u16string_view body, char16_t quote, bool allowLineBreaks = false);

}  // namespace pelko

// The platform's converter for code page 936 (iconv on POSIX, Win32 NLS on
// Windows).  Only the conversions in codepage.cpp call it; everything else
// goes through codepage.h, which also does UTF-8 itself.
#pragma once

#include <string>
#include <string_view>

namespace pelko::os {

// Bytes that do not decode become U+FFFD, a lead byte taking its trail byte
// with it; characters the code page lacks (and lone surrogates) become "?".
std::u16string DecodeGbk(std::string_view bytes);
std::string EncodeGbk(std::u16string_view units);

}  // namespace pelko::os

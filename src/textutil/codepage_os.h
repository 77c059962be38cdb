// The platform's code-page converters (iconv on POSIX, Win32 NLS on Windows).
#pragma once

#include <string>
#include <string_view>

namespace pelko::os {

// codePage is 936 or 65001 (0 means 936).  Bytes that do not decode become
// U+FFFD; characters the target lacks become "?".
std::u16string DecodeToUtf16(std::string_view bytes, int codePage);
std::string EncodeFromUtf16(std::u16string_view units, int codePage);

}  // namespace pelko::os

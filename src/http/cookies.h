// Cookie text: name=value items joined by "; ", names and items compared
// with letter case significant.
#pragma once

#include "textutil/text.h"

namespace pelko {

// The name=value pairs of the block's "Set-Cookie: " lines, in order; the
// header name is matched exactly, attributes are dropped.
Text ExtractSetCookies(const Text& headerBlock);
// The answer's cookies first, then each sent name the answer did not set;
// "=deleted" items and identical repeats are left out.  Both arguments are
// tidied in place and `cookies` ends holding the merged text.
Text MergeCookies(Text& cookies, Text& returned);

Text CookieName(const Text& item);
bool HasCookieName(const TextArray& list, const Text& name);
Text JoinDistinct(const Text& text, const Text& separator, bool splitBySeparator);
int SplitCharacters(const Text& text, TextArray& list);
int IndexOfText(const TextArray& list, const Text& text);  // 1-based, -1 when absent

}  // namespace pelko

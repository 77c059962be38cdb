// The rewrite of the two number boxes when they lose the keyboard focus.
#pragma once

#include <string_view>

#include "textutil/text.h"

namespace pelko {

// Read as a signed decimal with 64-bit range, clamped to 32 bits; 0 (and a
// text without digits) leaves the box empty.
Text NormalizedInteger(std::string_view text);

}  // namespace pelko

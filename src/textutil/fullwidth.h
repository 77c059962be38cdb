#pragma once

#include "textutil/text.h"

namespace pelko {

// Full-width ASCII forms (A3 A1..A3 FE, the full-width space A1 A1, A1 AB and
// A1 EE/EF) folded to their single bytes, walking characters.
Text FoldFullWidth(std::string_view text);

}  // namespace pelko

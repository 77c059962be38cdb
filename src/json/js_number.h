// Numbers written the way a script writes them (ECMAScript Number::toString).
#pragma once

#include <string>

namespace pelko::json {

// Shortest round-trip digits; plain digits up to 1e21, exponent form beyond;
// "NaN", "Infinity", "-Infinity"; -0 as "0".
std::string NumberToScriptText(double value);

}  // namespace pelko::json

// How a request's object name goes on the wire, the same for every transport.
#pragma once

#include <string>
#include <vector>

#include "textutil/text.h"

namespace pelko {

// Bytes a URL may not hold as they are go percent-encoded, so the request
// line is the same whatever the system's code page; the fragment stays home.
std::string WireObjectName(const Text& objectName);

// The header lines of a block.  Any CR or LF ends a line, so no line can
// smuggle in another, and a line without a name before a colon is left out
// rather than failing the send.
std::vector<std::string> WireHeaderLines(const Text& block);

}  // namespace pelko

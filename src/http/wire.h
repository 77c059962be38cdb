// How a request's object name goes on the wire, the same for every transport.
#pragma once

#include <string>

#include "textutil/text.h"

namespace pelko {

// Bytes a URL may not hold as they are go percent-encoded, so the request
// line is the same whatever the system's code page; the fragment stays home.
std::string WireObjectName(const Text& objectName);

}  // namespace pelko

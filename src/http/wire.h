// How a request goes on the wire (object name, header lines, agent name,
// port), the same for every transport.
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

// The agent name up to its first line break: the rest of a block that an
// agent line swallowed must not reach the stack as part of the name.
std::string WireAgentName(const Text& agentName);

// The port to connect to: the one asked for when it is a port at all, else
// the scheme's own (443 for https, 80 otherwise).
int WirePort(int port, bool secure);

}  // namespace pelko

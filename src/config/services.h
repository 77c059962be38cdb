// Base addresses of the three services: build options, overridden at run
// time by section "Services" of config.ini (read anew for every request).
// The same section may set the transport's time limits in milliseconds.
#pragma once

#include "config/chrono.h"
#include "textutil/text.h"

namespace pelko {

Text FeedBase();
Text DingTalkBase();
Text ServerChanBase();
// For ServerChan³ keys ("sctp<digits>t..."); "{uid}" stands for the digits.
Text ServerChan3Base();

// A limit as written in config.ini: plain decimal digits, blanks around them
// allowed; anything else, and zero, gives `builtIn`.  Capped at 2^31-1 ms.
std::chrono::milliseconds LimitFromText(const Text& value, std::chrono::milliseconds builtIn);
// Sets the connect, idle and total limits of CurrentLimits() from the keys
// ConnectTimeoutMs, IdleTimeoutMs and TotalTimeoutMs; the pass calls it
// first, so edits take effect from the next pass.
void ApplyConfiguredLimits();

}  // namespace pelko

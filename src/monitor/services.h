// Base addresses of the three services: build options, overridden at run
// time by section "Services" of config.ini (read anew for every request).
#pragma once

#include "textutil/text.h"

namespace pelko {

Text FeedBase();
Text DingTalkBase();
Text ServerChanBase();

}  // namespace pelko

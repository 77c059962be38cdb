// The limits every web request runs under.  The time limits may be set in
// config.ini (see config/services.h); the transports only read them.
#pragma once

#include <cstddef>

#include "config/chrono.h"

namespace pelko {

struct TransportLimits {
    std::chrono::milliseconds connect{15000};
    std::chrono::milliseconds idle{30000};  // no data for this long ends it
    std::chrono::milliseconds total{120000};
    std::size_t maxBody = 16u << 20;  // a longer answer gives the empty body
};

// The limits the next request takes.
TransportLimits& CurrentLimits();

}  // namespace pelko

#include "config/limits.h"

namespace pelko {

TransportLimits& CurrentLimits() {
    static TransportLimits limits;
    return limits;
}

}  // namespace pelko

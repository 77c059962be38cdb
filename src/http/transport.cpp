#include "http/transport.h"

#include <atomic>

namespace pelko {

namespace {
std::atomic<Transport*> g_override{nullptr};
}  // namespace

Transport& CurrentTransport() {
    Transport* t = g_override.load();
    return t ? *t : PlatformTransport();
}

void SetTransport(Transport* transport) { g_override.store(transport); }

}  // namespace pelko

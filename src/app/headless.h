// The monitor without a window, for servers and for tests.
#pragma once

namespace pelko {

struct HeadlessOptions {
    bool once = false;
};

int RunHeadless(const HeadlessOptions& options);

}  // namespace pelko

// A window program started from a console prints there when it runs without
// a window.
#pragma once

namespace pelko {

// Connects stdout and stderr to the console of the parent process, unless
// they already lead somewhere (a file, a pipe).  No-op where programs always
// inherit their streams.
void AttachParentConsole();

}  // namespace pelko

// A window program started from a console prints there when it runs without
// a window.
#pragma once

#include "textutil/text.h"

namespace pelko {

// Connects stdout and stderr to the console of the parent process, unless
// they already lead somewhere (a file, a pipe).  No-op where programs always
// inherit their streams.
void AttachParentConsole();

// Argument `index` of main() as the program's own text.  `narrow` is what
// main() was given; a platform whose command line has a better form of it
// takes that instead.
Text ArgumentText(int index, const char* narrow);

}  // namespace pelko

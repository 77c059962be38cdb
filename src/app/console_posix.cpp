#include "app/console.h"

#include "textutil/codepage.h"

namespace pelko {

void AttachParentConsole() {}

// Arguments arrive in UTF-8, as the terminal and the service manager give them.
Text ArgumentText(int, const char* narrow) { return Utf8ToAnsi(narrow); }

}  // namespace pelko

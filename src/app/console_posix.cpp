#include "app/console.h"

namespace pelko {

void AttachParentConsole() {}

}  // namespace pelko

// Where the program's files live.  Every path is built anew on each call, so
// a test that points the program's folder elsewhere is seen at once.
#pragma once

#include "textutil/text.h"

namespace pelko {

// The folder that holds the program's file, without a trailing separator.
Text ProgramDirectory();
// The folder of config.ini.
Text ConfigDirectory();
// The folder of what the program remembers between runs: the store of
// reports already pushed and the files kept beside it.
Text StateDirectory();

// "config.ini": the six settings and the service section.
Text ConfigPath();
// "已爆料商品.ini": the reports already pushed.
Text StorePath();

// Tests point the program's folder at a scratch folder; empty restores it.
void SetRunDirectoryForTesting(const Text& directory);

}  // namespace pelko

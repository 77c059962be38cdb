// Where the program's files live.  Every path is built anew on each call, so
// a test that points the program's folder elsewhere is seen at once; the
// choice of data folders itself is made once per run (folder_choice.h has
// the rules).
#pragma once

#include "config/folder_choice.h"
#include "textutil/text.h"

namespace pelko {

// The folder that holds the program's file, without a trailing separator.
Text ProgramDirectory();
// The folder of config.ini.
Text ConfigDirectory();
// The folder of what the program remembers between runs: the store of
// reports already pushed and the files kept beside it.
Text StateDirectory();
// Why those folders were chosen.
FolderSource DataFolderSource();

// "config.ini": the six settings and the service section.
Text ConfigPath();
// "已爆料商品.ini": the reports already pushed.
Text StorePath();

// The folder given with --dir; both files live there.  Called before the
// first path is asked for.
void UseDataDirectory(const Text& folder);
// Creates the data folders that do not exist yet.  Empty on success, else
// the message to show.
Text PrepareDataFolders();
// One line's worth for the user: which folders hold the files, and why.
Text DescribeDataFolders();
// A path as the user would write it: with the platform's own separator.
Text DisplayPath(const Text& path);

// Tests point the program's folder, and with it both data folders, at a
// scratch folder; empty restores it.
void SetRunDirectoryForTesting(const Text& directory);

}  // namespace pelko

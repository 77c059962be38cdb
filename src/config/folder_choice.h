// Which folders hold config.ini and the files the program remembers between
// runs.  Pure: the caller gathers what the platform says, so every rule can be
// shown with plain values.
#pragma once

#include "textutil/text.h"

namespace pelko {

enum class FolderSource {
    Option,       // --dir
    Environment,  // PELKO_DIR
    Program,      // the folder of the program's file
    UserFolders,  // $XDG_CONFIG_HOME and $XDG_STATE_HOME, or their defaults under the home folder
};

struct FolderFacts {
    Text option;       // the folder given with --dir, empty when none
    Text environment;  // PELKO_DIR, empty when unset
    Text program;      // the folder of the program's file
    bool programWritable = false;
    bool programHoldsFiles = false;  // config.ini or the store is there already
    bool alwaysBesideProgram = false;  // the platform keeps its files there unless --dir says otherwise
    Text xdgConfigHome, xdgStateHome, home;
};

struct DataFolders {
    Text config;  // holds config.ini
    Text state;   // holds the store and what else lives beside it
    FolderSource source = FolderSource::Program;
};

// In order: --dir; the program's folder where the platform always keeps its
// files there; PELKO_DIR; the program's folder when it holds the files
// already (settings are never left behind, even while the folder cannot be
// written), or when it can be written and is not a bin folder (an installed
// program's folder is not its data folder, even for the administrator); else
// "pelko-monitor" in the user's config and state folders.  Without a home
// folder to put those under, the program's folder after all.
DataFolders ChooseDataFolders(const FolderFacts& facts);

// The folder without trailing separators ("/" and "\" both count); a root
// folder keeps its one separator.
Text WithoutTrailingSeparators(const Text& folder);
// `name` inside `folder`, joined with "\" (the form every file operation
// takes); trailing separators of the folder are dropped first.
Text JoinPath(const Text& folder, const Text& name);

}  // namespace pelko

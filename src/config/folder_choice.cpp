#include "config/folder_choice.h"

namespace pelko {

namespace {

const char kName[] = "pelko-monitor";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The last name of a folder path, under the double-byte walk: a trail byte
// may be 0x5C.
Text LastName(const Text& folder) {
    size_t start = 0;
    for (size_t i = 0; i < folder.size(); i += CharWidthAt(folder, i))
        if (IsSeparator(folder[i])) start = i + 1;
    return folder.substr(start);
}

bool IsBinFolder(const Text& folder) {
    const Text name = LastName(folder);
    return name == "bin" || name == "sbin";
}

// The base directory variables count only when they hold an absolute path.
bool IsAbsolute(const Text& path) { return !path.empty() && IsSeparator(path[0]); }

Text UserFolder(const Text& variable, const Text& home, const char* belowHome) {
    if (IsAbsolute(variable)) return JoinPath(variable, kName);
    return JoinPath(JoinPath(home, belowHome), kName);
}

}  // namespace

Text WithoutTrailingSeparators(const Text& folder) {
    // Walk forward so that a trail byte of 0x5C is never taken for a separator.
    size_t keep = 0;
    for (size_t i = 0; i < folder.size(); i += CharWidthAt(folder, i))
        if (!IsSeparator(folder[i])) keep = i + CharWidthAt(folder, i);
    if (keep == 0 && !folder.empty()) return folder.substr(0, 1);
    return folder.substr(0, keep);
}

Text JoinPath(const Text& folder, const Text& name) {
    const Text base = WithoutTrailingSeparators(folder);
    if (base.size() == 1 && IsSeparator(base[0])) return base + name;
    return base + "\\" + name;
}

DataFolders ChooseDataFolders(const FolderFacts& f) {
    auto both = [](const Text& folder, FolderSource source) {
        const Text dir = WithoutTrailingSeparators(folder);
        return DataFolders{dir, dir, source};
    };
    if (!f.option.empty()) return both(f.option, FolderSource::Option);
    if (f.alwaysBesideProgram) return both(f.program, FolderSource::Program);
    if (!f.environment.empty()) return both(f.environment, FolderSource::Environment);
    if (f.programHoldsFiles || (f.programWritable && !IsBinFolder(f.program)))
        return both(f.program, FolderSource::Program);
    if (!IsAbsolute(f.home) && !(IsAbsolute(f.xdgConfigHome) && IsAbsolute(f.xdgStateHome)))
        return both(f.program, FolderSource::Program);
    return DataFolders{UserFolder(f.xdgConfigHome, f.home, ".config"),
                       UserFolder(f.xdgStateHome, f.home, ".local\\state"), FolderSource::UserFolders};
}

}  // namespace pelko

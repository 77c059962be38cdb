#include "config/paths.h"

#include "textutil/files_os.h"

namespace pelko {

namespace {

Text& DirectoryOverride() {
    static Text dir;
    return dir;
}

}  // namespace

Text ProgramDirectory() {
    if (!DirectoryOverride().empty()) return DirectoryOverride();
    const Text exe = os::ExecutablePath();
    // The last separator under the double-byte walk: a trail byte may be 0x5C.
    size_t cut = Text::npos;
    for (size_t i = 0; i < exe.size(); i += CharWidthAt(exe, i))
        if (exe[i] == '\\' || exe[i] == '/') cut = i;
    // Without a known program file, the current folder rather than the root.
    if (cut == Text::npos) return ".";
    return exe.substr(0, cut);
}

Text ConfigDirectory() { return ProgramDirectory(); }
Text StateDirectory() { return ProgramDirectory(); }

Text ConfigPath() { return ConfigDirectory() + "\\config.ini"; }
Text StorePath() { return StateDirectory() + "\\已爆料商品.ini"; }

void SetRunDirectoryForTesting(const Text& directory) { DirectoryOverride() = directory; }

}  // namespace pelko

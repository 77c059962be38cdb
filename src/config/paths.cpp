#include "config/paths.h"

#include <mutex>
#include <optional>

#include "textutil/files_os.h"

namespace pelko {

namespace {

const char kConfigName[] = "config.ini";
const char kStoreName[] = "已爆料商品.ini";

struct State {
    std::mutex mutex;
    Text testOverride;
    Text option;
    std::optional<DataFolders> chosen;
};

State& Shared() {
    static State state;
    return state;
}

Text FolderOfExecutable() {
    const Text exe = os::ExecutablePath();
    // The last separator under the double-byte walk: a trail byte may be 0x5C.
    size_t cut = Text::npos;
    for (size_t i = 0; i < exe.size(); i += CharWidthAt(exe, i))
        if (exe[i] == '\\' || exe[i] == '/') cut = i;
    // Without a known program file, the current folder rather than the root.
    if (cut == Text::npos) return ".";
    // A program in the root folder: the root itself, not the empty text.
    return exe.substr(0, cut == 0 ? 1 : cut);
}

// Decided on first use and kept, so one run never splits its files.
DataFolders Folders() {
    State& s = Shared();
    std::lock_guard lock(s.mutex);
    if (!s.testOverride.empty()) return DataFolders{s.testOverride, s.testOverride, FolderSource::Program};
    if (!s.chosen) {
        FolderFacts facts;
        facts.option = s.option;
        facts.program = FolderOfExecutable();
        facts.alwaysBesideProgram = os::KeepsFilesBesideProgram();
        facts.environment = os::EnvironmentValue("PELKO_DIR");
        if (facts.option.empty() && !facts.alwaysBesideProgram && facts.environment.empty()) {
            facts.programWritable = os::IsWritableFolder(facts.program);
            os::FileStamp stamp;
            facts.programHoldsFiles = os::StatFile(JoinPath(facts.program, kConfigName), stamp) ||
                                      os::StatFile(JoinPath(facts.program, kStoreName), stamp);
            facts.xdgConfigHome = os::EnvironmentValue("XDG_CONFIG_HOME");
            facts.xdgStateHome = os::EnvironmentValue("XDG_STATE_HOME");
            facts.home = os::HomeFolder();
        }
        s.chosen = ChooseDataFolders(facts);
    }
    return *s.chosen;
}

const char* SourceText(FolderSource source) {
    switch (source) {
        case FolderSource::Option: return "given by --dir";
        case FolderSource::Environment: return "given by PELKO_DIR";
        case FolderSource::Program: return "beside the program";
        case FolderSource::UserFolders: return "the user's config and state folders";
    }
    return "";
}

}  // namespace

Text ProgramDirectory() {
    {
        State& s = Shared();
        std::lock_guard lock(s.mutex);
        if (!s.testOverride.empty()) return s.testOverride;
    }
    return FolderOfExecutable();
}

Text ConfigDirectory() { return Folders().config; }
Text StateDirectory() { return Folders().state; }
FolderSource DataFolderSource() { return Folders().source; }

Text ConfigPath() { return JoinPath(ConfigDirectory(), kConfigName); }
Text StorePath() { return JoinPath(StateDirectory(), kStoreName); }

void UseDataDirectory(const Text& folder) {
    State& s = Shared();
    std::lock_guard lock(s.mutex);
    s.option = folder;
    s.chosen.reset();
}

Text PrepareDataFolders() {
    const DataFolders f = Folders();
    for (const Text& folder : {f.config, f.state})
        if (!os::CreateFolders(folder)) return "cannot create the folder " + DisplayPath(folder);
    return {};
}

Text DescribeDataFolders() {
    const DataFolders f = Folders();
    const Text why = Text(" (") + SourceText(f.source) + ")";
    if (f.config == f.state) return "data folder " + DisplayPath(f.config) + why;
    return "settings in " + DisplayPath(f.config) + ", state in " + DisplayPath(f.state) + why;
}

Text DisplayPath(const Text& path) {
    const char separator = os::FolderSeparator();
    Text out = path;
    for (size_t i = 0; i < out.size(); i += CharWidthAt(out, i))
        if (out[i] == '\\' || out[i] == '/') out[i] = separator;
    return out;
}

void SetRunDirectoryForTesting(const Text& directory) {
    State& s = Shared();
    std::lock_guard lock(s.mutex);
    s.testOverride = directory;
}

}  // namespace pelko

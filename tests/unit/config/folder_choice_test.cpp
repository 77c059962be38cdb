#include "config/folder_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace pelko {
namespace {

// Paths are compared with "/" for every separator; the joins use "\".
std::string Slashes(Text path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

struct Case {
    const char* name;
    FolderFacts facts;
    const char* config;
    const char* state;
    FolderSource source;
};

FolderFacts Unix(Text program, bool writable) {
    FolderFacts f;
    f.program = std::move(program);
    f.programWritable = writable;
    f.home = "/home/u";
    return f;
}

FolderFacts With(FolderFacts f, void (*edit)(FolderFacts&)) {
    edit(f);
    return f;
}

const Case kCases[] = {
    {"option beats everything", With(Unix("/opt/p", true), [](FolderFacts& f) { f.option = "/o"; f.environment = "/e"; }),
     "/o", "/o", FolderSource::Option},
    {"option loses its trailing separators", With(Unix("/opt/p", true), [](FolderFacts& f) { f.option = "/o//"; }),
     "/o", "/o", FolderSource::Option},
    {"environment beats the program folder", With(Unix("/opt/p", true), [](FolderFacts& f) { f.environment = "/e"; }),
     "/e", "/e", FolderSource::Environment},
    {"writable program folder", Unix("/opt/p", true), "/opt/p", "/opt/p", FolderSource::Program},
    {"read-only program folder: user folders under home", Unix("/opt/p", false),
     "/home/u/.config/pelko-monitor", "/home/u/.local/state/pelko-monitor", FolderSource::UserFolders},
    {"a bin folder is never the data folder", Unix("/usr/bin", true),
     "/home/u/.config/pelko-monitor", "/home/u/.local/state/pelko-monitor", FolderSource::UserFolders},
    {"nor an sbin folder", Unix("/usr/local/sbin", true),
     "/home/u/.config/pelko-monitor", "/home/u/.local/state/pelko-monitor", FolderSource::UserFolders},
    {"read-only program folder that holds the files already",
     With(Unix("/opt/p", false), [](FolderFacts& f) { f.programHoldsFiles = true; }), "/opt/p", "/opt/p",
     FolderSource::Program},
    {"a bin folder that holds the files already", With(Unix("/home/u/bin", true), [](FolderFacts& f) { f.programHoldsFiles = true; }),
     "/home/u/bin", "/home/u/bin", FolderSource::Program},
    {"PELKO_DIR beats files beside the program",
     With(Unix("/opt/p", true), [](FolderFacts& f) { f.programHoldsFiles = true; f.environment = "/e"; }), "/e", "/e",
     FolderSource::Environment},
    {"a folder merely ending in bin is", Unix("/srv/cabin", true), "/srv/cabin", "/srv/cabin", FolderSource::Program},
    {"XDG variables", With(Unix("/usr/bin", false), [](FolderFacts& f) { f.xdgConfigHome = "/c/"; f.xdgStateHome = "/s"; }),
     "/c/pelko-monitor", "/s/pelko-monitor", FolderSource::UserFolders},
    {"a relative XDG variable is ignored",
     With(Unix("/usr/bin", false), [](FolderFacts& f) { f.xdgConfigHome = "rel"; f.xdgStateHome = "/s"; }),
     "/home/u/.config/pelko-monitor", "/s/pelko-monitor", FolderSource::UserFolders},
    {"home with a trailing separator", With(Unix("/usr/bin", false), [](FolderFacts& f) { f.home = "/home/u/"; }),
     "/home/u/.config/pelko-monitor", "/home/u/.local/state/pelko-monitor", FolderSource::UserFolders},
    {"home is the root", With(Unix("/usr/bin", false), [](FolderFacts& f) { f.home = "/"; }),
     "/.config/pelko-monitor", "/.local/state/pelko-monitor", FolderSource::UserFolders},
    {"no home and no XDG: the program folder after all", With(Unix("/usr/bin", false), [](FolderFacts& f) { f.home = ""; }),
     "/usr/bin", "/usr/bin", FolderSource::Program},
    {"no home but both XDG variables",
     With(Unix("/usr/bin", false), [](FolderFacts& f) { f.home = ""; f.xdgConfigHome = "/c"; f.xdgStateHome = "/s"; }),
     "/c/pelko-monitor", "/s/pelko-monitor", FolderSource::UserFolders},
    {"always beside the program: PELKO_DIR is ignored",
     With(Unix("C:\\Tools", false), [](FolderFacts& f) { f.alwaysBesideProgram = true; f.environment = "D:\\e"; }),
     "C:/Tools", "C:/Tools", FolderSource::Program},
    {"always beside the program: --dir still counts",
     With(Unix("C:\\Tools", false), [](FolderFacts& f) { f.alwaysBesideProgram = true; f.option = "D:\\data\\"; }),
     "D:/data", "D:/data", FolderSource::Option},
};

TEST(ChooseDataFolders, FollowsTheRulesInOrder) {
    for (const Case& c : kCases) {
        const DataFolders got = ChooseDataFolders(c.facts);
        EXPECT_EQ(Slashes(got.config), c.config) << c.name;
        EXPECT_EQ(Slashes(got.state), c.state) << c.name;
        EXPECT_EQ(got.source, c.source) << c.name;
    }
}

TEST(ChooseDataFolders, ADoubleByteCharacterEndingIn5CIsNoSeparator) {
    // "\x81\x5C" is one character; its trail byte must neither be trimmed
    // nor make the name look like a separator.
    FolderFacts f;
    f.option = "/srv/\x81\x5C";
    EXPECT_EQ(ChooseDataFolders(f).config, "/srv/\x81\x5C");
    EXPECT_EQ(JoinPath("/srv/\x81\x5C", "config.ini"), "/srv/\x81\x5C\\config.ini");
    f.option = "/srv/\x81\x5C/";
    EXPECT_EQ(ChooseDataFolders(f).config, "/srv/\x81\x5C");
}

}  // namespace
}  // namespace pelko

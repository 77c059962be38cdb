// Where the real program keeps its files when told: --dir and PELKO_DIR, the
// first start without config.ini, and folders it cannot use.  (Beside the
// program is what the other end-to-end tests use; the user folders are shown
// by the installed package's test.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/monitor_run.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using testing::kStoreName;
using testing::ReadAll;

// Line `index` (from 0) of the output.
std::string LineOf(const std::string& out, int index = 0) {
    size_t start = 0;
    for (int i = 0; i < index && start != std::string::npos; ++i) {
        start = out.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return {};
    std::string line = out.substr(start, out.find('\n', start) - start);
    // Windows streams end lines with CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

class DataFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const char* launcher = std::getenv("PELKO_E2E_LAUNCHER");
        launcher_ = launcher ? launcher : "";
        root = testing::FreshFolder("pelko-folders-");
        const char* other = std::getenv("PELKO_E2E_BINARY");
        fs::path binary = other && *other ? other : PELKO_BINARY;
        fs::create_directories(root / "app");
        exe = root / "app" / binary.filename();
        fs::copy_file(binary, exe);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // The folder rules are shown with POSIX paths; under a launcher only the
    // platform-neutral cases run.
    bool Native() const { return launcher_.empty(); }

    // `env` is a list of NAME=value words; PELKO_DIR never leaks in from outside.
    int Run(const std::string& env, const std::string& args, std::string& out, const std::string& wrapper = "") {
        return testing::RunCommand(wrapper + " env -u PELKO_DIR " + env + " " + launcher_ + " '" + exe.string() +
                                       "' " + args,
                                   out);
    }

    bool AppFolderHoldsOnlyTheProgram() const {
        for (const auto& e : fs::directory_iterator(root / "app"))
            if (e.path() != exe) return false;
        return true;
    }

    std::string launcher_;
    fs::path root, exe;
};

TEST_F(DataFolder, DirOrEnvironmentHoldsBothFiles) {
    if (!Native()) GTEST_SKIP() << "POSIX paths";
    struct Case {
        const char* name;
        std::string env, args;  // "@" stands for the data folder
        const char* why;
    };
    const Case cases[] = {
        {"--dir DIR", "", "--dir '@'", "given by --dir"},
        {"--dir=DIR, trailing separator", "", "'--dir=@/'", "given by --dir"},
        {"PELKO_DIR", "PELKO_DIR='@'", "", "given by PELKO_DIR"},
        {"--dir beats PELKO_DIR", "PELKO_DIR='" + (root / "ignored").string() + "'", "--dir '@'", "given by --dir"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::LoopbackServices services;
        const fs::path data = root / ("data" + std::to_string(n++)) / "d";
        services.WriteConfig(data / "config.ini");
        auto fill = [&](std::string s) {
            for (size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, data.string());
            return s;
        };
        std::string out;
        ASSERT_EQ(Run(fill(c.env), fill(c.args) + " --headless --once", out), 0) << out;
        EXPECT_EQ(LineOf(out), "pelko-monitor " PELKO_VERSION " running without a window; data folder " +
                                      data.string() + " (" + c.why + ")");
        EXPECT_EQ(out.find("no config.ini"), std::string::npos) << out;
        EXPECT_EQ(services.ding.requests().size(), 1u) << out;
        EXPECT_NE(ReadAll(data / kStoreName).find("alice"), std::string::npos);
        EXPECT_TRUE(AppFolderHoldsOnlyTheProgram());
        EXPECT_FALSE(fs::exists(root / "ignored"));
    }
}

TEST_F(DataFolder, FirstStartWithoutConfigSaysSoAndRunsOnTheDefaults) {
    if (!Native()) GTEST_SKIP() << "POSIX paths";
    // The defaults name the real services: the run gets a network of its own
    // with nothing in it, so no request leaves the machine.
    std::string out;
    if (testing::RunCommand("unshare -n true", out) != 0) GTEST_SKIP() << "no network namespace: " << out;
    const fs::path data = root / "new" / "nested";
    ASSERT_EQ(Run("", "--headless --once --dir '" + data.string() + "'", out, "unshare -n"), 0) << out;
    EXPECT_EQ(LineOf(out, 1), "no config.ini found at " + (data / "config.ini").string() +
                                     "; running on the defaults with no push target")
        << out;
    EXPECT_NE(out.find("accepted 0, waiting 0"), std::string::npos) << out;
    // The folder is made (for the user alone: config.ini will hold tokens);
    // config.ini is not, as with the window until 保存设置.
    struct stat st {};
    ASSERT_EQ(stat(data.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(fs::exists(data / "config.ini"));
}

TEST_F(DataFolder, FolderThatCannotBeUsedIsAnError) {
    const fs::path file = root / "plain-file";
    std::ofstream(file) << "x";
    struct Case {
        std::string env, args;
        bool native;  // needs POSIX paths
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"", "--headless --dir", false, 2, "pelko-monitor: --dir needs a folder"},
        {"", "--dir '' --headless", false, 2, "pelko-monitor: --dir needs a folder"},
        {"", "--headless --once --dir '" + (file / "sub").string() + "'", true, 1,
         "pelko-monitor: cannot create the folder " + (file / "sub").string()},
        {"PELKO_DIR='" + (file / "sub").string() + "'", "--headless --once", true, 1,
         "pelko-monitor: cannot create the folder " + (file / "sub").string()},
    };
    for (const Case& c : cases) {
        if (c.native && !Native()) continue;
        SCOPED_TRACE(c.env + " " + c.args);
        std::string out;
        EXPECT_EQ(Run(c.env, c.args, out), c.status) << out;
        EXPECT_EQ(LineOf(out), c.message);
        EXPECT_TRUE(AppFolderHoldsOnlyTheProgram());
    }
}

TEST_F(DataFolder, HelpNamesTheFolderInUseAndMakesNothing) {
    if (!Native()) GTEST_SKIP() << "POSIX paths";
    const fs::path data = root / "not-yet";
    std::string out;
    ASSERT_EQ(Run("", "--dir '" + data.string() + "' --help", out), 0) << out;
    EXPECT_NE(out.find("In use: data folder " + data.string() + " (given by --dir)\n"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(data));
    ASSERT_EQ(Run("", "--help", out), 0) << out;
    EXPECT_NE(out.find("In use: data folder " + (root / "app").string() + " (beside the program)\n"),
              std::string::npos)
        << out;
}

}  // namespace
}  // namespace pelko

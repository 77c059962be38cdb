// The Debian package as a user gets it: unpacked into a scratch root, its
// program run against loopback services the way a user and the service
// would run it, and its systemd unit checked.  The package comes from the
// package.build test (PELKO_PACKAGE_DEB names another one).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support/monitor_run.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;
using testing::kStoreName;
using testing::ReadAll;
using testing::RunCommand;

fs::path PackageFile() {
    if (const char* given = std::getenv("PELKO_PACKAGE_DEB"); given && *given) return given;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(PELKO_PACKAGE_DIR, ec)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("pelko-monitor_" PELKO_VERSION "_") && name.ends_with(".deb")) return e.path();
    }
    return {};
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

class InstalledPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        deb_ = PackageFile();
        if (deb_.empty()) return;
        root_ = testing::FreshFolder("pelko-deb-root-");
        std::string out;
        if (RunCommand("dpkg -x " + Quoted(deb_) + " " + Quoted(root_), out) != 0) {
            unpackError_ = out;
        } else {
            // /usr/bin as installed: nobody else writes there.
            fs::permissions(root_ / "usr/bin", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                   fs::perms::others_read | fs::perms::others_exec);
        }
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        if (!root_.empty()) fs::remove_all(root_, ec);
    }
    void SetUp() override {
        ASSERT_FALSE(deb_.empty()) << "no package in " << PELKO_PACKAGE_DIR << "; run ctest -R package (or make deb "
                                   << "and PELKO_PACKAGE_DEB=dist/...deb)";
        ASSERT_TRUE(unpackError_.empty()) << unpackError_;
        scratch = testing::FreshFolder("pelko-deb-run-");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    static fs::path Installed(const std::string& inside) { return root_ / inside; }
    static std::string Unit() { return ReadAll(Installed("usr/lib/systemd/system/pelko-monitor.service")); }

    // A unit setting's value, or empty.
    static std::string Setting(const std::string& unit, const std::string& key) {
        std::smatch m;
        return std::regex_search(unit, m, std::regex("(^|\n)" + key + "=([^\n]*)")) ? m[2].str() : std::string();
    }

    fs::path scratch;
    static inline fs::path deb_, root_;
    static inline std::string unpackError_;
};

TEST_F(InstalledPackage, HoldsTheProgramItsDesktopEntryItsServiceAndTheirDependencies) {
    for (const char* file : {"usr/bin/pelko-monitor", "usr/share/applications/pelko-monitor.desktop",
                             "usr/share/icons/hicolor/scalable/apps/pelko-monitor.svg",
                             "usr/share/icons/hicolor/48x48/apps/pelko-monitor.png",
                             "usr/share/doc/pelko-monitor/README.md", "usr/lib/systemd/system/pelko-monitor.service"})
        EXPECT_TRUE(fs::is_regular_file(Installed(file))) << file;
    EXPECT_EQ(ReadAll(Installed("usr/share/doc/pelko-monitor/README.md")), ReadAll(PELKO_SOURCE_DIR "/README.md"));
    const std::string desktop = ReadAll(Installed("usr/share/applications/pelko-monitor.desktop"));
    EXPECT_EQ(Setting(desktop, "Exec"), "pelko-monitor");
    EXPECT_EQ(Setting(desktop, "Icon"), "pelko-monitor");

    std::string depends;
    ASSERT_EQ(RunCommand("dpkg-deb -f " + Quoted(deb_) + " Depends", depends), 0) << depends;
    // Filled from the libraries the program links, not written by hand.
    for (const char* library : {"libc6", "libcurl", "libfltk", "libstdc++6"})
        EXPECT_NE(depends.find(library), std::string::npos) << depends;

    // The user is made on install; the service is neither enabled nor started.
    std::string postinst;
    ASSERT_EQ(RunCommand("dpkg-deb --ctrl-tarfile " + Quoted(deb_) + " | tar -xO ./postinst", postinst), 0);
    EXPECT_NE(postinst.find("useradd --system"), std::string::npos);
    EXPECT_FALSE(std::regex_search(postinst, std::regex("systemctl[^\n]*\\b(enable|start)\\b"))) << postinst;
}

TEST_F(InstalledPackage, RunsWithItsFilesWhereTheyBelong) {
    struct Case {
        const char* name;
        std::string env, args;  // "@" stands for the scratch folder
        const char* configAt;   // below the scratch folder
        const char* stateAt;
        const char* why;
    };
    // The service's own command line, its data folder moved into the scratch folder.
    std::string service = Setting(Unit(), "ExecStart");
    const std::string serviceArgs = service.substr(service.find(' ') + 1);
    const std::string varLib = "/var/lib/pelko-monitor";
    ASSERT_NE(serviceArgs.find(varLib), std::string::npos) << service;
    const Case cases[] = {
        {"the user's folders, as XDG names them", "HOME=@/home XDG_CONFIG_HOME=@/cfg XDG_STATE_HOME=@/st", "",
         "cfg/pelko-monitor", "st/pelko-monitor", "the user's config and state folders"},
        {"the user's folders by default", "HOME=@/home", "", "home/.config/pelko-monitor",
         "home/.local/state/pelko-monitor", "the user's config and state folders"},
        {"as the service runs it", "HOME=@/home",
         std::regex_replace(serviceArgs, std::regex(varLib), "@/var/lib/pelko-monitor"), "var/lib/pelko-monitor",
         "var/lib/pelko-monitor", "given by --dir"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        auto fill = [&](std::string s) {
            for (size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, scratch.string());
            return s;
        };
        const fs::path config = scratch / c.configAt, state = scratch / c.stateAt;
        testing::LoopbackServices services;
        services.WriteConfig(config / "config.ini");
        std::string out;
        ASSERT_EQ(RunCommand("env -u PELKO_DIR -u XDG_CONFIG_HOME -u XDG_STATE_HOME " + fill(c.env) + " " +
                                 Quoted(Installed("usr/bin/pelko-monitor")) + " " + fill(c.args) + " --headless --once",
                             out),
                  0)
            << out;
        const std::string where = config == state ? "data folder " + config.string()
                                                  : "settings in " + config.string() + ", state in " + state.string();
        EXPECT_EQ(out.substr(0, out.find('\n')),
                  "pelko-monitor " PELKO_VERSION " running without a window; " + where + " (" + c.why + ")");
        EXPECT_EQ(services.ding.requests().size(), 1u) << out;
        EXPECT_EQ(services.sc.requests().size(), 1u) << out;
        EXPECT_NE(ReadAll(state / kStoreName).find("alice"), std::string::npos) << out;
        if (config != state) {
            EXPECT_FALSE(fs::exists(config / kStoreName));
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(Installed("usr/bin")), fs::directory_iterator()), 1);
    }
}

TEST_F(InstalledPackage, ServiceUnitIsValidAndKeepsItsDataInItsStateDirectory) {
    const std::string unit = Unit();
    EXPECT_EQ(Setting(unit, "Restart"), "on-failure");
    EXPECT_FALSE(Setting(unit, "User").empty());
    EXPECT_EQ(Setting(unit, "WantedBy"), "multi-user.target");
    // The folder the program is pointed at is the one systemd makes and hands
    // to the service's user.
    const std::string state = Setting(unit, "StateDirectory");
    ASSERT_FALSE(state.empty());
    const std::string exec = Setting(unit, "ExecStart");
    EXPECT_TRUE(exec.starts_with("/usr/bin/pelko-monitor ")) << exec;
    EXPECT_NE(exec.find(" --headless"), std::string::npos) << exec;
    EXPECT_NE((exec + " ").find(" --dir /var/lib/" + state + " "), std::string::npos) << exec;

    std::string out;
    if (RunCommand("command -v systemd-analyze", out) != 0) GTEST_SKIP() << "no systemd-analyze here";
    // Verified with the system's own units, the program path led into the
    // scratch root (verify wants it to exist); any complaint is a failure.
    const fs::path copy = scratch / "pelko-monitor.service";
    std::ofstream(copy) << std::regex_replace(unit, std::regex("\nExecStart=/usr/bin/"),
                                              "\nExecStart=" + Installed("usr/bin/").string());
    EXPECT_EQ(RunCommand("systemd-analyze verify " + Quoted(copy), out), 0) << out;
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace pelko

#include "config/paths.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "textutil/files_os.h"

namespace pelko {
namespace {

TEST(ProgramDirectory, IsTheProgramsFolder) {
    SetRunDirectoryForTesting("");
    const Text exe = os::ExecutablePath();
    const Text dir = ProgramDirectory();
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(TextStartsWith(exe, dir)) << exe << " / " << dir;
    ASSERT_GT(exe.size(), dir.size() + 1);
    EXPECT_TRUE(exe[dir.size()] == '/' || exe[dir.size()] == '\\');
    EXPECT_EQ(exe.find_first_of("/\\", dir.size() + 1), Text::npos);
}

TEST(ProgramFiles, LieInTheProgramsFolderAndFollowItsOverride) {
    testing::TempRunDirectory dir;
    const Text folder = dir.path().string();
    EXPECT_EQ(ConfigPath(), folder + "\\config.ini");
    EXPECT_EQ(StorePath(), folder + "\\已爆料商品.ini");
    EXPECT_EQ(ConfigDirectory(), folder);
    EXPECT_EQ(StateDirectory(), folder);
}

}  // namespace
}  // namespace pelko

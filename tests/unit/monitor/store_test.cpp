#include "monitor/store.h"

#include <gtest/gtest.h>

#include "config/paths.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

FeedItem Report(const Text& mall, const Text& id, const Text& reporter) {
    FeedItem item;
    item.article_mall = mall;
    item.article_id = id;
    item.article_referrals = reporter;
    return item;
}

// The marks of a pass live in memory until the flush; IsReported must see them.
class StoreTest : public ::testing::Test {
protected:
    void TearDown() override { FlushReported(); }
    testing::TempRunDirectory dir;
};

TEST_F(StoreTest, MarkIsSeenBeforeItIsWritten) {
    const FeedItem item = Report("京东", "1", "小明");
    EXPECT_FALSE(IsReported(item));
    MarkReported(item);
    EXPECT_FALSE(dir.Exists(u8"已爆料商品.ini")) << "written only by the flush";
    EXPECT_TRUE(IsReported(item));
    EXPECT_TRUE(IsReported(Report("京东", "1", "小明")));
    EXPECT_FALSE(IsReported(Report("京东", "1", "小红"))) << "another reporter is a new report";
    EXPECT_TRUE(IsReported(Report("京东", "1", "小明")));
    EXPECT_FALSE(IsReported(Report("京东", "2", "小明")));
    EXPECT_FALSE(IsReported(Report("天猫", "1", "小明")));

    ASSERT_TRUE(FlushReported());
    EXPECT_EQ(dir.Read(u8"已爆料商品.ini"), "[京东]\r\n1=小明\r\n");
    EXPECT_TRUE(IsReported(item));
}

TEST_F(StoreTest, PendingMarkOverridesTheFileAndFoldsCase) {
    dir.Write(u8"已爆料商品.ini", "[Shop]\r\nA1=old\r\n");
    EXPECT_TRUE(IsReported(Report("Shop", "A1", "old")));
    MarkReported(Report("SHOP", "a1", "new"));
    EXPECT_TRUE(IsReported(Report("shop", "A1", "new")));
    EXPECT_FALSE(IsReported(Report("Shop", "A1", "old"))) << "the pending value wins over the stored one";
}

TEST_F(StoreTest, FailedFlushKeepsTheMarksForTheNextOne) {
    const FeedItem item = Report("m", "7", "r");
    SetRunDirectoryForTesting(dir.path().string() + "/missing-folder");
    MarkReported(item);
    EXPECT_FALSE(FlushReported());
    EXPECT_TRUE(IsReported(item)) << "not pushed again in this run";

    SetRunDirectoryForTesting(dir.path().string());
    ASSERT_TRUE(FlushReported());
    EXPECT_EQ(dir.Read(u8"已爆料商品.ini"), "[m]\r\n7=r\r\n");
}

}  // namespace
}  // namespace pelko

#include "bootdisk/workspace.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/temp_folder.h"
#include "test_world.h"

namespace zr::bootdisk {
namespace {

using platform::IsFile;
using platform::IsFolder;
using zr::test::WriteFile;

class DeleteTree : public ::testing::Test {
  protected:
    zr::test::TempFolder dir_;
};

TEST_F(DeleteTree, RemovesNestedFoldersAndHiddenAndSystemFiles) {
    const std::string tree = dir_ / "w\\";
    WriteFile(tree + "a.txt", "a");
    WriteFile(tree + "sub\\b.txt", "b");
    WriteFile(tree + "sub\\deeper\\deepest\\c.txt", "c");
    platform::MakeFolders(tree + "sub\\empty");
    WriteFile(tree + "sub\\hidden.sys", "h");
    platform::WriteAttributes(tree + "sub\\hidden.sys",
                              platform::kAttrHidden | platform::kAttrSystem);
    DeleteDirTree(tree);
    EXPECT_FALSE(IsFolder(tree));
    EXPECT_TRUE(IsFolder(dir_.path()));
}

TEST_F(DeleteTree, PathWithoutTrailingBackslashWorksTheSame) {
    WriteFile(dir_ / "w\\sub\\b.txt", "b");
    DeleteDirTree(dir_ / "w");
    EXPECT_FALSE(IsFolder(dir_ / "w"));
}

TEST_F(DeleteTree, ReadOnlyFileStaysWithTheFoldersAboveItAndTheRestGoes) {
    const std::string tree = dir_ / "w\\";
    WriteFile(tree + "a.txt", "a");
    WriteFile(tree + "keep\\inner\\ro.txt", "r");
    WriteFile(tree + "keep\\inner\\other.txt", "o");
    WriteFile(tree + "keep\\gone\\x.txt", "x");
    platform::WriteAttributes(tree + "keep\\inner\\ro.txt", platform::kAttrReadOnly);
    DeleteDirTree(tree);
    EXPECT_TRUE(IsFile(tree + "keep\\inner\\ro.txt"));
    EXPECT_FALSE(IsFile(tree + "keep\\inner\\other.txt"));
    EXPECT_FALSE(IsFolder(tree + "keep\\gone"));
    EXPECT_FALSE(IsFile(tree + "a.txt"));
}

TEST_F(DeleteTree, EmptyPathDeletesNothing) {
    WriteFile(dir_ / "a.txt", "a");
    DeleteDirTree("");
    EXPECT_TRUE(IsFile(dir_ / "a.txt"));
}

TEST_F(DeleteTree, FolderLinkInsideIsRemovedAndNotFollowed) {
    WriteFile(dir_ / "outside\\precious.txt", "p");
    WriteFile(dir_ / "w\\a.txt", "a");
    if (!test::MakeFolderLink(dir_ / "w\\link", dir_ / "outside")) GTEST_SKIP() << "no links here";
    ASSERT_TRUE(IsFile(dir_ / "w\\link\\precious.txt"));
    DeleteDirTree(dir_ / "w\\");
    EXPECT_TRUE(IsFile(dir_ / "outside\\precious.txt"));
    EXPECT_FALSE(IsFile(dir_ / "w\\a.txt"));
    // Wine 8 cannot remove a host link to a folder through RemoveDirectoryW; Windows and the
    // POSIX build remove the link and then the emptied folder.
    if (!test::RunningUnderWine()) {
        EXPECT_FALSE(platform::IsLink(dir_ / "w\\link"));
        EXPECT_FALSE(IsFolder(dir_ / "w"));
    }
}

TEST_F(DeleteTree, TreeThatIsItselfALinkLosesOnlyTheLink) {
    WriteFile(dir_ / "outside\\precious.txt", "p");
    if (!test::MakeFolderLink(dir_ / "w", dir_ / "outside")) GTEST_SKIP() << "no links here";
    DeleteDirTree(dir_ / "w\\");
    EXPECT_TRUE(IsFile(dir_ / "outside\\precious.txt"));
    if (!test::RunningUnderWine()) {
        EXPECT_FALSE(platform::IsLink(dir_ / "w"));
    }
}

TEST(WorkDir, IsKpTempInTheTemporaryFolderAndKeepsALeftover) {
    zr::test::TempFolder dir;
    test::TemporaryFolderOverride temp(dir.path());
    WriteFile(dir / "KpTemp\\old.txt", "o");
    EXPECT_EQ(MakeWorkDir(), dir / "KpTemp\\");
    EXPECT_TRUE(IsFile(dir / "KpTemp\\old.txt"));
    DeleteDirTree(WorkDir());
    EXPECT_FALSE(IsFolder(dir / "KpTemp"));
}

// The workspace lies in the user's own temporary folder while the program runs elevated.
TEST(WorkDir, LinksPlantedInAWorkspaceAreRemovedNotFollowed) {
    if (test::RunningUnderWine()) GTEST_SKIP() << "Wine cannot remove a host link to a folder";
    zr::test::TempFolder dir;
    test::TemporaryFolderOverride temp(dir.path());
    WriteFile(dir / "elsewhere\\keep.txt", "k");
    if (!test::MakeFolderLink(dir / "KpTemp", dir / "elsewhere")) GTEST_SKIP() << "no links here";

    MakeWorkDir();
    EXPECT_FALSE(platform::IsLink(dir / "KpTemp"));
    ASSERT_TRUE(IsFolder(dir / "KpTemp"));
    EXPECT_TRUE(IsFile(dir / "elsewhere\\keep.txt"));

    WriteFile(dir / "KpTemp\\old.txt", "o");
    ASSERT_TRUE(test::MakeFolderLink(dir / "KpTemp\\sub", dir / "elsewhere"));
    MakeWorkDir();
    EXPECT_TRUE(IsFile(dir / "KpTemp\\old.txt"));
    EXPECT_FALSE(platform::IsLink(dir / "KpTemp\\sub"));
    EXPECT_TRUE(IsFile(dir / "elsewhere\\keep.txt"));
}

}  // namespace
}  // namespace zr::bootdisk

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

// The workspace lies in the user's own temporary folder while the program runs elevated:
// whatever is found there may have been put there by anybody.
class WorkspaceTest : public ::testing::Test {
  protected:
    std::vector<std::string> Contents() const {
        std::vector<std::string> names;
        for (const auto& entry : platform::ListFolder(dir_ / "KpTemp\\"))
            names.push_back(entry.name);
        return names;
    }

    zr::test::TempFolder dir_;
    test::TemporaryFolderOverride temp_{dir_.path()};
    Workspace workspace_;
};

TEST_F(WorkspaceTest, LeftoverIsClearedAndTheFolderMadeAfreshThenRemoved) {
    WriteFile(dir_ / "KpTemp\\fbinst.exe", "planted tool");
    WriteFile(dir_ / "KpTemp\\sub\\version.dll", "planted library");
    WriteFile(dir_ / "KpTemp\\ro.txt", "r");
    platform::WriteAttributes(dir_ / "KpTemp\\ro.txt", platform::kAttrReadOnly);
    WriteFile(dir_ / "KpTemp\\ro-folder\\x.txt", "r");
    platform::WriteAttributes(dir_ / "KpTemp\\ro-folder",
                              platform::kAttrReadOnly | platform::kAttrDirectory);

    EXPECT_EQ(workspace_.Make(), std::nullopt);
    EXPECT_EQ(workspace_.Path(), test::RealPath(dir_ / "") + "KpTemp\\");
    EXPECT_TRUE(IsFolder(dir_ / "KpTemp"));
    EXPECT_TRUE(Contents().empty());

    WriteFile(dir_ / "KpTemp\\fbinst.exe", "tool");
    for (int i = 0; i < 20; ++i) WriteFile(dir_ / ("KpTemp\\boot\\" + std::to_string(i)), "x");
    ASSERT_TRUE(workspace_.Hold("fbinst.exe"));
    int pumps = 0;
    workspace_.Remove([&] { ++pumps; });
    EXPECT_FALSE(IsFolder(dir_ / "KpTemp"));
    EXPECT_GE(pumps, 20) << "the window answers between the removals of a large workspace";
}

TEST_F(WorkspaceTest, LeftoverThatCannotBeClearedStopsBeforeAnythingIsMade) {
    WriteFile(dir_ / "KpTemp\\busy.txt", "b");
    auto user = platform::File::Open(dir_ / "KpTemp\\busy.txt", platform::File::Access::ReadShared);
    ASSERT_TRUE(user.IsOpen());
    EXPECT_EQ(workspace_.Make(), "临时文件夹:" + (dir_ / "KpTemp\\") +
                                     " 无法清除！请关闭正在使用其中文件的程序后重试！");
    EXPECT_EQ(workspace_.Path(), "");
}

TEST_F(WorkspaceTest, HeldToolCannotBeReplacedOrDeletedButStillRead) {
    ASSERT_EQ(workspace_.Make(), std::nullopt);
    WriteFile(dir_ / "KpTemp\\fbinst.exe", "tool");
    ASSERT_TRUE(workspace_.Hold("fbinst.exe"));
    EXPECT_FALSE(
        platform::File::Open(dir_ / "KpTemp\\fbinst.exe", platform::File::Access::CreateExclusive)
            .IsOpen());
    EXPECT_FALSE(platform::RemoveFile(dir_ / "KpTemp\\fbinst.exe"));
    EXPECT_EQ(zr::test::ReadFile(dir_ / "KpTemp\\fbinst.exe"), "tool");
    EXPECT_FALSE(workspace_.Hold("missing.exe"));
}

TEST_F(WorkspaceTest, LinksPlantedAtOrInTheWorkspaceAreRemovedNotFollowed) {
    if (test::RunningUnderWine()) GTEST_SKIP() << "Wine cannot remove a host link to a folder";
    WriteFile(dir_ / "elsewhere\\keep.txt", "k");
    if (!test::MakeFolderLink(dir_ / "KpTemp", dir_ / "elsewhere")) GTEST_SKIP() << "no links here";

    ASSERT_EQ(workspace_.Make(), std::nullopt);
    EXPECT_FALSE(platform::IsLink(dir_ / "KpTemp"));
    EXPECT_TRUE(Contents().empty());
    EXPECT_TRUE(IsFile(dir_ / "elsewhere\\keep.txt"));

    Workspace next;
    ASSERT_TRUE(test::MakeFolderLink(dir_ / "KpTemp\\sub", dir_ / "elsewhere"));
    workspace_ = Workspace();
    ASSERT_EQ(next.Make(), std::nullopt);
    EXPECT_TRUE(Contents().empty());
    EXPECT_TRUE(IsFile(dir_ / "elsewhere\\keep.txt"));
}

}  // namespace
}  // namespace zr::bootdisk

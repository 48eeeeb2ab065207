// Clearing a tree that somebody else may change while it is cleared.

#include "platform/remove_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/drive_map.h"
#endif

#include "platform/folder.h"
#include "support/temp_folder.h"

namespace zr::platform {
namespace {

// A held folder that runs swap once, right after the first listing that shows "sub": what a
// program racing the walk does between the walk's listing and its opening of the entry.
class RacedFolder {
  public:
    RacedFolder(Folder folder, std::shared_ptr<std::function<void()>> swap)
        : folder_(std::move(folder)), swap_(std::move(swap)) {}

    bool IsOpen() const { return folder_.IsOpen(); }
    std::vector<FolderEntry> List() const {
        auto entries = folder_.List();
        for (const auto& entry : entries) {
            if (entry.name == "sub" && *swap_) std::exchange(*swap_, nullptr)();
        }
        return entries;
    }
    RacedFolder OpenChild(const std::string& name) const {
        return RacedFolder(folder_.OpenChild(name), swap_);
    }
    bool RemoveChild(const std::string& name, bool evenReadOnly) const {
        return folder_.RemoveChild(name, evenReadOnly);
    }

  private:
    Folder folder_;
    std::shared_ptr<std::function<void()>> swap_;
};

TEST(RemoveTree, AFolderSwappedForALinkAfterItsListingIsRemovedAsTheLinkNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "the swap is made natively: Wine follows a host link on every open";
#else
    test::TempFolder tmp;
    test::WriteFile(tmp / "outside\\precious.txt", "keep");
    test::WriteFile(tmp / "work\\sub\\file.txt", "x");
    test::WriteFile(tmp / "work\\ro\\file.txt", "r");
    WriteAttributes(tmp / "work\\ro\\file.txt", kAttrReadOnly);
    WriteAttributes(tmp / "work\\ro", kAttrReadOnly | kAttrDirectory);
    const std::string sub = *posix::ToHostPath(tmp / "work\\sub");
    auto swap = std::make_shared<std::function<void()>>([&] {
        test::RemoveTree(tmp / "work\\sub");
        ASSERT_EQ(symlink(posix::ToHostPath(tmp / "outside")->c_str(), sub.c_str()), 0);
    });
    RemoveTree(RacedFolder(Folder::Open(tmp.path()), swap), "work", true);
    EXPECT_EQ(*swap, nullptr) << "the walk never listed the folder";
    EXPECT_EQ(test::ReadFile(tmp / "outside\\precious.txt"), "keep");
    EXPECT_FALSE(IsFolder(tmp / "work")) << "read-only files and folders go too";
#endif
}

}  // namespace
}  // namespace zr::platform

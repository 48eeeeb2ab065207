#include "bootitems/add_rule.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::bootitems {
namespace {

class AddRule : public ::testing::Test {
  protected:
    test::TempFolder dir_;
    const std::string image_ = dir_ / "Win PE.iso";
};

TEST_F(AddRule, RefusesAMissingTitleOrPath) {
    test::WriteFile(image_, "x");
    EXPECT_FALSE(IsAddable({"", image_}));
    EXPECT_FALSE(IsAddable({"PE", ""}));
    EXPECT_FALSE(IsAddable({"", ""}));
}

TEST_F(AddRule, RefusesAPathWithoutAFileBehindIt) {
    EXPECT_FALSE(IsAddable({"PE", image_}));
    platform::MakeFolder(image_);
    EXPECT_FALSE(IsAddable({"PE", image_})) << "a folder of that name counts as a file";
}

TEST_F(AddRule, TakesAnyTitleAndAnyExistingFile) {
    const std::string anyName = dir_ / "notes.txt";
    test::WriteFile(anyName, "");
    EXPECT_TRUE(IsAddable({"   ", anyName}));
    EXPECT_TRUE(IsAddable({"a|b", anyName}));
}

}  // namespace
}  // namespace zr::bootitems

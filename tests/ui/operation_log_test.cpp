#include "ui/operation_log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::ui {
namespace {

class OperationLogTest : public testing::Test {
  protected:
    test::TempFolder dir_;
    const std::string path_ = dir_ / "ZiRuri.log";
    OperationLog log_{path_, [] { return std::string("2026-12-09 17:45:01.123"); }};
};

TEST_F(OperationLogTest, EachEventIsOneTimedLine) {
    log_.Write("tool: a -> exit code 0 in 35 ms");
    log_.Write("question: 本操作将破坏U盘原有数据\r还要继续吗？");
    EXPECT_EQ(test::ReadFile(path_),
              "2026-12-09 17:45:01.123  tool: a -> exit code 0 in 35 ms\r\n"
              "2026-12-09 17:45:01.123  question: 本操作将破坏U盘原有数据 / 还要继续吗？\r\n");
}

TEST_F(OperationLogTest, StaysUnderItsSizeByDroppingTheOldestHalf) {
    const std::string filler(1000, 'x');
    int64_t largest = 0;
    for (int i = 0; i < 1100; ++i) {
        log_.Write(std::to_string(i) + filler);
        largest = std::max(largest, platform::FileLength(path_).value_or(0));
    }
    EXPECT_LE(largest, OperationLog::kMaxBytes);
    const std::string text = test::ReadFile(path_);
    EXPECT_GT(static_cast<int64_t>(text.size()), OperationLog::kMaxBytes / 3);
    EXPECT_TRUE(text.starts_with("2026-12-09 17:45:01.123  "));
    EXPECT_TRUE(text.ends_with("  1099" + filler + "\r\n"));
    EXPECT_EQ(text.find("  0" + filler), std::string::npos);
}

// The program runs elevated: a log it cannot keep beside itself is not written anywhere else,
// least of all in a folder that the user's environment names.
TEST_F(OperationLogTest, WhileItsFileCannotBeWrittenNothingIsWrittenElsewhere) {
    test::WriteFile(path_, "");
    auto holder = platform::File::Open(path_, platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    log_.Write("end");
    EXPECT_EQ(platform::ListFolder(dir_.path()).size(), 1u);
}

}  // namespace
}  // namespace zr::ui

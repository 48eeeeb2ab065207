#include "bootdisk/progress.h"

#include <gtest/gtest.h>

namespace zr::bootdisk {
namespace {

TEST(Progress, SizesAndTimesReadAsAUserCountsThem) {
    const struct {
        int64_t bytes;
        const char* size;
    } sizes[] = {{0, "0 字节"},      {1023, "1023 字节"},   {1024, "1 KB"},
                 {286720, "280 KB"}, {15204352, "14,5 MB"}, {(int64_t{21} << 30) / 10, "2,1 GB"}};
    for (const auto& s : sizes) EXPECT_EQ(SizeText(s.bytes, ","), s.size) << s.bytes;

    const struct {
        int64_t seconds;
        const char* line;
    } times[] = {{0, "第 3/8 步：写入 WinPE.iso（2,1 GB），已用 0 秒"},
                 {83, "第 3/8 步：写入 WinPE.iso（2,1 GB），已用 1 分 23 秒"},
                 {3723, "第 3/8 步：写入 WinPE.iso（2,1 GB），已用 1 小时 2 分 3 秒"}};
    const std::string step =
        StepText(3, 8, WritingText("D:\\img\\WinPE.iso", (int64_t{21} << 30) / 10, ","));
    for (const auto& t : times) EXPECT_EQ(ProgressLine(step, t.seconds), t.line);
}

}  // namespace
}  // namespace zr::bootdisk

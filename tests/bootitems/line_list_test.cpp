#include "bootitems/line_list.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::bootitems {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, EndsLinesAtCrLfLoneCrAndLoneLf) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb\n\n"), (Lines{"a", "", "b", ""}));
}

TEST(SplitLines, FinalLineEndAddsNoLineAndUnendedLastLineCounts) {
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), SplitLines("a\r\nb"));
    EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(SplitLines, TextEndsAtFirstNul) {
    using namespace std::string_view_literals;
    EXPECT_EQ(SplitLines("a\r\nb\0c\r\nd"sv), (Lines{"a", "b"}));
    EXPECT_TRUE(SplitLines("\0a\r\n"sv).empty());
}

TEST(SplitLines, KeepsBytesAndSpaces) {
    EXPECT_EQ(SplitLines("  x \t\r\n\xC6\xF4|y"), (Lines{"  x \t", "\xC6\xF4|y"}));
}

TEST(JoinLines, EndsEveryLineWithCrLf) {
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinLines({}), "");
}

TEST(LoadLines, ReadsTheWholeFile) {
    test::TempFolder dir;
    test::WriteFile(dir / "f", std::string(700000, 'x') + "\nend");
    const Lines lines = LoadLines(dir / "f");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 700000u);
    EXPECT_EQ(lines[1], "end");
}

TEST(LoadLines, MissingFileRaisesTheOpenError) {
    test::TempFolder dir;
    try {
        LoadLines(dir / "none");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(
            std::string(error.what()).rfind("Cannot open file \"" + (dir / "none") + "\". ", 0), 0u)
            << error.what();
    }
}

}  // namespace
}  // namespace zr::bootitems

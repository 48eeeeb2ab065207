#include "bootitems/isolist.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/drive_map.h"
#endif

namespace zr::bootitems {
namespace {

// 启动盘 in code page 936 and in UTF-8.
const std::string kTitleAnsi = "\xC6\xF4\xB6\xAF\xC5\xCC";
const std::string kTitleUtf8 = "\xE5\x90\xAF\xE5\x8A\xA8\xE7\x9B\x98";

class IsoList : public ::testing::Test {
  protected:
    TISOFileInfoArr ReadBytes(const std::string& bytes) {
        test::WriteFile(path_, bytes);
        return ReadIsoList(path_);
    }

    test::TempFolder dir_;
    const std::string path_ = dir_ / "isolist";
};

TEST_F(IsoList, SplitsAtTheFirstBarAndKeepsEverythingElse) {
    EXPECT_EQ(ReadBytes(" My PE |D:\\img\\Win PE.iso\r\n"),
              (TISOFileInfoArr{{" My PE ", "D:\\img\\Win PE.iso"}}));
    EXPECT_EQ(ReadBytes("a|b|c\r\n"), (TISOFileInfoArr{{"a", "b|c"}}));
    EXPECT_EQ(ReadBytes("|x\r\ny|\r\n"), (TISOFileInfoArr{{"", "x"}, {"y", ""}}));
}

TEST_F(IsoList, LineWithoutBarIsAllPath) {
    EXPECT_EQ(ReadBytes("D:\\a.iso"), (TISOFileInfoArr{{"", "D:\\a.iso"}}));
}

TEST_F(IsoList, EmptyLineInTheMiddleIsAnItemAndFinalLineEndIsNot) {
    EXPECT_EQ(ReadBytes("a|1\r\n\r\nb|2\r\n"), (TISOFileInfoArr{{"a", "1"}, {"", ""}, {"b", "2"}}));
    EXPECT_EQ(ReadBytes("a|1\nb|2"), ReadBytes("a|1\r\nb|2\r\n"));
}

TEST_F(IsoList, TextEndsAtNul) {
    EXPECT_EQ(ReadBytes(std::string("a|1\r\nb|2\0c|3\r\n", 14)),
              (TISOFileInfoArr{{"a", "1"}, {"b", "2"}}));
}

TEST_F(IsoList, ConvertsFromTheAnsiCodePageAfterSplitting) {
    EXPECT_EQ(ReadBytes(kTitleAnsi + "|D:\\" + kTitleAnsi + ".iso\r\n"),
              (TISOFileInfoArr{{kTitleUtf8, "D:\\" + kTitleUtf8 + ".iso"}}));
}

TEST_F(IsoList, NoFileOrAFolderOfThatNameGivesNoItems) {
    EXPECT_TRUE(ReadIsoList(path_).empty());
    platform::MakeFolder(path_);
    EXPECT_TRUE(ReadIsoList(path_).empty());
}

TEST_F(IsoList, UnreadableFileRaisesAnError) {
    test::WriteFile(path_, "a|b\r\n");
    auto holder = platform::File::Open(path_, platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_THROW(ReadIsoList(path_), Error);
}

TEST_F(IsoList, WritesAnsiLinesEachEndedByCrLf) {
    WriteIsoList(path_, {{kTitleUtf8, "D:\\a b\\x.iso"}, {"", ""}, {"T", "E:\\y.IMG"}});
    EXPECT_EQ(test::ReadFile(path_), kTitleAnsi + "|D:\\a b\\x.iso\r\n|\r\nT|E:\\y.IMG\r\n");
}

TEST_F(IsoList, ZeroItemsWriteAnEmptyFileThatReadsBackEmpty) {
    test::WriteFile(path_, "old|list\r\n");
    WriteIsoList(path_, {});
    EXPECT_TRUE(platform::IsFile(path_));
    EXPECT_EQ(test::ReadFile(path_), "");
    EXPECT_TRUE(ReadIsoList(path_).empty());
}

TEST_F(IsoList, RoundTripKeepsTitlesAndPaths) {
    const TISOFileInfoArr items{{" 两 个 ", "D:\\镜像\\a|b.iso"}, {"x", "y"}, {"", "z"}};
    WriteIsoList(path_, items);
    EXPECT_EQ(ReadIsoList(path_), items);
}

TEST_F(IsoList, BarInATitleMovesTheRestIntoThePath) {
    WriteIsoList(path_, {{"a|b", "D:\\p.iso"}});
    EXPECT_EQ(ReadIsoList(path_), (TISOFileInfoArr{{"a", "b|D:\\p.iso"}}));
}

// Kept in code page 936, the title's last byte would cut the line: the list goes to UTF-8, and
// a list saved the old way still reads as it always did.
TEST_F(IsoList, DoubleByteCharacterEndingIn7CKeepsTheItemWhole) {
    // 亅 is 0x81 0x7C in code page 936: its second byte is the separator.
    WriteIsoList(path_, {{"X亅Y", "D:\\p.iso"}});
    EXPECT_EQ(test::ReadFile(path_), "\xEF\xBB\xBFX\xE4\xBA\x85Y|D:\\p.iso\r\n");
    EXPECT_EQ(ReadIsoList(path_), (TISOFileInfoArr{{"X亅Y", "D:\\p.iso"}}));

    const TISOFileInfoArr items = ReadBytes("X\x81|Y|D:\\p.iso\r\n");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].ImagePath, "Y|D:\\p.iso");
    EXPECT_EQ(items[0].Title, "X\uFFFD");
}

// A path with "ñ" or a Korean name would otherwise be saved as "?" and lost for good.
TEST_F(IsoList, ItemsThatCodePage936CannotHoldMakeTheWholeListUtf8) {
    const TISOFileInfoArr items{{kTitleUtf8, "D:\\España\\a.iso"}, {"부팅", "E:\\x.img"}};
    WriteIsoList(path_, items);
    EXPECT_EQ(test::ReadFile(path_), "\xEF\xBB\xBF" + kTitleUtf8 +
                                         "|D:\\Espa\xC3\xB1"
                                         "a\\a.iso\r\n"
                                         "\xEB\xB6\x80\xED\x8C\x85|E:\\x.img\r\n");
    EXPECT_EQ(ReadIsoList(path_), items);
}

TEST_F(IsoList, WriteReplacesTheListAndLeavesNoTemporaryFile) {
    test::WriteFile(path_, "a much longer list than the new one|D:\\x.iso\r\n");
    WriteIsoList(path_, {{"n", "p"}});
    EXPECT_EQ(test::ReadFile(path_), "n|p\r\n");
    EXPECT_TRUE(platform::ListFolder(dir_.path()).size() == 1);
}

TEST_F(IsoList, FailedWriteKeepsTheSavedList) {
    test::WriteFile(path_, "saved|D:\\x.iso\r\n");
    platform::MakeFolder(path_ + ".tmp");  // the temporary file cannot be made
    EXPECT_THROW(WriteIsoList(path_, {{"new", "p"}}), Error);
    EXPECT_EQ(test::ReadFile(path_), "saved|D:\\x.iso\r\n");
}

// Saving never writes through a link that somebody put in place of the list or its temporary
// file: the link goes, and what it leads to stays as it was.
TEST_F(IsoList, SavingReplacesLinksAndNeverWritesThroughThem) {
#ifdef _WIN32
    GTEST_SKIP() << "links to files are made natively";
#else
    for (const std::string& planted : {path_ + ".tmp", path_}) {
        test::WriteFile(dir_ / "victim", "precious");
        platform::RemoveFile(planted);
        ASSERT_EQ(symlink(platform::posix::ToHostPath(dir_ / "victim")->c_str(),
                          platform::posix::ToHostPath(planted)->c_str()),
                  0);
        WriteIsoList(path_, {{"n", "p"}});
        EXPECT_EQ(test::ReadFile(dir_ / "victim"), "precious") << planted;
        EXPECT_FALSE(platform::IsLink(path_));
        EXPECT_EQ(test::ReadFile(path_), "n|p\r\n");
        EXPECT_FALSE(platform::IsLink(path_ + ".tmp"));
    }
#endif
}

}  // namespace
}  // namespace zr::bootitems

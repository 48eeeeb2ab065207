// Rewriting the disk list: the entries, the no-disk entry and the selection kept by position.

#include "disk/disk_list.h"

#include <gtest/gtest.h>

#include "fake_list.h"

namespace zr::disk {
namespace {

using test::FakeList;

TUsbDiskInfo Disk(const std::string& drive, const std::string& vendor = "ABC") {
    return {drive, vendor, "FLASH_DISK", "1.00", 8004304896};
}

TEST(DiskEntry, HasAsciiColonsTwoSpacesAndAFullWidthColonBeforeTheSize) {
    EXPECT_EQ(FormatDiskEntry(Disk("E:")), "E: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)");
}

TEST(DiskEntry, BeginsWithTheFirstCharacterOfTheDriveOnly) {
    EXPECT_EQ(FormatDiskEntry(Disk("QX:")).substr(0, 4), "Q: (");
}

TEST(NoDiskEntry, IsTheOnlyEntryWhenNoDiskWasFound) {
    FakeList list({FormatDiskEntry(Disk("E:")), FormatDiskEntry(Disk("F:"))}, 1);

    RewriteDiskList(list, {});

    EXPECT_EQ(list.entries, std::vector<std::string>{"请插入U盘！"});
    EXPECT_EQ(list.selected, 0);
    EXPECT_TRUE(IsNoDiskEntry(list.Text()));
}

TEST(Selection, GoesToTheFirstDiskWhenDisksReplaceTheNoDiskEntry) {
    FakeList list({"请插入U盘！"}, 0);

    RewriteDiskList(list, {Disk("E:"), Disk("F:")});

    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.Text().substr(0, 1), "E");
}

TEST(Selection, StaysAtItsPositionEvenWhenAnotherDiskNowStandsThere) {
    FakeList list({FormatDiskEntry(Disk("E:")), FormatDiskEntry(Disk("F:"))}, 1);

    RewriteDiskList(list, {Disk("G:"), Disk("H:"), Disk("I:")});

    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(list.Text().substr(0, 1), "H");
}

TEST(Selection, GoesToTheFirstEntryWhenItsPositionIsPastTheNewEnd) {
    FakeList list({FormatDiskEntry(Disk("E:")), FormatDiskEntry(Disk("F:"))}, 1);

    RewriteDiskList(list, {Disk("G:")});

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"G: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)"});
    EXPECT_EQ(list.selected, 0);
}

TEST(Selection, GoesToTheFirstEntryWhenNothingWasSelected) {
    FakeList list({FormatDiskEntry(Disk("E:")), FormatDiskEntry(Disk("F:"))}, -1);

    RewriteDiskList(list, {Disk("G:"), Disk("H:")});

    EXPECT_EQ(list.selected, 0);
}

}  // namespace
}  // namespace zr::disk

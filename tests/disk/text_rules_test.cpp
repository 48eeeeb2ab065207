// The text rules of the disk list: quoted keys, disk numbers, device identifiers, sizes.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "disk/usb_disks.h"
#include "support/user_locale.h"

namespace zr::disk {
namespace {

TEST(ExtractQuoted, GivesTheTextBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(ExtractQuoted(R"(Win32_LogicalDisk.DeviceID="E:")"), "E:");
    EXPECT_EQ(ExtractQuoted(R"(a"b"c"d")"), "b");
    EXPECT_EQ(ExtractQuoted(R"(x""y)"), "");
}

TEST(ExtractQuoted, IsEmptyWithFewerThanTwoQuotes) {
    EXPECT_EQ(ExtractQuoted(""), "");
    EXPECT_EQ(ExtractQuoted("no quotes"), "");
    EXPECT_EQ(ExtractQuoted(R"(one " only)"), "");
    EXPECT_EQ(ExtractQuoted(R"(ends with ")"), "");
}

TEST(DiskNumberOf, ReadsTheNumberOfWmisPartitionKey) {
    EXPECT_EQ(
        DiskNumberOf(R"(\\PC\root\cimv2:Win32_DiskPartition.DeviceID="Disk #1, Partition #0")"),
        "1");
    EXPECT_EQ(DiskNumberOf(R"(X="Disk #12, Partition #3")"), "12");
}

TEST(DiskNumberOf, TrimsSpacesAndControlCharacters) {
    EXPECT_EQ(DiskNumberOf("X=\"Disk # 7 \t, Partition #0\""), "7");
}

TEST(DiskNumberOf, IsEmptyForKeysWithoutQuotesOrComma) {
    EXPECT_EQ(DiskNumberOf("Disk #1, Partition #0"), "");
    EXPECT_EQ(DiskNumberOf(R"(X="Disk #1, Partition #0)"), "");
    EXPECT_EQ(DiskNumberOf(R"(X="Disk #1 Partition #0")"), "");
    EXPECT_EQ(DiskNumberOf(R"(X="Disk, Partition #0")"), "");
    EXPECT_EQ(DiskNumberOf(R"(X="Disk #, Partition #0")"), "");
}

TEST(CutDeviceId, CutsVendorProductAndRevisionAsTheyStand) {
    const DeviceIdParts parts =
        CutDeviceId(R"(USBSTOR\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\7&2F2B5F3&0)");
    EXPECT_EQ(parts.Vendor, "ABC");
    EXPECT_EQ(parts.Product, "FLASH_DISK");
    EXPECT_EQ(parts.Revision, "1.00");
}

TEST(CutDeviceId, LeavesAPartEmptyWhenItsMarkerIsMissing) {
    const DeviceIdParts noVendor = CutDeviceId(R"(USBSTOR\DISK&PROD_X&REV_2\1)");
    EXPECT_EQ(noVendor.Vendor, "");
    EXPECT_EQ(noVendor.Product, "X");
    EXPECT_EQ(noVendor.Revision, "2");

    const DeviceIdParts noProduct = CutDeviceId(R"(USBSTOR\DISK&VEN_V&REV_2\1)");
    EXPECT_EQ(noProduct.Vendor, "V");
    EXPECT_EQ(noProduct.Product, "");
    EXPECT_EQ(noProduct.Revision, "2");

    const DeviceIdParts noRevision = CutDeviceId(R"(USBSTOR\DISK&VEN_V&PROD_P&\1)");
    EXPECT_EQ(noRevision.Vendor, "V");
    EXPECT_EQ(noRevision.Product, "P");
    EXPECT_EQ(noRevision.Revision, "");
}

TEST(CutDeviceId, LeavesAPartEmptyWhenNoTerminatorFollows) {
    const DeviceIdParts parts = CutDeviceId("USBSTOR\\DISK&VEN_V&PROD_P&REV_1.00");
    EXPECT_EQ(parts.Vendor, "V");
    EXPECT_EQ(parts.Product, "P");
    EXPECT_EQ(parts.Revision, "");
    EXPECT_EQ(CutDeviceId("X\\VEN_ABC").Vendor, "");
}

TEST(CutDeviceId, NeverReadsPastShortOrBareIdentifiers) {
    for (const char* id : {"", "V", "VEN", "VEN_", "PROD_", "REV_", "REV_\\", "&&", "\\"}) {
        const DeviceIdParts parts = CutDeviceId(id);
        EXPECT_EQ(parts.Vendor, "") << id;
        EXPECT_EQ(parts.Product, "") << id;
    }
    EXPECT_EQ(CutDeviceId("REV_\\").Revision, "");
    EXPECT_EQ(CutDeviceId("VEN_&").Vendor, "");
}

TEST(FormatDiskSize, WritesTheLargestUnitThatIsAtLeastOne) {
    EXPECT_EQ(FormatDiskSize(1073741824, "."), "1.00GB");
    EXPECT_EQ(FormatDiskSize(1073741823, "."), "1024.00MB");
    EXPECT_EQ(FormatDiskSize(1536, "."), "1.50KB");
    EXPECT_EQ(FormatDiskSize(1048576, "."), "1.00MB");
    EXPECT_EQ(FormatDiskSize(8004304896, "."), "7.45GB");
}

TEST(FormatDiskSize, IsEmptyBelowOneKilobyte) {
    EXPECT_EQ(FormatDiskSize(1023, "."), "");
    EXPECT_EQ(FormatDiskSize(0, "."), "");
    EXPECT_EQ(FormatDiskSize(-5000000000, "."), "");
}

TEST(FormatDiskSize, RoundsHalvesUp) {
    EXPECT_EQ(FormatDiskSize(1207959552, "."), "1.13GB");  // exactly 1.125 GB
    EXPECT_EQ(FormatDiskSize(1476395008, "."), "1.38GB");  // exactly 1.375 GB
    EXPECT_EQ(FormatDiskSize(1034, "."), "1.01KB");        // 1.009765625 KB
}

TEST(FormatDiskSize, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatDiskSize(1536, ","), "1,50KB");
    EXPECT_EQ(FormatDiskSize(8004304896, ","), "7,45GB");
}

// What the disk list shows: the separator of the user's own number settings.
TEST(FormatDiskSize, WithoutASeparatorTakesTheUsersOwn) {
    test::UserDecimalSeparator comma(",");
    ASSERT_TRUE(comma.IsSet()) << "no comma for the user's decimal separator here (LOCPATH?)";
    EXPECT_EQ(FormatDiskSize(1073741824), "1,00GB");
    EXPECT_EQ(FormatDiskSize(1610612736), "1,50GB");
    EXPECT_EQ(FormatDiskSize(1073741823), "1024,00MB");
    EXPECT_EQ(FormatDiskSize(1536), "1,50KB");
    EXPECT_EQ(FormatDiskSize(1023), "");
}

TEST(FormatDiskSize, CopesWithTheLargestCount) {
    EXPECT_EQ(FormatDiskSize(std::numeric_limits<int64_t>::max(), "."), "8589934592.00GB");
}

}  // namespace
}  // namespace zr::disk

// Finding USB volumes through (fake) WMI and what the disk list shows for them.

#include <gtest/gtest.h>

#include <algorithm>

#include "disk/disk_list.h"
#include "disk/usb_disks.h"
#include "fake_list.h"
#include "fake_wmi.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace zr::disk {
namespace {

using test::Association;
using test::Drive;
using test::FakeList;
using test::FakeVolumes;
using test::FakeWmi;
using test::UsbDeviceId;

const std::string kAbcStick = UsbDeviceId("ABC", "FLASH_DISK", "1.00");

class Enumeration : public testing::Test {
  protected:
    FakeWmi wmi;
    FakeVolumes volumes;
    FakeList list{{"E: (厂商:OLD 产品:OLD 版本:1  容量：1.00GB)",
                   "F: (厂商:OLD 产品:OLD 版本:1  容量：1.00GB)"},
                  1};

    std::vector<TUsbDiskInfo> Enumerate() {
        return EnumerateUsbDisks(wmi.Locator(), volumes.Query());
    }
    void Refresh() { RefreshDiskList(list, wmi.Locator(), volumes.Query()); }
};

TEST_F(Enumeration, ShowsAUsbVolumeInTheEntryFormat) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {Drive(0, "IDE", "IDE\\DISKWDC\\5&1"), Drive(1, "USB", kAbcStick)};
    volumes.sizes = {{"E:\\", 8004304896}};
    list = FakeList({std::string(kNoDiskEntry)}, 0);

    Refresh();

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"E: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)"});
    EXPECT_EQ(list.selected, 0);
}

TEST_F(Enumeration, AsksWmiWithTheLocalConnectionAndTheExactQueries) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:"),
                        Association("Disk #0, Partition #0", "C:"),
                        Association("Disk #1, Partition #1", "F:")};
    wmi.drives = {Drive(1, "USB", kAbcStick)};
    wmi.drives[0]["MediaType"] = std::string("External hard disk media");
    wmi.drives[0]["Size"] = int64_t{1} << 40;
    int between = 0;

    const auto disks = EnumerateUsbDisks(wmi.Locator(), volumes.Query(), [&] { ++between; });

    const std::string drives = "ExecQuery(select * FROM Win32_DiskDrive)";
    EXPECT_EQ(wmi.calls,
              (std::vector<std::string>{"ConnectServer(.,,,)",
                                        "ExecQuery(Select * from Win32_LogicalDiskToPartition)",
                                        drives, drives, drives}));
    EXPECT_EQ(between, 3) << "the caller's window answers after each association";
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].MediaType, "External hard disk media");
    EXPECT_EQ(disks[0].DiskSize, int64_t{1} << 40);
}

// A UASP stick is a SCSI disk to Win32_DiskDrive; the storage namespace says its bus is USB
// (7), whatever type the number comes in. A SATA disk behind SCSI (11) stays out, and so does
// every SCSI disk when the namespace cannot be asked.
TEST_F(Enumeration, ScsiDiskIsListedWhenTheStorageNamespaceSaysItsBusIsUsb) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:"),
                        Association("Disk #2, Partition #0", "F:"),
                        Association("Disk #3, Partition #0", "G:")};
    wmi.drives = {Drive(1, "SCSI", "SCSI\\DISK&VEN_SAMSUNG&PROD_PORTABLE_SSD&REV_0\\7&1"),
                  Drive(2, "SCSI", "SCSI\\DISK&VEN_ATA&PROD_ST1000&REV_0001\\4&2"),
                  Drive(3, "SCSI", "SCSI\\DISK&VEN_SANDISK&PROD_EXTREME&REV_1\\7&3")};
    wmi.storageDisks = {{{"Number", int64_t{1}}, {"BusType", int64_t{7}}},
                        {{"Number", int64_t{2}}, {"BusType", int64_t{11}}},
                        {{"Number", std::string("3")}, {"BusType", std::string("7")}}};
    auto disks = Enumerate();
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].Drive, "E:");
    EXPECT_EQ(disks[0].Vendor, "SAMSUNG");
    EXPECT_EQ(disks[0].Product, "PORTABLE_SSD");
    EXPECT_EQ(disks[1].Drive, "G:");
    EXPECT_EQ(std::count(wmi.calls.begin(), wmi.calls.end(),
                         "ConnectServer(.,root\\Microsoft\\Windows\\Storage,,)"),
              1);

    wmi.failOn = "ConnectServer root\\Microsoft\\Windows\\Storage";
    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, GivesEachLetteredVolumeOfOneDiskItsOwnEntryInWmisOrder) {
    wmi.associations = {Association("Disk #2, Partition #1", "G:"),
                        Association("Disk #2, Partition #0", "F:")};
    wmi.drives = {Drive(2, "USB", UsbDeviceId("Kingston", "DataTraveler_3.0", "PMAP"))};
    volumes.sizes = {{"G:\\", 1073741824}, {"F:\\", 1536}};

    const auto disks = Enumerate();

    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].Drive, "G:");
    EXPECT_EQ(disks[0].TotalSize, 1073741824);
    EXPECT_EQ(disks[1].Drive, "F:");
    EXPECT_EQ(disks[1].TotalSize, 1536);
    for (const auto& disk : disks) {
        EXPECT_EQ(disk.Vendor, "Kingston");
        EXPECT_EQ(disk.Product, "DataTraveler_3.0");
        EXPECT_EQ(disk.Revision, "PMAP");
    }
}

TEST_F(Enumeration, IgnoresDisksThatAreNotOnUsb) {
    wmi.associations = {Association("Disk #0, Partition #0", "C:"),
                        Association("Disk #1, Partition #0", "D:"),
                        Association("Disk #2, Partition #0", "E:")};
    wmi.drives = {Drive(0, "IDE", kAbcStick), Drive(1, "SCSI", kAbcStick),
                  Drive(2, "usb", kAbcStick)};

    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, IgnoresAUsbDiskWithoutALetteredVolume) {
    wmi.associations = {Association("Disk #0, Partition #0", "C:")};
    wmi.drives = {Drive(0, "IDE", "IDE\\X"), Drive(1, "USB", kAbcStick)};

    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, MatchesTheDriveNameExactly) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {
        Drive(10, "USB", kAbcStick),
        Drive(11, "USB", kAbcStick),
        {{"Name", "\\\\.\\PhysicalDrive1"}, {"InterfaceType", "USB"}, {"PNPDeviceID", kAbcStick}},
        {{"Name", "\\\\.\\PHYSICALDRIVE1 "}, {"InterfaceType", "USB"}, {"PNPDeviceID", kAbcStick}}};

    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, RunsThroughAllDrivesAfterAMatch) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {Drive(1, "USB", UsbDeviceId("A", "P", "1")),
                  Drive(1, "USB", UsbDeviceId("B", "P", "1"))};

    const auto disks = Enumerate();

    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].Vendor, "A");
    EXPECT_EQ(disks[1].Vendor, "B");
}

TEST_F(Enumeration, NeverMatchesANullNameOrInterfaceType) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {{{"InterfaceType", "USB"}, {"PNPDeviceID", kAbcStick}},
                  {{"Name", "\\\\.\\PHYSICALDRIVE1"}, {"PNPDeviceID", kAbcStick}}};

    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, ReadsNoDeviceIdOfADriveThatDoesNotMatch) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {{{"Name", "\\\\.\\PHYSICALDRIVE0"}, {"InterfaceType", "IDE"}},
                  {{"Name", "\\\\.\\PHYSICALDRIVE1"}, {"InterfaceType", "IDE"}},
                  Drive(1, "USB", kAbcStick)};

    EXPECT_EQ(Enumerate().size(), 1u);
}

TEST_F(Enumeration, UpperCasesTheDriveButAsksTheSizeOfTheRootAsRead) {
    wmi.associations = {Association("Disk #1, Partition #0", "e:")};
    wmi.drives = {Drive(1, "USB", kAbcStick)};
    volumes.sizes = {{"e:\\", 2147483648}};

    const auto disks = Enumerate();

    ASSERT_EQ(disks.size(), 1u);
    EXPECT_EQ(disks[0].Drive, "E:");
    EXPECT_EQ(disks[0].TotalSize, 2147483648);
    EXPECT_EQ(volumes.asked, std::vector<std::string>{"e:\\"});
}

TEST_F(Enumeration, LeavesTheSizeTextEmptyWhenTheVolumeCannotBeSized) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {Drive(1, "USB", kAbcStick)};

    Refresh();

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"E: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：)"});
}

TEST_F(Enumeration, MakesNoEntryForPartitionKeysWithoutQuotesOrComma) {
    wmi.associations = {Association("Disk #1 Partition #0", "E:"),
                        {{"Antecedent", "Disk #1, Partition #0"}, {"Dependent", "\"F:\""}},
                        {{"Antecedent", "\"Disk #1, Partition #0"}, {"Dependent", "\"G:\""}}};
    wmi.drives = {
        Drive(1, "USB", kAbcStick),
        {{"Name", "\\\\.\\PHYSICALDRIVE"}, {"InterfaceType", "USB"}, {"PNPDeviceID", kAbcStick}}};

    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Enumeration, MakesNoEntryForAVolumeWithoutAName) {
    wmi.associations = {{{"Antecedent", "X=\"Disk #1, Partition #0\""},
                         {"Dependent", "Win32_LogicalDisk.DeviceID=E:"}},
                        {{"Antecedent", "X=\"Disk #1, Partition #1\""}, {"Dependent", "\"\""}},
                        Association("Disk #1, Partition #2", "F:")};
    wmi.drives = {Drive(1, "USB", kAbcStick)};

    Refresh();

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"F: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：)"});
}

TEST_F(Enumeration, ShowsEmptyPartsForAnIdentifierWithoutMarkers) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {Drive(1, "USB", "USB\\ROOT"), Drive(1, "USB", "")};

    Refresh();

    const std::string bare = "E: (厂商: 产品: 版本:  容量：)";
    EXPECT_EQ(list.entries, (std::vector<std::string>{bare, bare}));
}

TEST_F(Enumeration, KeepsChineseTextsOfTheIdentifier) {
    wmi.associations = {Association("Disk #1, Partition #0", "E:")};
    wmi.drives = {Drive(1, "USB", UsbDeviceId("金士顿", "优盘", "版1"))};

    const auto disks = Enumerate();

    ASSERT_EQ(disks.size(), 1u);
    EXPECT_EQ(disks[0].Vendor, "金士顿");
    EXPECT_EQ(disks[0].Product, "优盘");
    EXPECT_EQ(disks[0].Revision, "版1");
}

// The size shown is the whole volume's, whatever it holds now.
TEST(VolumeTotalSize, IsTheWholeVolumeNotItsFreeSpace) {
    const std::string root = platform::TempFolder().substr(0, 3);
    const auto space = platform::QueryVolumeSpace(root);
    ASSERT_TRUE(space);
    if (space->freeToCaller == space->total) GTEST_SKIP() << "an empty volume";
    EXPECT_EQ(VolumeTotalSize(root), space->total);
}

// ---- failures: the refresh stops, and the list keeps its entries and selection ----

class FailedRefresh : public Enumeration {
  protected:
    void SetUp() override {
        wmi.associations = {Association("Disk #1, Partition #0", "E:")};
        wmi.drives = {Drive(1, "USB", kAbcStick)};
    }

    void ExpectRefreshFailsAndListStays(const std::string& message) {
        const FakeList before = list;
        try {
            Refresh();
            ADD_FAILURE() << "the refresh did not fail";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_EQ(list.entries, before.entries);
        EXPECT_EQ(list.selected, before.selected);
    }
};

TEST_F(FailedRefresh, WhenTheLocatorCannotBeMade) {
    wmi.failOn = "Locator";
    ExpectRefreshFailsAndListStays("fake failure in Locator");
}

TEST_F(FailedRefresh, WhenTheConnectionFails) {
    wmi.failOn = "ConnectServer";
    ExpectRefreshFailsAndListStays("fake failure in ConnectServer");
}

TEST_F(FailedRefresh, WhenAQueryFails) {
    wmi.failOn = "select * FROM Win32_DiskDrive";
    ExpectRefreshFailsAndListStays("fake failure in select * FROM Win32_DiskDrive");
}

TEST_F(FailedRefresh, WhenADependentIsNull) {
    wmi.associations.push_back({{"Antecedent", "X=\"Disk #1, Partition #1\""}});
    ExpectRefreshFailsAndListStays("Could not convert variant of type (Null) into type (String)");
}

TEST_F(FailedRefresh, WhenAnAntecedentIsNull) {
    wmi.associations.push_back({{"Dependent", "X=\"F:\""}});
    ExpectRefreshFailsAndListStays("Could not convert variant of type (Null) into type (String)");
}

TEST_F(FailedRefresh, WhenTheDeviceIdOfAMatchingDriveIsNull) {
    wmi.drives.push_back({{"Name", "\\\\.\\PHYSICALDRIVE1"}, {"InterfaceType", "USB"}});
    ExpectRefreshFailsAndListStays("Could not convert variant of type (Null) into type (String)");
}

}  // namespace
}  // namespace zr::disk

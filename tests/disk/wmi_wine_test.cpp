// The disk list through the real COM binding, against the fake WMI registered in the running
// Wine prefix (tests/fakewmi), and once against Wine's own WMI. The test registers the fake and
// maps its drive letters itself, and undoes both at the end, so it runs in any prefix.

#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>

#include <bit>

#include "disk/disk_list.h"
#include "disk/usb_disks.h"
#include "disk/win32/wmi_locator.h"
#include "fake_list.h"
#include "fake_wmi_control.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/automation_win32.h"
#include "support/temp_folder.h"

namespace zr::disk {
namespace {

namespace fakewmi = test::fakewmi;
using test::FakeList;

// The program's user-interface thread is a single-threaded apartment; so is the test's.
class ComApartment : public testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { CoUninitialize(); }
};
const auto* const kApartment = testing::AddGlobalTestEnvironment(new ComApartment);

const std::string kAbcStick = "USBSTOR\\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\\4C5300012305&0";
const std::string kSystemDisk = fakewmi::DriveRow(0, "IDE", "IDE\\DISKWDC_WD5000\\5&1F2A&0&0.0.0");

class FakeWmi : public testing::Test {
  protected:
    test::TempFolder folder;
    fakewmi::Registration registration;
    fakewmi::Scenario scenario{folder.path()};
    FakeList list{{std::string(kNoDiskEntry)}, 0};

    void Refresh() { RefreshDiskList(list, win32::CreateWmiLocator); }
};

TEST_F(FakeWmi, ListsTheUsbVolumesOfTheScenarioInTheEntryFormat) {
    // WMI hands the disk's size out as text, as scripting does with its 64-bit numbers.
    scenario.Write(fakewmi::AssociationRow("Disk #0, Partition #0", "C:") +
                   fakewmi::AssociationRow("Disk #1, Partition #0", "P:") + kSystemDisk +
                   fakewmi::DriveRow(1, "USB", kAbcStick) +
                   "MediaType=External hard disk media\nSize=1000204886016\n" +
                   fakewmi::VolumeRow("P:\\", 8004304896));

    Refresh();

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"P: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)"});
    EXPECT_EQ(list.selected, 0);
    const auto disks = EnumerateUsbDisks(win32::CreateWmiLocator);
    ASSERT_EQ(disks.size(), 1u);
    EXPECT_TRUE(LooksLikeHardDisk(disks[0]));
    EXPECT_EQ(disks[0].DiskSize, 1000204886016);
}

TEST_F(FakeWmi, AsksWithTheLocalConnectionAndTheExactQueriesOncePerAssociation) {
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   fakewmi::AssociationRow("Disk #1, Partition #1", "X:") +
                   fakewmi::DriveRow(1, "USB", kAbcStick));

    Refresh();

    // The fake puts every other drive of this Wine on the computer's own disk, after these two.
    const auto others =
        std::popcount(GetLogicalDrives() & ~((1u << ('X' - 'A')) | (1u << ('Y' - 'A'))));
    std::vector<std::string> expected{R"(ConnectServer(".", "", "", ""))",
                                      R"(ExecQuery("Select * from Win32_LogicalDiskToPartition"))"};
    expected.insert(expected.end(), 2 + others, R"(ExecQuery("select * FROM Win32_DiskDrive"))");
    EXPECT_EQ(scenario.Calls(), expected);
}

TEST_F(FakeWmi, SeesDisksThatArriveAndLeaveBetweenRefreshes) {
    const std::string first = fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                              fakewmi::DriveRow(1, "USB", kAbcStick);
    scenario.Write(first);
    Refresh();
    ASSERT_EQ(list.Count(), 1);

    scenario.Write(first + fakewmi::AssociationRow("Disk #2, Partition #0", "X:") +
                   fakewmi::DriveRow(2, "USB", "USBSTOR\\DISK&VEN_KINGSTON&PROD_DT&REV_PMAP\\1&0"));
    Refresh();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.entries[1], "X: (厂商:KINGSTON 产品:DT 版本:PMAP  容量：)");

    scenario.Write("");
    Refresh();
    EXPECT_EQ(list.entries, std::vector<std::string>{std::string(kNoDiskEntry)});
}

// UASP sticks show as SCSI disks; the storage namespace's bus type (an integer) tells them.
TEST_F(FakeWmi, ListsAScsiDiskOnTheUsbBusAndNotOneOnSata) {
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   fakewmi::AssociationRow("Disk #2, Partition #0", "X:") +
                   fakewmi::DriveRow(1, "SCSI", "SCSI\\DISK&VEN_SAMSUNG&PROD_T7&REV_0\\7&1") +
                   fakewmi::DriveRow(2, "SCSI", "SCSI\\DISK&VEN_ATA&PROD_ST1000&REV_1\\4&2") +
                   fakewmi::StorageDiskRow(1, 7) + fakewmi::StorageDiskRow(2, 11));
    Refresh();
    EXPECT_EQ(list.entries, std::vector<std::string>{"Y: (厂商:SAMSUNG 产品:T7 版本:0  容量：)"});

    // Without the namespace (Windows 7) no SCSI disk is a USB one, and there is no error.
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   fakewmi::DriveRow(1, "SCSI", "SCSI\\DISK&VEN_SAMSUNG&PROD_T7&REV_0\\7&1") +
                   "[Fail]\nStorage=Invalid namespace\n");
    Refresh();
    EXPECT_EQ(list.entries, std::vector<std::string>{std::string(kNoDiskEntry)});
}

TEST_F(FakeWmi, CarriesChineseTextsThroughUtf16) {
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   fakewmi::DriveRow(1, "USB", "USBSTOR\\DISK&VEN_金士顿&PROD_优盘&REV_1.0\\1&0"));

    Refresh();

    EXPECT_EQ(list.entries,
              std::vector<std::string>{"Y: (厂商:金士顿 产品:优盘 版本:1.0  容量：)"});
}

TEST_F(FakeWmi, ShowsTheServersOwnDescriptionOfAFailureAndKeepsTheList) {
    list = FakeList({"Y: (厂商:A 产品:B 版本:C  容量：)", "X: (厂商:A 产品:B 版本:C  容量：)"}, 1);
    const FakeList before = list;
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   "[Fail]\nWin32_DiskDrive=Generic failure 服务\n");

    try {
        Refresh();
        ADD_FAILURE() << "the refresh did not fail";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Generic failure 服务");
    }
    EXPECT_EQ(list.entries, before.entries);
    EXPECT_EQ(list.selected, before.selected);
}

TEST_F(FakeWmi, ReportsALocatorThatCannotBeCreatedWithTheSystemsText) {
    scenario.Write("[Fail]\nLocator=\n");

    try {
        Refresh();
        ADD_FAILURE() << "the refresh did not fail";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), automation::win32::HresultText(E_FAIL));
    }
}

// ---- the binding itself, on the fake's objects ----

TEST_F(FakeWmi, BindingReadsIntegersAndNullsAndNamesUnknownMembers) {
    scenario.Write(fakewmi::AssociationRow("Disk #1, Partition #0", "Y:") +
                   "[Win32_DiskDrive]\nName=\\\\.\\PHYSICALDRIVE1\nModel\n");
    const auto locator = win32::CreateWmiLocator();
    const auto services = automation::AsObject(locator->Call(
        "ConnectServer", {std::string("."), std::string(), std::string(), std::string()}));
    const auto drives = automation::AsObject(
        services->Call("ExecQuery", {std::string("select * FROM Win32_DiskDrive")}));

    EXPECT_EQ(std::get<int64_t>(drives->Get("Count")), 1);
    const auto items = drives->Enumerate();
    const auto drive = automation::AsObject(*items->Next());
    EXPECT_FALSE(items->Next().has_value());
    EXPECT_EQ(automation::AsText(drive->Get("Name")), "\\\\.\\PHYSICALDRIVE1");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(drive->Get("Model")));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(drive->Get("InterfaceType")));

    try {
        drive->Get("NoSuchProperty");
        ADD_FAILURE() << "an unknown name was read";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), automation::win32::HresultText(DISP_E_UNKNOWNNAME));
    }
    EXPECT_THROW(locator->Enumerate(), Error);
}

// ---- Wine's own WMI ----

// Wine's WMI lists its disks as IDE and its Win32_DiskDrive has no Name property at all, so
// the first drive comparison fails with DISP_E_UNKNOWNNAME: without the fake, a refresh never
// lists a disk, it fails, and the list keeps what it had. Reaching that point also shows that
// the binding works with a server other than the fake (ConnectServer, ExecQuery, _NewEnum and
// the association's properties all answered).
TEST(SystemWmi, FailsAtTheDrivesMissingNameAndKeepsTheList) {
    fakewmi::RestoreSystemLocator();
    FakeList list({std::string(kNoDiskEntry)}, 0);

    try {
        RefreshDiskList(list, win32::CreateWmiLocator);
        ADD_FAILURE() << "Wine's WMI answered every property; the placeholder test applies now";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), automation::win32::HresultText(DISP_E_UNKNOWNNAME));
    }
    EXPECT_EQ(list.entries, std::vector<std::string>{std::string(kNoDiskEntry)});
    EXPECT_EQ(list.selected, 0);
}

}  // namespace
}  // namespace zr::disk

// The disk list of the real program under Wine: the fake WMI serves the disks and the sizes of
// their volumes, and the list is read from the window.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_world.h"
#include "support/program_driver.h"
#include "support/user_locale.h"
#include "ui/control_ids.h"

namespace zr::e2e {
namespace {

namespace ids = ui::ids;
namespace fakewmi = test::fakewmi;
using Items = std::vector<std::string>;

const std::string kAbcStick = "USBSTOR\\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\\4C5300012305&0";
const std::string kKingston =
    "USBSTOR\\DISK&VEN_KINGSTON&PROD_DATATRAVELER_3.0&REV_PMAP\\60A44C4138&0";
const std::string kSystemDisk = fakewmi::DriveRow(0, "IDE", "IDE\\DISKWDC_WD5000\\5&1F2A&0&0.0.0");
const std::string kDriveQuery = R"(ExecQuery("select * FROM Win32_DiskDrive"))";
const std::string kConnect = R"(ConnectServer(".", "", "", ""))";

size_t Count(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

class DiskList : public testing::Test {
  protected:
    void Start() {
        program_.emplace(folder_.Exe());
        main_ = program_->WaitForMainWindow();
        ASSERT_NE(main_, nullptr) << "the main window never showed";
        disks_ = program_->Control(ids::cbb_disk);
    }
    Items Shown() const { return ComboItems(disks_); }
    bool Shows(const Items& items) const {
        return WaitUntil([&] { return Shown() == items; });
    }
    // Waits until a timer refresh has made its last WMI call; the next one is then about
    // two seconds away.
    void AfterARefresh() const {
        WmiScenario().ClearLog();
        ASSERT_TRUE(WaitUntil([] { return Count(WmiScenario().Calls(), kDriveQuery) > 0; }));
    }

    ProgramFolder folder_{BesideTestProgram("ZiRuriOffline.exe")};
    // U: holds one and a half GiB; the volume Q: is known to nobody, so its size query fails
    // and its entry has no size.
    const std::string abcOnU_ = "U: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：1.50GB)";
    const std::string kingstonOnQ_ = "Q: (厂商:KINGSTON 产品:DATATRAVELER_3.0 版本:PMAP  容量：)";
    const std::string abcRows_ = fakewmi::AssociationRow("Disk #1, Partition #0", "U:") +
                                 fakewmi::DriveRow(1, "USB", kAbcStick) +
                                 fakewmi::VolumeRow("U:\\", 1610612736);
    // WMI may name the volume in lower case; the entry's letter is upper-cased.
    const std::string kingstonRows_ = fakewmi::AssociationRow("Disk #2, Partition #0", "q:") +
                                      fakewmi::DriveRow(2, "USB", kKingston);
    std::optional<RunningProgram> program_;
    HWND main_ = nullptr;
    HWND disks_ = nullptr;
};

TEST_F(DiskList, ShowsTheUsbVolumesInTheEntryFormatFromTheFirstRefresh) {
    WmiScenario().Write(fakewmi::AssociationRow("Disk #0, Partition #0", "C:") + abcRows_ +
                        kingstonRows_ + kSystemDisk);
    Start();
    EXPECT_EQ(Shown(), (Items{abcOnU_, kingstonOnQ_}));
    EXPECT_EQ(ComboSelection(disks_), 0);
    EXPECT_EQ(Count(WmiScenario().Calls(), kConnect), 1u) << "not from the refresh at show time";
}

// The user's own decimal separator, as the control panel sets it.
TEST_F(DiskList, SizesAreWrittenWithTheUsersDecimalSeparator) {
    test::UserDecimalSeparator comma(",");
    ASSERT_TRUE(comma.IsSet());
    WmiScenario().Write(abcRows_ + fakewmi::AssociationRow("Disk #1, Partition #1", "V:") +
                        fakewmi::VolumeRow("V:\\", 1073741824) +
                        fakewmi::AssociationRow("Disk #1, Partition #2", "W:") +
                        fakewmi::VolumeRow("W:\\", 1536));
    Start();
    EXPECT_EQ(Shown(), (Items{"U: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：1,50GB)",
                              "V: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：1,00GB)",
                              "W: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：1,50KB)"}));
}

TEST_F(DiskList, ADiskPluggedInAppearsOnTheNextTick) {
    WmiScenario().Write(abcRows_);
    Start();
    ASSERT_TRUE(Shows({abcOnU_}));
    AfterARefresh();
    WmiScenario().Write(abcRows_ + kingstonRows_);
    WmiScenario().ClearLog();
    ASSERT_TRUE(Shows({abcOnU_, kingstonOnQ_}));
    EXPECT_EQ(Count(WmiScenario().Calls(), kConnect), 1u) << "it took more than one refresh";
    EXPECT_EQ(ComboSelection(disks_), 0);
}

TEST_F(DiskList, TheTimerRefreshesTheListEveryTwoSeconds) {
    WmiScenario().Write(abcRows_);
    Start();
    ULONGLONG last = NextRefresh();
    ASSERT_NE(last, 0u);
    for (int tick = 0; tick < 2; ++tick) {
        const ULONGLONG next = NextRefresh();
        EXPECT_NEAR(static_cast<double>(next - last), 2000, 300) << "tick " << tick;
        last = next;
    }
}

TEST_F(DiskList, KeepsTheSelectedPositionRatherThanTheDisk) {
    WmiScenario().Write(abcRows_ + kingstonRows_);
    Start();
    ASSERT_TRUE(Shows({abcOnU_, kingstonOnQ_}));
    SendMessageW(disks_, CB_SETCURSEL, 1, 0);

    WmiScenario().Write(kingstonRows_ + abcRows_);
    ASSERT_TRUE(Shows({kingstonOnQ_, abcOnU_}));
    EXPECT_EQ(ComboSelection(disks_), 1) << "another disk stands there now, but in place";

    WmiScenario().Write(abcRows_);
    ASSERT_TRUE(Shows({abcOnU_}));
    EXPECT_EQ(ComboSelection(disks_), 0) << "the selected place is gone";

    WmiScenario().Write("");
    ASSERT_TRUE(Shows({"请插入U盘！"}));
    EXPECT_EQ(ComboSelection(disks_), 0);
}

TEST_F(DiskList, AFailingRefreshShowsOneErrorAndKeepsTheList) {
    WmiScenario().Write(abcRows_ + kingstonRows_);
    Start();
    ASSERT_TRUE(Shows({abcOnU_, kingstonOnQ_}));
    SendMessageW(disks_, CB_SETCURSEL, 1, 0);

    WmiScenario().Write(abcRows_ + kingstonRows_ + "[Fail]\nWin32_DiskDrive=Generic failure\n");
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "the failure was not reported";
    EXPECT_EQ(TextOf(box), "ZiRuri");
    EXPECT_EQ(MessageBoxText(box), "Generic failure");
    EXPECT_EQ(Shown(), (Items{abcOnU_, kingstonOnQ_}));
    EXPECT_EQ(ComboSelection(disks_), 1);

    // Two ticks pass while the error is up: neither refreshes nor stacks another box on it.
    WmiScenario().ClearLog();
    Sleep(4500);
    EXPECT_EQ(WmiScenario().Calls(), std::vector<std::string>{});
    EXPECT_EQ(program_->VisibleMessageBoxes(), 1);

    // Once it is answered, the timer tries again.
    WmiScenario().Write(abcRows_);
    Answer(box, IDOK);
    EXPECT_TRUE(Shows({abcOnU_}));
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

}  // namespace
}  // namespace zr::e2e

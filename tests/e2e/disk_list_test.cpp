// The disk list of the real program under Wine: the fake WMI serves the disks, a drive letter
// mapped to a test folder answers the size query, and the list is read from the window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_world.h"
#include "support/program_driver.h"
#include "support/temp_folder.h"
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

// The entry as the user reads it: ASCII colons after 厂商, 产品 and 版本, two spaces and a
// full-width colon before the size.
std::string Entry(char letter, const std::string& vendor, const std::string& product,
                  const std::string& revision, const std::string& size) {
    std::string entry(1, letter);
    for (const std::string& piece :
         {std::string(": (厂商:"), vendor, std::string(" 产品:"), product, std::string(" 版本:"),
          revision, std::string("  容量："), size, std::string(")")}) {
        entry += piece;
    }
    return entry;
}

// The size text of a volume of at least 1 GiB: its total in GiB, two decimals, with the user's
// decimal separator.
std::string GigabytesOf(const std::string& root) {
    ULARGE_INTEGER total{};
    if (!GetDiskFreeSpaceExW(std::wstring(root.begin(), root.end()).c_str(), nullptr, &total,
                             nullptr)) {
        return "(no size)";
    }
    char number[64];
    std::snprintf(number, sizeof number, "%.2f",
                  static_cast<double>(total.QuadPart) / 1073741824.0);
    wchar_t separator[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    std::string text = number;
    for (char& c : text) {
        if (c == '.') c = static_cast<char>(separator[0]);
    }
    return text + "GB";
}

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
    test::TempFolder stick_;
    // A mapped volume answers the size query with its host file system's total; the volume Q:
    // has no letter at all, so its query fails and its entry has no size.
    fakewmi::MappedDrive drive_{'U', stick_.path()};
    const std::string abcOnU_ = Entry('U', "ABC", "FLASH_DISK", "1.00", GigabytesOf("U:\\"));
    const std::string kingstonOnQ_ = Entry('Q', "KINGSTON", "DATATRAVELER_3.0", "PMAP", "");
    const std::string abcRows_ = fakewmi::AssociationRow("Disk #1, Partition #0", "U:") +
                                 fakewmi::DriveRow(1, "USB", kAbcStick);
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
    ASSERT_NE(GigabytesOf("U:\\"), "(no size)");
    EXPECT_EQ(Shown(), (Items{abcOnU_, kingstonOnQ_}));
    EXPECT_EQ(ComboSelection(disks_), 0);
    EXPECT_EQ(Count(WmiScenario().Calls(), kConnect), 1u) << "not from the refresh at show time";
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

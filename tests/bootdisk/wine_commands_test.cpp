// The make and restore commands with the real platform layer and tool runner under Wine: the
// package carries the stand-in fbinst.exe, and a drive letter is linked to a test folder in
// the prefix's dosdevices, so what the tool stores can be looked at afterwards.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "bootdisk/commands.h"
#include "bootdisk/tool_runner.h"
#include "bootitems/isolist.h"
#include "bootitems/line_list.h"
#include "fakefbinst/tool_folder.h"
#include "platform/platform.h"
#include "recording_host.h"
#include "support/temp_folder.h"
#include "test_package.h"
#include "test_world.h"

namespace zr::bootdisk {
namespace {

using platform::IsFile;
using platform::IsFolder;
using zr::test::ReadFile;
using Lines = std::vector<std::string>;

const std::string kMakeDone = "message 恭喜你，制作完成！";
const std::string kRestoreDone = "message  U盘空间已还原！";

class WineCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::RunningUnderWine()) GTEST_SKIP() << "drive links need Wine's dosdevices";
        for (const char* folder : {"usb", "temp", "tool", "data", "img"}) {
            platform::MakeFolders(root_ / folder);
        }
        drive_ = std::make_unique<test::DriveLink>(test::HostPath(root_ / "usb"));
        temp_ = std::make_unique<test::TemporaryFolderOverride>(root_ / "temp");
        zr::test::SetFakeToolFolder(root_ / "tool");
        test::WritePackage(dataDir_, test::StandardEntries(ReadFile(test::StandInTool())));
        host_.dataDir = dataDir_;
        host_.diskText = std::string(1, drive_->letter()) +
                         ": (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)";
    }
    void TearDown() override { zr::test::SetFakeToolFolder(""); }

    void Scenario(const std::string& rules) {
        zr::test::WriteFile(root_ / "tool\\scenario.txt", rules);
    }
    Lines Log() const {
        const std::string log = root_ / "tool\\fbinst.log";
        return IsFile(log) ? bootitems::SplitLines(ReadFile(log)) : Lines{};
    }
    std::string OnDrive(const std::string& name) const { return drive_->root() + name; }
    Lines MakeLines(const std::string& format, const Lines& imageLines = {}) const {
        return test::StandardMakeLines(workDir_, drive_->letter(), format, imageLines);
    }

    zr::test::TempFolder root_;
    const std::string dataDir_ = root_ / "data\\";
    const std::string workDir_ = test::RealPath(root_ / "") + "temp\\KpTemp\\";
    std::unique_ptr<test::DriveLink> drive_;
    std::unique_ptr<test::TemporaryFolderOverride> temp_;
    test::RecordingHost host_;
};

TEST_F(WineCommands, MakeStoresTheFilesTheMenuAndTheImagesOnTheDrive) {
    const std::string iso = root_ / "img\\Win PE.ISO";
    const std::string img = root_ / "img\\dos.img";
    zr::test::WriteFile(iso, "iso image");
    zr::test::WriteFile(img, "floppy image");
    bootitems::WriteIsoList(dataDir_ + "isolist", {{"启动盘", iso}, {"Floppy", img}});
    // Held from their check to the last run, the images cannot be swapped meanwhile.
    zr::test::WriteFile(root_ / "img\\other.iso", "another file");
    host_.onConfirm = [&] {
        EXPECT_FALSE(platform::MoveOver(root_ / "img\\other.iso", iso));
        EXPECT_FALSE(platform::RemoveFile(img));
    };
    MakeBootDisk(host_);

    EXPECT_EQ(Log(),
              MakeLines(test::kFormatHdd,
                        {"{W}fbinst.exe {L}: add \"boot/customISO_0.iso\" \"" + iso + "\"",
                         "{W}fbinst.exe {L}: add \"boot/customISO_1.img\" \"" + img + "\""}));
    EXPECT_EQ(ReadFile(OnDrive("grldr")), test::kGrldr);
    EXPECT_EQ(ReadFile(OnDrive("boot\\x\\y.bin")), test::kPayload);
    EXPECT_EQ(ReadFile(OnDrive("boot\\customISO_0.iso")), "iso image");
    EXPECT_EQ(ReadFile(OnDrive("boot\\customISO_1.img")), "floppy image");
    EXPECT_EQ(ReadFile(OnDrive("menu.lst")),
              test::kDefMenu +
                  "\r\ntitle 启动盘\r\nmap --mem (ud)/boot/customISO_0.iso (0xFF)\r\nmap --hook\r\n"
                  "chainloader (0xFF)\r\n"
                  "\r\ntitle Floppy\r\nmap --mem (ud)/boot/customISO_1.img (fd0)\r\nmap --hook\r\n"
                  "rootnoverify (fd0)\r\nchainloader +1\r\n");
    EXPECT_FALSE(IsFolder(workDir_));
    EXPECT_EQ(host_.events.back(), kMakeDone);
    EXPECT_FALSE(host_.busy);
    EXPECT_GT(host_.pumpsWhileBusy, 7);  // the extraction's and at least one per tool run
}

TEST_F(WineCommands, MakeForUsbZipFormatsWithTheZipSwitch) {
    host_.zip = true;
    MakeBootDisk(host_);
    EXPECT_EQ(Log(), MakeLines(test::kFormatZip));
    EXPECT_EQ(host_.events.back(), kMakeDone);
}

TEST_F(WineCommands, ToolFailureStopsTheMakeAtThatStep) {
    Scenario("exit 5 \"timeout 0\"\r\n");
    MakeBootDisk(host_);
    const Lines all = MakeLines(test::kFormatHdd);
    EXPECT_EQ(Log(), Lines(all.begin(), all.begin() + 3));
    EXPECT_EQ(host_.events.back(), "message 写入启动菜单失败！fbinst.exe返回错误码5！");
    EXPECT_FALSE(host_.busy);
    EXPECT_FALSE(IsFile(OnDrive("grldr")));
    EXPECT_TRUE(IsFile(workDir_ + "fbinst.exe"));
}

TEST_F(WineCommands, TemporaryFolderWithASpaceStillRunsTheRightToolWithWholeArguments) {
    platform::MakeFolders(root_ / "temp dir");
    test::TemporaryFolderOverride spaced(root_ / "temp dir");
    const std::string work = root_ / "temp dir\\KpTemp\\";
    MakeBootDisk(host_);
    const Lines log = Log();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[0], test::ToolLine(R"("{W}fbinst.exe" {L}:  format -f -a  -p 8m -e 10m)", work,
                                     drive_->letter()));
    EXPECT_EQ(ReadFile(OnDrive("boot\\x\\y.bin")), test::kPayload);
    EXPECT_EQ(host_.events.back(), kMakeDone);
}

TEST_F(WineCommands, RestoreRunsTheReformatAndRemovesTheWorkspace) {
    RestoreDisk(host_);
    EXPECT_EQ(Log(),
              Lines{test::ToolLine("{W}fbinst.exe {L}: format -f -r", workDir_, drive_->letter())});
    EXPECT_EQ(host_.events.back(), kRestoreDone);
    EXPECT_FALSE(IsFolder(workDir_));
    EXPECT_EQ(ReadFile(root_ / "tool\\console.log"), "own console, no window\r\n");
}

TEST_F(WineCommands, RestoreReportsTheToolsExitCode) {
    Scenario("exit 4 format -f -r\r\n");
    RestoreDisk(host_);
    EXPECT_EQ(host_.events.back(), "message 还原U盘空间失败！fbinst.exe返回错误码4！");
    EXPECT_FALSE(host_.busy);
}

TEST_F(WineCommands, RestoreWithoutToolInThePackageNeverRunsOneFromTheSearchPath) {
    test::WritePackage(dataDir_, {{"grldr", "g"}});
    zr::test::WriteFile(root_ / "cwd\\fbinst.exe", ReadFile(test::StandInTool()));
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(std::wstring(root_.path().begin(), root_.path().end()).c_str());
    ASSERT_TRUE(SetCurrentDirectoryW(L"cwd"));
    RestoreDisk(host_);
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(Log(), Lines{});
    EXPECT_EQ(host_.events.back(), "message 数据包中没有fbinst.exe！请重新安装！");
}

// ---- RunAndWait with a real process

TEST_F(WineCommands, RunAndWaitProcessesMessagesUntilTheToolEnds) {
    Scenario("wait go format\r\nexit 3 format\r\n");
    // The stand-in waits for its go file, which only the third message pass makes.
    host_.onPump = [&] {
        if (host_.pumps == 3) zr::test::WriteFile(root_ / "tool\\go", "");
    };
    const ToolOutcome outcome =
        RunAndWait(host_, test::StandInTool(), "fbinst.exe R: format -f -r");
    EXPECT_EQ(outcome.result, ToolOutcome::Result::Ended);
    EXPECT_EQ(outcome.exitCode, 3u);
    EXPECT_GE(host_.pumps, 4);
    EXPECT_EQ(Log(), Lines{"fbinst.exe R: format -f -r"});
}

TEST_F(WineCommands, RunAndWaitReportsAToolThatCannotStart) {
    const ToolOutcome outcome =
        RunAndWait(host_, root_ / "none\\fbinst.exe", "fbinst.exe R: format -f -r");
    EXPECT_EQ(outcome.result, ToolOutcome::Result::NotStarted);
    EXPECT_NE(outcome.errorCode, 0);
    EXPECT_EQ(host_.pumps, 0);
}

}  // namespace
}  // namespace zr::bootdisk

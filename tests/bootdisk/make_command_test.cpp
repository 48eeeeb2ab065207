#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "bootdisk/commands.h"
#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/sha256.h"
#ifndef _WIN32
#include "platform/posix/drive_map.h"
#endif
#include "recording_host.h"
#include "support/temp_folder.h"
#include "test_package.h"
#include "test_world.h"

namespace zr::bootdisk {
namespace {

using platform::IsFile;
using platform::IsFolder;
using Events = std::vector<std::string>;

const std::string kNoDisk = "message 没有发现U盘，请确认U盘是否已插入！";
const std::string kQuestion = "confirm 本操作将破坏U盘原有数据，且不可恢复...\r还要继续本操作吗？";
const std::string kDone = "message 恭喜你，制作完成！";
const std::string kListMissing = "message 列表文件丢失！请重新安装！";
const std::string kTooSmall = "message 磁盘空间不足，无法制作启动盘！";
// 启动盘 in code page 936 and in UTF-8.
const std::string kTitleAnsi = "\xC6\xF4\xB6\xAF\xC5\xCC";
const std::string kTitleUtf8 = "启动盘";

class MakeCommand : public ::testing::Test {
  protected:
    MakeCommand() {
        platform::MakeFolders(root_ / "temp");
        platform::MakeFolders(root_ / "usb");
        platform::MakeFolders(dataDir_);
        host_.dataDir = dataDir_;
        SelectDrive(drive_);
        test::WritePackage(dataDir_, entries_);
    }

    void SelectDrive(char letter) {
        host_.diskText =
            std::string(1, letter) + ": (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)";
    }
    void Repack() { test::WritePackage(dataDir_, entries_); }
    void IsoList(const std::string& bytes) { zr::test::WriteFile(dataDir_ + "isolist", bytes); }
    std::string Image(const std::string& name, int64_t length) {
        const std::string path = root_ / ("img\\" + name);
        platform::MakeFolders(root_ / "img");
        test::WriteSparseFile(path, length);
        return path;
    }
    void Make() { MakeBootDisk(host_, tools_); }

    // The event of a tool run, its line written out as test::ToolLine takes it.
    std::string Run(const std::string& pattern) const {
        return "run " + test::ToolLine(pattern, workDir_, drive_);
    }
    // Every event of a make that succeeds, format line first, images last.
    Events SuccessfulMake(const std::string& format, const Events& imageLines = {}) const {
        Events events{"busy on", "busy off", kQuestion, "busy on"};
        for (const auto& line : test::StandardMakeLines(workDir_, drive_, format, imageLines)) {
            events.push_back("run " + line);
        }
        events.insert(events.end(), {"busy off", kDone});
        return events;
    }
    Events Runs() const {
        Events runs;
        for (const auto& e : host_.events) {
            if (e.starts_with("run ")) runs.push_back(e);
        }
        return runs;
    }

    zr::test::TempFolder root_;
    test::TemporaryFolderOverride temp_{root_ / "temp"};
    const std::string workDir_ = test::RealPath(root_ / "") + "temp\\KpTemp\\";
    const std::string dataDir_ = root_ / "data\\";
    // The disk being made: a volume of its own, not the one the images are on.
    test::DriveLink usb_{test::HostPath(root_ / "usb")};
    const char drive_ = usb_.letter();
    std::vector<kppack::Entry> entries_ = test::StandardEntries();
    test::RecordingHost host_;
    test::RecordingTools tools_{host_};
};

// ---- the whole road

TEST_F(MakeCommand, RunsTheToolRowsInOrderWhileBusyThenRemovesTheWorkspace) {
    Make();
    EXPECT_EQ(host_.events, SuccessfulMake(test::kFormatHdd));
    EXPECT_FALSE(IsFolder(workDir_));
    for (const auto& application : tools_.applications)
        EXPECT_EQ(application, workDir_ + "fbinst.exe");
    EXPECT_EQ(tools_.toolBytes[0], "stand-in tool");
    // The line under the wait caption: each run, what it writes and how large it is (the
    // menu as generated).
    EXPECT_EQ(
        host_.progress,
        (Events{"第 1/7 步：格式化U盘", "第 2/7 步：写入启动菜单", "第 3/7 步：写入启动菜单",
                "第 4/7 步：写入启动菜单", "第 5/7 步：写入 grldr（3 KB）",
                "第 6/7 步：写入 menu.lst（" + std::to_string(test::kDefMenu.size()) + " 字节）",
                "第 7/7 步：写入 y.bin（5 KB）"}));
}

TEST_F(MakeCommand, UsbZipPutsTheZipSwitchIntoTheFormatLine) {
    host_.zip = true;
    Make();
    ASSERT_FALSE(Runs().empty());
    EXPECT_EQ(Runs()[0], Run(test::kFormatZip));
    EXPECT_EQ(host_.events.back(), kDone);
}

TEST_F(MakeCommand, ExtractionProcessesMessagesWhileBusy) {
    Make();
    EXPECT_GE(host_.pumpsWhileBusy, static_cast<int>(entries_.size()));
}

TEST_F(MakeCommand, CustomImagesAreSizedNumberedAndAddedAfterTheListedFiles) {
    const std::string iso = Image("PE.ISO", 1048576);
    const std::string bare = Image("noext", 10);
    const std::string img = Image("dos.IMG", 1474560);
    IsoList(kTitleAnsi + "|" + iso + "\r\n|" + bare + "\r\nSame|" + iso + "\r\nFloppy|" + img);
    Make();
    // 8018 + 2 * 1048576 + 10 + 1474560 bytes: 3 whole MiB.
    EXPECT_EQ(host_.events,
              SuccessfulMake("{W}fbinst.exe {L}:  format -f -a  -p 8m -e 13m",
                             {"{W}fbinst.exe {L}: add \"boot/customISO_0.iso\" \"" + iso + "\"",
                              "{W}fbinst.exe {L}: add \"boot/customISO_1\" \"" + bare + "\"",
                              "{W}fbinst.exe {L}: add \"boot/customISO_2.iso\" \"" + iso + "\"",
                              "{W}fbinst.exe {L}: add \"boot/customISO_3.img\" \"" + img + "\""}));
}

// Anything left in the workspace, by an earlier run or planted there, is gone before the
// package is extracted: only the package's own files reach the disk.
TEST_F(MakeCommand, WorkspaceLeftByAnEarlierRunIsClearedBeforeExtraction) {
    zr::test::WriteFile(workDir_ + "old\\stale.txt", "s");
    zr::test::WriteFile(workDir_ + "extra.bin", "planted");
    zr::test::WriteFile(workDir_ + "fbinst.exe", "planted tool");
    test::PutEntry(entries_, "filelist", "grldr\r\nextra.bin\r\n");
    Repack();
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", "message 文件:extra.bin 丢失！请重新安装！"}));
    EXPECT_FALSE(IsFolder(workDir_ + "old"));

    host_.events.clear();
    zr::test::WriteFile(workDir_ + "fbinst.exe", "planted tool");
    test::PutEntry(entries_, "filelist", "grldr\r\n");
    Repack();
    Make();
    ASSERT_FALSE(tools_.toolBytes.empty());
    EXPECT_EQ(tools_.toolBytes[0], "stand-in tool");
}

// The list names files of the workspace only; anything else would copy an arbitrary file of
// the machine onto the disk.
TEST_F(MakeCommand, ListedNameLeadingOutOfTheWorkspaceStopsLikeAMissingFile) {
    zr::test::WriteFile(root_ / "temp\\secret.txt", "s");
    for (const std::string& line :
         std::vector<std::string>{"..\\secret.txt", root_ / "temp\\secret.txt", "\\secret.txt"}) {
        host_.events.clear();
        test::PutEntry(entries_, "filelist", "grldr\r\n" + line + "\r\n");
        Repack();
        Make();
        EXPECT_EQ(host_.events,
                  (Events{"busy on", "busy off", "message 文件:" + line + " 丢失！请重新安装！"}))
            << line;
    }
    EXPECT_TRUE(Runs().empty());
}

TEST_F(MakeCommand, PackageWithoutTheToolStopsBeforeTheQuestion) {
    test::DropEntry(entries_, "fbinst.exe");
    Repack();
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", "message fbinst.exe解压失败！请重新安装！"}));
}

TEST_F(MakeCommand, ListedNamesAreReadInCodePage936) {
    test::PutEntry(entries_, "镜像.bin", "x");
    test::PutEntry(entries_, "filelist", "\xBE\xB5\xCF\xF1.bin\r\n");
    Repack();
    Make();
    // On a Windows whose own code page has no Chinese, the name cannot reach the tool, and the
    // message says which name that is.
    if (!platform::FitsAnsiCodePage("镜像")) {
        EXPECT_EQ(host_.events.back(),
                  "message 文件:镜像.bin 的路径含有本系统的代码页中没有的字符，"
                  "fbinst.exe无法读取！请把它放到只含中英文字符的路径下！");
        return;
    }
    ASSERT_FALSE(Runs().empty());
    EXPECT_EQ(Runs().back(), Run(R"({W}fbinst.exe {L}: add "镜像.bin" "{W}镜像.bin")"));
}

TEST_F(MakeCommand, TemporaryFolderWithASpaceGivesAQuotedToolPath) {
    platform::MakeFolders(root_ / "my temp");
    test::TemporaryFolderOverride spaced(root_ / "my temp");
    const std::string work = root_ / "my temp\\KpTemp\\";
    Make();
    ASSERT_EQ(Runs().size(), 7u);
    EXPECT_EQ(Runs()[0],
              "run " + test::ToolLine(R"("{W}fbinst.exe" {L}:  format -f -a  -p 8m -e 10m)", work,
                                      drive_));
    EXPECT_EQ(Runs()[4], "run " + test::ToolLine(R"("{W}fbinst.exe" {L}: add "grldr" "{W}grldr")",
                                                 work, drive_));
    EXPECT_EQ(tools_.applications[0], work + "fbinst.exe");
    EXPECT_EQ(host_.events.back(), kDone);
}

// ---- sizes and capacity

TEST_F(MakeCommand, ImagesOf4GiBAndMoreCountInFull) {
    IsoList("Big|" + Image("big.iso", 5LL << 30) + "\r\n");
    Make();
    ASSERT_FALSE(Runs().empty());
    EXPECT_EQ(Runs()[0], Run("{W}fbinst.exe {L}:  format -f -a  -p 8m -e 5130m"));
}

// An image is held from its check to the last run: another program may be reading it, but one
// that may change it stops the make, as the image could be another by the time it is copied.
TEST_F(MakeCommand, ImageHeldByAnotherProgramIsUsedOnlyWhenItCannotChange) {
    const std::string iso = Image("held.iso", 2 * 1048576);
    IsoList("Held|" + iso + "\r\n");
    {
        auto reader = platform::File::Open(iso, platform::File::Access::ReadDenyWrite);
        ASSERT_TRUE(reader.IsOpen());
        Make();
        ASSERT_FALSE(Runs().empty());
        EXPECT_EQ(Runs()[0], Run("{W}fbinst.exe {L}:  format -f -a  -p 8m -e 12m"));
        EXPECT_EQ(host_.events.back(), kDone);
    }
    auto writer = platform::File::Open(iso, platform::File::Access::ReadExclusive);
    ASSERT_TRUE(writer.IsOpen());
    host_.events.clear();
    Make();
    EXPECT_EQ(host_.events.back(), "message 文件:" + iso + " 无法读取！请检查配置！");
    EXPECT_EQ(Runs(), Events{});
}

TEST_F(MakeCommand, VolumeAsLargeAsTheRequiredSizePassesAndOneByteLessFails) {
    // The process file system has a total size of 0 bytes.
    test::DriveLink empty("/proc");
    if (!empty.letter()) GTEST_SKIP() << "no drive can stand for /proc here";
    SelectDrive(empty.letter());
    test::PutEntry(entries_, "filelist", "");
    Repack();
    host_.answerYes = false;
    Make();
    EXPECT_EQ(host_.events.back(), kQuestion);

    host_.events.clear();
    test::PutEntry(entries_, "filelist", "grldr\r\n");
    Repack();
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kTooSmall}));
}

TEST_F(MakeCommand, ImageLargerThanTheWholeVolumeIsTooMuch) {
    const auto space = platform::QueryVolumeSpace(std::string(1, drive_) + ":\\");
    ASSERT_TRUE(space);
    IsoList("Huge|" + Image("huge.iso", space->total + 1) + "\r\n");
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kTooSmall}));
    EXPECT_TRUE(IsFile(workDir_ + "grldr"));
}

// The disk is about to be formatted: what it holds now does not count against it.
TEST_F(MakeCommand, TheWholeVolumeCountsNotItsFreeSpace) {
    const auto space = platform::QueryVolumeSpace(std::string(1, drive_) + ":\\");
    ASSERT_TRUE(space);
    // Well past the free space, so that other programs freeing some meanwhile change nothing.
    const int64_t image = space->freeToCaller + (int64_t{100} << 20);
    if (image + (int64_t{1} << 20) > space->total) GTEST_SKIP() << "the volume is nearly empty";
    IsoList("Big|" + Image("big.iso", image) + "\r\n");
    host_.answerYes = false;
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kQuestion}));
}

// ---- early stops

TEST_F(MakeCommand, NoDiskSelectedShowsOnlyItsMessage) {
    host_.diskText = "请插入U盘！";
    Make();
    EXPECT_EQ(host_.events, Events{kNoDisk});
    EXPECT_FALSE(IsFolder(workDir_));
}

TEST_F(MakeCommand, SelectionWithoutADriveLetterCountsAsNoDisk) {
    host_.diskText = "";
    Make();
    EXPECT_EQ(host_.events, Events{kNoDisk});
}

TEST_F(MakeCommand, MissingFileListEndsTheProgram) {
    test::DropEntry(entries_, "filelist");
    Repack();
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kListMissing, "terminate"}));
    EXPECT_TRUE(IsFile(workDir_ + "grldr"));
}

TEST_F(MakeCommand, MissingPackageShowsAsAMissingFileList) {
    platform::RemoveFile(dataDir_ + "Data.Kp");
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kListMissing, "terminate"}));
}

TEST_F(MakeCommand, FirstMissingListedFileStopsTheCommand) {
    test::PutEntry(entries_, "filelist", "grldr\r\nnothere.bin\r\nalso.missing\r\n");
    Repack();
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", "message 文件:nothere.bin 丢失！请重新安装！"}));
    EXPECT_TRUE(IsFile(workDir_ + "grldr"));
}

TEST_F(MakeCommand, BlankLineOrFolderInTheFileListIsMissing) {
    test::PutEntry(entries_, "filelist", "grldr\r\n\r\n");
    Repack();
    Make();
    EXPECT_EQ(host_.events.back(), "message 文件: 丢失！请重新安装！");

    host_.events.clear();
    test::PutEntry(entries_, "filelist", "boot\\x\r\n");
    Repack();
    Make();
    EXPECT_EQ(host_.events.back(), "message 文件:boot\\x 丢失！请重新安装！");
}

TEST_F(MakeCommand, MissingImageStopsTheCommand) {
    const std::string missing = root_ / "img\\nothere.iso";
    IsoList("A|" + Image("a.iso", 10) + "\r\nB|" + missing + "\r\nC|" + root_ / "img\\c.iso");
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", "message 文件:" + missing + " 不存在！请检查配置！"}));
}

TEST_F(MakeCommand, BlankIsoListLineOrFolderIsAMissingImage) {
    IsoList("\r\n");
    Make();
    EXPECT_EQ(host_.events.back(), "message 文件: 不存在！请检查配置！");

    host_.events.clear();
    IsoList("Folder|" + root_ / "temp" + "\r\n");
    Make();
    EXPECT_EQ(host_.events.back(), "message 文件:" + root_ / "temp" + " 不存在！请检查配置！");
}

TEST_F(MakeCommand, AnsweringNoLeavesTheWorkspaceWithTheNewMenu) {
    const std::string iso = Image("PE.iso", 10);
    IsoList(iso + "\r\n" + kTitleAnsi + "|" + iso + "\r\n");
    host_.answerYes = false;
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kQuestion}));
    EXPECT_FALSE(host_.busy);
    EXPECT_TRUE(IsFile(workDir_ + "grldr"));
    EXPECT_EQ(zr::test::ReadFile(workDir_ + "menu.lst"),
              test::kDefMenu +
                  "\r\ntitle \r\nmap --mem (ud)/boot/customISO_0.iso (0xFF)\r\n"
                  "map --hook\r\nchainloader (0xFF)\r\n" +
                  "\r\ntitle " + kTitleUtf8 +
                  "\r\nmap --mem (ud)/boot/customISO_1.iso (0xFF)\r\nmap --hook\r\n"
                  "chainloader (0xFF)\r\n");
}

TEST_F(MakeCommand, ErrorInsideTheExtractionEndsTheBusyStateAndPassesOut) {
    auto holder = platform::File::Open(dataDir_ + "Data.Kp", platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_THROW(Make(), Error);
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off"}));
}

TEST_F(MakeCommand, UnreadableIsoListPassesOutBeforeTheQuestion) {
    IsoList("A|B\r\n");
    auto holder = platform::File::Open(dataDir_ + "isolist", platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_THROW(Make(), Error);
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off"}));
}

// ---- the tool's outcome

TEST_F(MakeCommand, ToolExitingWithAnErrorStopsTheRunAndSaysWhichStep) {
    tools_.outcome = [](const std::string& line) {
        return ToolOutcome{ToolOutcome::Result::Ended, line.ends_with("\"timeout 0\"") ? 5u : 0u,
                           0};
    };
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", kQuestion, "busy on", Run(test::kFormatHdd),
                      Run(R"({W}fbinst.exe {L}: add-menu -s "fb.cfg" "default 0")"),
                      Run(R"({W}fbinst.exe {L}: add-menu -s "fb.cfg" "timeout 0")"), "busy off",
                      "message 写入启动菜单失败！fbinst.exe返回错误码5！"}));
    EXPECT_TRUE(IsFile(workDir_ + "menu.lst"));
}

TEST_F(MakeCommand, ToolThatCannotStartStopsAtTheFormat) {
    tools_.outcome = [](const std::string&) {
        return ToolOutcome{ToolOutcome::Result::NotStarted, 0, 2};
    };
    Make();
    EXPECT_EQ(host_.events,
              (Events{"busy on", "busy off", kQuestion, "busy on", Run(test::kFormatHdd),
                      "busy off", "message 格式化U盘失败！无法启动fbinst.exe，错误码2！"}));
}

TEST_F(MakeCommand, ToolWhoseEndIsUnknownStopsTheRun) {
    tools_.outcome = [](const std::string&) {
        return ToolOutcome{ToolOutcome::Result::Lost, 0, 0};
    };
    Make();
    EXPECT_EQ(host_.events.back(), "message 格式化U盘失败！无法得知fbinst.exe是否完成！");
    EXPECT_FALSE(host_.busy);
}

TEST_F(MakeCommand, FailedAddNamesTheFileOrTheImage) {
    tools_.outcome = [](const std::string& line) {
        return ToolOutcome{ToolOutcome::Result::Ended,
                           line.find("boot/x/y.bin") != std::string::npos ? 1u : 0u, 0};
    };
    Make();
    EXPECT_EQ(host_.events.back(), "message 写入文件:boot\\x\\y.bin 失败！fbinst.exe返回错误码1！");

    host_.events.clear();
    const std::string iso = Image("a.iso", 10);
    IsoList("A|" + iso + "\r\n");
    tools_.outcome = [](const std::string& line) {
        return ToolOutcome{ToolOutcome::Result::Ended,
                           line.find("customISO_0") != std::string::npos ? 7u : 0u, 0};
    };
    Make();
    EXPECT_EQ(host_.events.back(), "message 写入镜像:" + iso + " 失败！fbinst.exe返回错误码7！");
    EXPECT_FALSE(host_.busy);
}

// ---- never the wrong disk

TEST_F(MakeCommand, AnotherDiskBehindTheLetterAtTheFirstRunStopsBeforeAnyRun) {
    disk::TUsbDiskInfo other = *host_.SelectedDisk();
    other.DeviceId = "USBSTOR\\DISK&VEN_WD&PROD_PASSPORT&REV_1.01\\5758&0";
    disk::TUsbDiskInfo moved = *host_.SelectedDisk();  // the format would go to the old letter
    moved.Drive = "A:";
    for (const auto& now : std::vector<std::vector<disk::TUsbDiskInfo>>{{other}, {moved}, {}}) {
        host_.events.clear();
        host_.currentDisks = now;
        Make();
        EXPECT_EQ(host_.events, (Events{"busy on", "busy off", kQuestion, "busy on", "busy off",
                                        "message U盘已更换或已拔出，请重新选择U盘！"}));
    }
    EXPECT_TRUE(tools_.commandLines.empty());
}

// The format would destroy an image on any partition of the disk being made before it is
// copied: the image's disk is compared, not its letter, and an image whose disk nobody can tell
// is not taken either.
TEST_F(MakeCommand, ImageOnTheDiskBeingMadeStopsBeforeTheQuestion) {
    test::DriveLink sibling(test::HostPath(root_ / "img"));
    platform::MakeFolders(root_ / "img");
    const std::string onStick = std::string(1, drive_) + ":\\PE.iso";
    const std::string onSibling = std::string(1, sibling.letter()) + ":\\PE.iso";
    zr::test::WriteFile(onStick, "iso");
    zr::test::WriteFile(onSibling, "iso");
    const auto disks = host_.DriveDisks();
    const std::string siblingDrive = std::string(1, sibling.letter()) + ":";
    const struct {
        std::string image;
        std::optional<std::string> siblingDisk;  // what WMI says of the sibling's letter
        std::string why;
    } cases[] = {
        {onStick, "0", " 位于要制作的U盘上，请先复制到其他磁盘！"},
        {onSibling, "1", " 位于要制作的U盘上，请先复制到其他磁盘！"},
        {onSibling, std::nullopt, " 无法确定是否位于要制作的U盘上，请先复制到本机硬盘！"},
    };
    for (const auto& c : cases) {
        auto known = disks;
        if (c.siblingDisk) {
            known[siblingDrive] = *c.siblingDisk;
        } else {
            known.erase(siblingDrive);
        }
        host_.driveDisks = known;
        IsoList("PE|" + c.image + "\r\n");
        host_.events.clear();
        Make();
        EXPECT_EQ(host_.events, (Events{"busy on", "busy off", "message 文件:" + c.image + c.why}));
    }
    EXPECT_TRUE(Runs().empty());
}

// External hard disks are listed too: one that WMI calls fixed media, or that is larger than
// any stick, gets a second question naming it, for make and restore alike; its No stops both.
TEST_F(MakeCommand, ADiskThatLooksLikeAHardDiskGetsASecondQuestion) {
    const std::string named = "confirm 所选磁盘是 ABC FLASH_DISK（";
    const std::string warning =
        "），看起来是移动硬盘，上面的全部数据都将被清除！确定要在它上面制作吗？";
    const struct {
        std::string mediaType;
        std::optional<int64_t> size;
        std::string second;  // the second question, or none
    } cases[] = {
        {"Fixed hard disk media", int64_t{1} << 40, named + "1024.00GB" + warning},
        {"External hard disk media", std::nullopt, named + "容量未知" + warning},
        {"Removable Media", (int64_t{256} << 30) + 1, named + "256.00GB" + warning},
        {"Removable Media", int64_t{256} << 30, ""},
        {"", std::nullopt, ""},
    };
    auto stick = *host_.SelectedDisk();
    stick.Vendor = "ABC";
    stick.Product = "FLASH_DISK";
    const std::function<void()> commands[] = {[&] { Make(); }, [&] { RestoreDisk(host_, tools_); }};
    for (const auto& c : cases) {
        host_.chosenDisk = stick;
        host_.chosenDisk->MediaType = c.mediaType;
        host_.chosenDisk->DiskSize = c.size;
        for (const auto& command : commands) {
            int asked = 0;
            host_.onConfirm = [&] { host_.answerYes = ++asked == 1; };  // Yes to the first only
            host_.events.clear();
            tools_.commandLines.clear();
            command();
            Events questions;
            std::copy_if(host_.events.begin(), host_.events.end(), std::back_inserter(questions),
                         [](const std::string& e) { return e.starts_with("confirm "); });
            ASSERT_EQ(questions.size(), c.second.empty() ? 1u : 2u) << c.mediaType;
            if (c.second.empty()) {
                EXPECT_FALSE(tools_.commandLines.empty());
            } else {
                EXPECT_EQ(questions[1], c.second);
                EXPECT_TRUE(tools_.commandLines.empty());
            }
        }
    }
}

// ---- what the user's other programs may change

// A release carries the digest of its package: with another package nothing is extracted and
// nothing runs; a development build (no digest) takes the package it finds.
TEST_F(MakeCommand, APackageOtherThanThePinnedOneRunsNothing) {
    const std::string changed =
        "message 文件:" + dataDir_ + "Data.Kp 已被改动，与本程序不符！请重新下载本程序！";
    auto package = platform::File::Open(dataDir_ + "Data.Kp", platform::File::Access::ReadShared);
    const std::string digest = platform::Sha256Hex(package);
    package.Close();
    host_.pin = std::string(64, '0').replace(0, 1, "1");
    Make();
    EXPECT_EQ(host_.events, (Events{"busy on", "busy off", changed}));
    RestoreDisk(host_, tools_);
    EXPECT_EQ(host_.events.back(), changed);
    EXPECT_TRUE(Runs().empty());
    EXPECT_FALSE(IsFolder(workDir_));

    host_.pin = digest;
    host_.events.clear();
    Make();
    EXPECT_EQ(host_.events.back(), kDone);
}

// The user's temporary folder may be reached through a link that another program re-points
// while the question waits: the tool still starts from the workspace that was made, and the
// removal at the end reaches that one, never the folder the link leads to now.
TEST_F(MakeCommand, ATemporaryFolderLinkRepointedDuringTheQuestionLeadsNothingElsewhere) {
    zr::test::WriteFile(root_ / "decoy\\KpTemp\\keep.txt", "kept");
    if (!test::MakeFolderLink(root_ / "templink", root_ / "temp")) GTEST_SKIP() << "no links here";
    test::TemporaryFolderOverride viaLink(root_ / "templink\\");
    host_.onConfirm = [&] {
        ASSERT_TRUE(test::RepointFolderLink(root_ / "templink", root_ / "decoy"));
    };
    Make();
    EXPECT_EQ(host_.events.back(), kDone);
    ASSERT_FALSE(tools_.applications.empty());
    EXPECT_EQ(tools_.applications.front(), workDir_ + "fbinst.exe");
    EXPECT_EQ(tools_.toolBytes.front(), "stand-in tool");
    EXPECT_EQ(zr::test::ReadFile(root_ / "decoy\\KpTemp\\keep.txt"), "kept");
    EXPECT_FALSE(IsFolder(workDir_));
}

// Formatting the disk that holds Windows, this program or the temporary folder would destroy
// what the command runs on: both commands refuse it before their question, and refuse a disk
// of which that cannot be told.
TEST_F(MakeCommand, TheDiskOfWindowsTheProgramOrTheTemporaryFolderIsRefused) {
    const std::string chosen = host_.SelectedDisk()->DiskNumber;
    const std::string onIt =
        "message 所选U盘上有Windows系统、本程序或临时文件夹，不能在它上面制作！请选择其他U盘！";
    const std::string unknown =
        "message "
        "无法确定所选U盘上是否有Windows系统、本程序或临时文件夹，不能在它上面制作！请选择其他U盘！";
    const auto disks = host_.DriveDisks();
    for (const std::string& folder :
         {platform::WindowsFolder(), platform::ProgramFolder(), platform::TempFolder()}) {
        const std::string drive = platform::AsciiUpper(folder.substr(0, 2));
        for (const auto& [known, message] : {std::pair{std::optional(chosen), onIt},
                                             std::pair{std::optional<std::string>(), unknown}}) {
            auto map = disks;
            if (known) {
                map[drive] = *known;
            } else {
                map.erase(drive);
            }
            host_.driveDisks = map;
            host_.events.clear();
            Make();
            RestoreDisk(host_, tools_);
            EXPECT_EQ(host_.events, (Events{message, message})) << folder;
        }
    }
    EXPECT_TRUE(Runs().empty());
}

#ifndef _WIN32
// On an English Windows the tool gets its command line in code page 1252, which has no
// Chinese: a Chinese path goes as its short form, and without one that fits the make stops.
// A name on the disk (a listed name, an image's extension) has no other form: it stops.
TEST_F(MakeCommand, PathTheToolCannotReadGoesAsItsShortFormOrStopsTheMake) {
    platform::posix::SetAnsiCodePage(1252);
    const auto stopsNaming = [&](const std::string& name) {
        host_.events.clear();
        Make();
        EXPECT_EQ(host_.events.back(), "message 文件:" + name +
                                           " 的路径含有本系统的代码页中没有的字符，fbinst.exe无法"
                                           "读取！请把它放到只含中英文字符的路径下！");
        EXPECT_TRUE(Runs().empty()) << name;
    };
    const std::string iso = Image("启动盘.iso", 10);
    IsoList("PE|" + *platform::Utf8ToCp936(iso) + "\r\n");
    stopsNaming(iso);
    platform::posix::SetShortPath(iso, root_ / "img\\启动~1.ISO");
    stopsNaming(iso);

    platform::posix::SetShortPath(iso, root_ / "img\\5F2F~1.ISO");
    host_.events.clear();
    Make();
    EXPECT_EQ(Runs().back(), Run("{W}fbinst.exe {L}: add \"boot/customISO_0.iso\" \"" +
                                 (root_ / "img\\5F2F~1.ISO") + "\""));
    EXPECT_EQ(host_.events.back(), kDone);

    const std::string odd = Image("PE.镜像", 10);
    platform::posix::SetShortPath(odd, root_ / "img\\PE~1.ISO");
    IsoList("PE|" + *platform::Utf8ToCp936(odd) + "\r\n");
    stopsNaming(odd);
    test::PutEntry(entries_, "filelist", "\xBE\xB5\xCF\xF1.bin\r\n");  // 镜像.bin
    test::PutEntry(entries_, "镜像.bin", "x");
    Repack();
    platform::posix::SetShortPath(workDir_ + "镜像.bin", workDir_ + "5F2F~1.BIN");
    stopsNaming("镜像.bin");
    platform::MakeFolders(root_ / "临时");
    test::TemporaryFolderOverride chineseTemp(root_ / "临时");  // the tool's own path
    stopsNaming(root_ / "临时\\KpTemp\\fbinst.exe");
    for (const auto& path : {iso, odd, workDir_ + "镜像.bin"})
        platform::posix::SetShortPath(path, "");
    platform::posix::SetAnsiCodePage(936);
}
#endif

}  // namespace
}  // namespace zr::bootdisk

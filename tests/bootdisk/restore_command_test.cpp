#include <gtest/gtest.h>

#include "bootdisk/commands.h"
#include "platform/error.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "platform/posix/drive_map.h"
#endif
#include "recording_host.h"
#include "support/temp_folder.h"
#include "test_package.h"
#include "test_world.h"

namespace zr::bootdisk {
namespace {

using platform::IsFolder;
using Events = std::vector<std::string>;

const std::string kNoDisk = "message 没有发现U盘，请确认U盘是否已插入！";
const std::string kQuestion =
    "confirm 本操作将破坏U盘原有数据，清除引导信息，且不可恢复...\r还要继续本操作吗？";
const std::string kDone = "message  U盘空间已还原！";
const std::string kNoTool = "message 数据包中没有fbinst.exe！请重新安装！";

class RestoreCommand : public ::testing::Test {
  protected:
    RestoreCommand() {
        platform::MakeFolders(root_ / "temp");
        platform::MakeFolders(dataDir_);
        host_.dataDir = dataDir_;
        host_.diskText =
            std::string(1, drive_) + ": (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)";
    }

    void Package(const std::vector<kppack::Entry>& entries) {
        test::WritePackage(dataDir_, entries);
    }
    void Restore() { RestoreDisk(host_, tools_); }
    std::string Row7() const {
        return "run " + workDir_ + "fbinst.exe " + drive_ + ": format -f -r";
    }

    zr::test::TempFolder root_;
    test::TemporaryFolderOverride temp_{root_ / "temp"};
    const std::string workDir_ = test::RealPath(root_ / "") + "temp\\KpTemp\\";
    const std::string dataDir_ = root_ / "data\\";
    // A letter of its own: the disk being given back is not the one the program runs from.
    const char drive_ = 'R';
    test::RecordingHost host_;
    test::RecordingTools tools_{host_};
};

TEST_F(RestoreCommand, ExtractsTheToolRunsTheReformatAndRemovesTheWorkspace) {
    Package(test::StandardEntries("the tool"));
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", Row7(), "busy off", kDone}));
    EXPECT_EQ(tools_.applications, Events{workDir_ + "fbinst.exe"});
    EXPECT_EQ(tools_.toolBytes, Events{"the tool"});
    EXPECT_FALSE(IsFolder(workDir_));
}

TEST_F(RestoreCommand, ToolIsFoundWhateverTheCaseOfItsName) {
    Package({{"grldr", "g"}, {"FBINST.EXE", "upper"}});
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", Row7(), "busy off", kDone}));
    EXPECT_EQ(tools_.toolBytes, Events{"upper"});
}

TEST_F(RestoreCommand, FirstOfTwoToolEntriesIsUsed) {
    Package({{"fbinst.exe", "first"}, {"FbInst.exe", "second"}});
    Restore();
    EXPECT_EQ(tools_.toolBytes, Events{"first"});
}

TEST_F(RestoreCommand, NoDiskSelectedShowsOnlyItsMessage) {
    host_.diskText = "请插入U盘！";
    Restore();
    EXPECT_EQ(host_.events, Events{kNoDisk});
}

TEST_F(RestoreCommand, AnsweringNoTouchesNothing) {
    Package(test::StandardEntries());
    // A package that cannot even be opened shows that it is never read.
    auto holder = platform::File::Open(dataDir_ + "Data.Kp", platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    host_.answerYes = false;
    Restore();
    EXPECT_EQ(host_.events, Events{kQuestion});
    EXPECT_FALSE(IsFolder(workDir_));
}

TEST_F(RestoreCommand, WithoutAPackageNothingRuns) {
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", "busy off", kNoTool}));
    EXPECT_FALSE(IsFolder(workDir_));
}

TEST_F(RestoreCommand, PackageWithoutTheToolRunsNothing) {
    Package({{"grldr", "g"}, {"sub\\fbinst.exe", "not at the top"}, {"fbinst.exe.bak", "b"}});
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", "busy off", kNoTool}));
    EXPECT_FALSE(IsFolder(workDir_));
}

TEST_F(RestoreCommand, ToolThatDoesNotExtractWhollyRunsNothing) {
    std::string archive = kppack::BuildArchive({{"fbinst.exe", "truncated tool"}});
    // Claim one byte more than the entry's data holds: the extraction comes out short.
    archive[23 + 256] = static_cast<char>(archive[23 + 256] + 1);
    zr::test::WriteFile(dataDir_ + "Data.Kp", archive);
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", "busy off",
                                    "message fbinst.exe解压失败！请重新安装！"}));
}

TEST_F(RestoreCommand, ToolExitingWithAnErrorIsReported) {
    Package(test::StandardEntries());
    tools_.outcome = [](const std::string&) {
        return ToolOutcome{ToolOutcome::Result::Ended, 3, 0};
    };
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", Row7(), "busy off",
                                    "message 还原U盘空间失败！fbinst.exe返回错误码3！"}));
}

TEST_F(RestoreCommand, ToolThatCannotStartIsReported) {
    Package(test::StandardEntries());
    tools_.outcome = [](const std::string&) {
        return ToolOutcome{ToolOutcome::Result::NotStarted, 0, 193};
    };
    Restore();
    EXPECT_EQ(host_.events.back(), "message 还原U盘空间失败！无法启动fbinst.exe，错误码193！");
}

TEST_F(RestoreCommand, PackageThatCannotBeOpenedEndsTheBusyStateAndPassesOut) {
    Package(test::StandardEntries());
    auto holder = platform::File::Open(dataDir_ + "Data.Kp", platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_THROW(Restore(), Error);
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", "busy off"}));
}

TEST_F(RestoreCommand, AnotherDiskBehindTheLetterAtTheRunStopsIt) {
    Package(test::StandardEntries("the tool"));
    disk::TUsbDiskInfo other = *host_.SelectedDisk();
    other.DiskNumber = "2";
    host_.currentDisks = std::vector<disk::TUsbDiskInfo>{other};
    Restore();
    EXPECT_EQ(host_.events, (Events{kQuestion, "busy on", "busy off",
                                    "message U盘已更换或已拔出，请重新选择U盘！"}));
    EXPECT_TRUE(tools_.commandLines.empty());
}

#ifndef _WIN32
// On an English Windows (code page 1252) a tool in a Chinese temporary folder has no path the
// tool can read, when the volume keeps no short names: nothing runs.
TEST_F(RestoreCommand, AToolPathTheToolCannotReadStopsBeforeItRuns) {
    platform::MakeFolders(root_ / "临时");
    test::TemporaryFolderOverride chineseTemp(root_ / "临时");
    Package(test::StandardEntries("the tool"));
    platform::posix::SetAnsiCodePage(1252);
    Restore();
    platform::posix::SetAnsiCodePage(936);
    EXPECT_EQ(host_.events.back(),
              "message 文件:" + test::RealPath(root_ / "") +
                  "临时\\KpTemp\\fbinst.exe 的路径含有本系统的代码页中没有的字符，"
                  "fbinst.exe无法读取！请把它放到只含中英文字符的路径下！");
    EXPECT_TRUE(tools_.commandLines.empty());
}
#endif

}  // namespace
}  // namespace zr::bootdisk

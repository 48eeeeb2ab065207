#include "bootdisk/commands.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "bootdisk/boot_menu.h"
#include "bootdisk/fbinst_commands.h"
#include "bootdisk/workspace.h"
#include "bootitems/isolist.h"
#include "bootitems/line_list.h"
#include "disk/disk_list.h"
#include "platform/ascii.h"
#include "platform/platform.h"

namespace zr::bootdisk {
namespace {

using bootitems::TISOFileInfoArr;

constexpr const char* kPackageName = "Data.Kp";
constexpr const char* kFileListName = "filelist";

constexpr const char* kNoDisk = "没有发现U盘，请确认U盘是否已插入！";
constexpr const char* kFileListMissing = "列表文件丢失！请重新安装！";
constexpr const char* kDiskTooSmall = "磁盘空间不足，无法制作启动盘！";
constexpr const char* kMakeQuestion = "本操作将破坏U盘原有数据，且不可恢复...\r还要继续本操作吗？";
constexpr const char* kMakeDone = "恭喜你，制作完成！";
constexpr const char* kRestoreQuestion =
    "本操作将破坏U盘原有数据，清除引导信息，且不可恢复...\r还要继续本操作吗？";
constexpr const char* kRestoreDone = " U盘空间已还原！";
constexpr const char* kToolNotInPackage = "数据包中没有fbinst.exe！请重新安装！";
constexpr const char* kToolNotExtracted = "fbinst.exe解压失败！请重新安装！";

std::string ListedFileMissing(const std::string& name) {
    return "文件:" + name + " 丢失！请重新安装！";
}

std::string ImageMissing(const std::string& path) {
    return "文件:" + path + " 不存在！请检查配置！";
}

// One run of the tool, with the name of the step it does for the user.
struct ToolStep {
    std::string name;
    std::string commandLine;
};

constexpr const char* kStepFormat = "格式化U盘";
constexpr const char* kStepMenu = "写入启动菜单";
constexpr const char* kStepRestore = "还原U盘空间";

std::string StepAddFile(const std::string& name) {
    return "写入文件:" + name + " ";
}
std::string StepAddImage(const std::string& path) {
    return "写入镜像:" + path + " ";
}

std::string ToolFailure(const std::string& step, const ToolOutcome& outcome) {
    switch (outcome.result) {
        case ToolOutcome::Result::NotStarted:
            return step + "失败！无法启动fbinst.exe，错误码" + std::to_string(outcome.errorCode) +
                   "！";
        case ToolOutcome::Result::Lost:
            return step + "失败！无法得知fbinst.exe是否完成！";
        case ToolOutcome::Result::Ended:
            break;
    }
    return step + "失败！fbinst.exe返回错误码" + std::to_string(outcome.exitCode) + "！";
}

// Runs the steps one after another; the first that does not succeed ends the run, and its
// message is the result.
std::optional<std::string> RunSteps(ToolRunner& tools, const std::string& application,
                                    const std::vector<ToolStep>& steps) {
    for (const auto& step : steps) {
        const ToolOutcome outcome = tools.Run(application, step.commandLine);
        if (!outcome.Succeeded()) return ToolFailure(step.name, outcome);
    }
    return std::nullopt;
}

// The main window is busy for the life of this object, and idle again however it ends.
class BusyStretch {
  public:
    explicit BusyStretch(Host& host) : host_(host) { host_.SetBusy(true); }
    ~BusyStretch() { host_.SetBusy(false); }
    BusyStretch(const BusyStretch&) = delete;
    BusyStretch& operator=(const BusyStretch&) = delete;

  private:
    Host& host_;
};

// The drive letter that the selected disk-list entry begins with; none while the list shows
// its placeholder, or anything else that does not begin with a letter.
std::optional<char> SelectedDrive(Host& host) {
    const std::string text = host.SelectedDiskText();
    if (text == disk::kNoDiskEntry || text.empty()) return std::nullopt;
    if (!platform::IsAsciiLetter(text[0])) return std::nullopt;
    return text[0];
}

// The result code is not looked at: what arrived is checked file by file afterwards.
void ExtractPackage(Host& host, const std::string& workDir) {
    BusyStretch busy(host);
    VEDUderivu package;  // released before the window leaves its busy state
    package.OnProgress = PackageProgress(host);
    package.ExtractAll(host.DataDir() + kPackageName, workDir);
}

// The package's file list, one name a line, relative to the workspace.
std::vector<std::string> ReadFileList(const std::string& workDir) {
    std::vector<std::string> names = bootitems::LoadLines(workDir + kFileListName);
    for (auto& name : names) name = platform::AnsiToUtf8(name);
    return names;
}

// The volume's whole size, not its free space: the disk is about to be formatted.
int64_t VolumeTotal(char drive) {
    const auto space = platform::QueryVolumeSpace(std::string(1, drive) + ":\\");
    return space ? space->total : 0;
}

std::vector<ToolStep> MakeSteps(const FbinstCommands& fbinst, bool zip, int64_t required,
                                const std::vector<std::string>& listed,
                                const TISOFileInfoArr& items) {
    std::vector<ToolStep> steps{{kStepFormat, fbinst.Format(zip, SizeValue(required))},
                                {kStepMenu, fbinst.MenuDefault()},
                                {kStepMenu, fbinst.MenuTimeout()},
                                {kStepMenu, fbinst.MenuGrldr()}};
    for (const auto& name : listed)
        steps.push_back({StepAddFile(name), fbinst.AddListedFile(name)});
    for (size_t n = 0; n < items.size(); ++n) {
        const std::string& image = items[n].ImagePath;
        steps.push_back({StepAddImage(image), fbinst.AddCustomImage(n, image)});
    }
    return steps;
}

// Takes the first entry named fbinst.exe (in any case) out of the package into a fresh
// workspace, and holds it there. Without it nothing may run: a bare "fbinst.exe" would be
// whatever the search path finds.
std::optional<std::string> TakeToolFromPackage(const std::string& package, Workspace& workspace) {
    VEDUderivu reader;
    TPackedFileInfoArr entries;
    TPackageHeader header;
    reader.ReadIndex(package, entries, header);  // entries past a bad record stay unnamed
    const auto tool = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
        return platform::EqualsIgnoringAsciiCase(entry.FileName, kToolName);
    });
    if (tool == entries.end()) return kToolNotInPackage;
    if (auto failure = workspace.Make()) return failure;
    if (reader.ExtractFile(package, workspace.Path(), *tool) != tool->UnpackedSize ||
        !platform::IsFile(workspace.Path() + kToolName) || !workspace.Hold(kToolName)) {
        return kToolNotExtracted;
    }
    return std::nullopt;
}

std::optional<std::string> ReformatWithTool(const std::string& package, char drive,
                                            ToolRunner& tools) {
    Workspace workspace;
    if (auto failure = TakeToolFromPackage(package, workspace)) return failure;
    const FbinstCommands fbinst(workspace.Path(), drive);
    if (auto failure = RunSteps(tools, fbinst.Application(), {{kStepRestore, fbinst.Restore()}})) {
        return failure;
    }
    workspace.Remove();
    return std::nullopt;
}

}  // namespace

TPackageProgressEvent PackageProgress(Host& host) {
    return [&host](const std::string&, int32_t, int32_t, int32_t, const TPackageHeader*, bool&) {
        host.ProcessMessages();
    };
}

void MakeBootDisk(Host& host) {
    ProcessToolRunner tools(host);
    MakeBootDisk(host, tools);
}

void MakeBootDisk(Host& host, ToolRunner& tools) {
    const std::optional<char> drive = SelectedDrive(host);
    if (!drive) {
        host.ShowMessage(kNoDisk);
        return;
    }
    Workspace workspace;
    if (auto failure = workspace.Make()) {
        host.ShowMessage(*failure);
        return;
    }
    const std::string& workDir = workspace.Path();
    ExtractPackage(host, workDir);
    const bool toolHeld = workspace.Hold(kToolName);

    if (!platform::IsFile(workDir + kFileListName)) {
        host.ShowMessage(kFileListMissing);
        host.Terminate();
        return;
    }
    // Lengths come from the file system's records: a file that another program holds open is
    // sized all the same, and images of 4 GiB and more count in full.
    int64_t required = 0;
    const std::vector<std::string> listed = ReadFileList(workDir);
    for (const auto& name : listed) {
        // A name leading out of the workspace counts as missing: the tool would otherwise copy
        // whatever file of the machine the list names onto the disk.
        const auto length =
            IsSafeEntryName(name) ? platform::FileLength(workDir + name) : std::nullopt;
        if (!length) {
            host.ShowMessage(ListedFileMissing(name));
            return;
        }
        required += *length;
    }
    if (!toolHeld) {
        host.ShowMessage(kToolNotExtracted);
        return;
    }
    const TISOFileInfoArr items = bootitems::ReadIsoList(host.DataDir() + bootitems::kIsoListName);
    for (const auto& item : items) {
        const auto length = platform::FileLength(item.ImagePath);
        if (!length) {
            host.ShowMessage(ImageMissing(item.ImagePath));
            return;
        }
        required += *length;
    }
    if (VolumeTotal(*drive) < required) {
        host.ShowMessage(kDiskTooSmall);
        return;
    }
    GenerateMenu(workDir, items);
    if (!host.ConfirmWarning(kMakeQuestion)) return;

    const FbinstCommands fbinst(workDir, *drive);
    std::optional<std::string> failure;
    {
        BusyStretch busy(host);
        failure = RunSteps(tools, fbinst.Application(),
                           MakeSteps(fbinst, host.UsbZipChecked(), required, listed, items));
        if (!failure) workspace.Remove();  // a failed run leaves it, like every early stop
    }
    host.ShowMessage(failure.value_or(kMakeDone));
}

void RestoreDisk(Host& host) {
    ProcessToolRunner tools(host);
    RestoreDisk(host, tools);
}

void RestoreDisk(Host& host, ToolRunner& tools) {
    const std::optional<char> drive = SelectedDrive(host);
    if (!drive) {
        host.ShowMessage(kNoDisk);
        return;
    }
    if (!host.ConfirmWarning(kRestoreQuestion)) return;
    std::optional<std::string> failure;
    {
        BusyStretch busy(host);
        failure = ReformatWithTool(host.DataDir() + kPackageName, *drive, tools);
    }
    host.ShowMessage(failure.value_or(kRestoreDone));
}

}  // namespace zr::bootdisk

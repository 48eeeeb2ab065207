#include "bootdisk/commands.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bootdisk/boot_menu.h"
#include "bootdisk/fbinst_commands.h"
#include "bootdisk/guards.h"
#include "bootdisk/tool_steps.h"
#include "bootdisk/workspace.h"
#include "bootitems/isolist.h"
#include "bootitems/line_list.h"
#include "disk/disk_list.h"
#include "platform/ascii.h"
#include "platform/platform.h"

namespace zr::bootdisk {
namespace {

using bootitems::TISOFileInfoArr;

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
constexpr const char* kDiskChanged = "U盘已更换或已拔出，请重新选择U盘！";

std::string ListedFileMissing(const std::string& name) {
    return "文件:" + name + " 丢失！请重新安装！";
}

std::string PathNotForTheTool(const std::string& path) {
    return "文件:" + path +
           " 的路径含有本系统的代码页中没有的字符，fbinst.exe无法读取！"
           "请把它放到只含中英文字符的路径下！";
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

// The package is checked and the workspace made before anything is extracted. The result code
// of the extraction is not looked at: what arrived is checked file by file afterwards.
std::optional<std::string> ExtractPackage(Host& host, HeldPackage& package, Workspace& workspace) {
    BusyStretch busy(host);
    if (auto failure = package.Open(host)) return failure;
    if (auto failure = workspace.Make()) return failure;
    VEDUderivu reader;  // released before the window leaves its busy state
    reader.OnProgress = PackageProgress(host);
    const auto start = std::chrono::steady_clock::now();
    const int32_t result =
        package.IsOpen() ? reader.ExtractAll(package.File(), workspace.Path()) : kPkgNotFound;
    host.Log("extract: result " + std::to_string(result) + " in " +
             std::to_string(MillisecondsSince(start)) + " ms");
    return std::nullopt;
}

std::string Describe(const std::optional<disk::TUsbDiskInfo>& disk) {
    return disk ? disk->DeviceId + " (disk " + disk->DiskNumber + ")" : "(none)";
}

// Right before the tool's first run: the letter taken at the click must still be the disk the
// user chose. Sticks swapped while the question waited, and the letter could now be another
// disk, a USB hard disk full of photos among them.
bool ChosenDiskStillThere(Host& host, char drive, const std::optional<disk::TUsbDiskInfo>& chosen) {
    if (!chosen) return false;
    for (const auto& disk : host.EnumerateUsbDisks()) {
        if (!disk.Drive.empty() &&
            platform::AsciiUpper(disk.Drive[0]) == platform::AsciiUpper(drive) &&
            disk.DeviceId == chosen->DeviceId && disk.DiskNumber == chosen->DiskNumber) {
            return true;
        }
    }
    host.Log("check disk: " + std::string(1, drive) + ": is no longer " + Describe(chosen));
    return false;
}

// The tool reads its command line in the system's ANSI code page: a path with a character
// that code page has not goes as its short (8.3) form, the same file under a name the tool
// can read; without one that fits, the path cannot reach the tool at all.
class ToolPaths {
  public:
    bool Add(const std::string& path) { return Add(path, path); }
    // A file the program holds goes by the path it is really at, which reaches that very file.
    bool Add(const std::string& path, const std::string& heldAt) {
        if (platform::FitsAnsiCodePage(heldAt)) {
            if (heldAt != path) forms_[path] = heldAt;
            return true;
        }
        const auto shortPath = platform::ShortPath(heldAt);
        if (!shortPath || !platform::FitsAnsiCodePage(*shortPath)) return false;
        forms_[path] = *shortPath;
        return true;
    }
    std::string operator()(const std::string& path) const {
        const auto form = forms_.find(path);
        return form == forms_.end() ? path : form->second;
    }

  private:
    std::map<std::string, std::string> forms_;
};

// The package's file list, one name a line, relative to the workspace.
std::vector<std::string> ReadFileList(const std::string& workDir) {
    std::vector<std::string> names = bootitems::LoadLines(workDir + kFileListName);
    for (auto& name : names) name = platform::Cp936ToUtf8(name);
    return names;
}

// The volume's whole size, not its free space: the disk is about to be formatted.
int64_t VolumeTotal(char drive) {
    const auto space = platform::QueryVolumeSpace(std::string(1, drive) + ":\\");
    return space ? space->total : 0;
}

// What the make's checks find, for the tool's runs.
struct MakePlan {
    int64_t required = 0;
    std::vector<std::string> listed;
    TISOFileInfoArr items;
    std::vector<HeldImage> images;  // one for each item, held until the plan goes
    ToolPaths paths;
};

std::vector<std::pair<std::string, int64_t>> ImagesOf(const MakePlan& plan) {
    std::vector<std::pair<std::string, int64_t>> images;
    for (size_t n = 0; n < plan.items.size(); ++n) {
        images.emplace_back(plan.items[n].ImagePath, plan.images[n].length);
    }
    return images;
}

// Lengths come from the file system's records: a file that another program holds open is
// sized all the same, and images of 4 GiB and more count in full.
std::optional<std::string> CheckListedFiles(const std::string& workDir, MakePlan& plan) {
    plan.listed = ReadFileList(workDir);
    for (const auto& name : plan.listed) {
        // A name leading out of the workspace counts as missing: the tool would otherwise copy
        // whatever file of the machine the list names onto the disk.
        const auto length =
            IsSafeEntryName(name) ? platform::FileLength(workDir + name) : std::nullopt;
        if (!length) return ListedFileMissing(name);
        plan.required += *length;
    }
    return std::nullopt;
}

// Each image is held from here to the last run, so that what is checked is what the tool
// copies; the format would destroy one on any partition of the disk being made.
std::optional<std::string> CheckImages(Host& host, DiskFinder& disks,
                                       const disk::TUsbDiskInfo& chosen, MakePlan& plan) {
    plan.items = bootitems::ReadIsoList(host.DataDir() + bootitems::kIsoListName);
    for (const auto& item : plan.items) {
        HeldImage& image = plan.images.emplace_back();
        if (auto failure = HoldImage(item.ImagePath, disks, chosen, image)) return failure;
        plan.required += image.length;
    }
    return std::nullopt;
}

std::optional<std::string> CheckToolPaths(const std::string& workDir, MakePlan& plan) {
    if (!plan.paths.Add(workDir + kToolName)) return PathNotForTheTool(workDir + kToolName);
    for (const auto& name : plan.listed) {
        // The name on the disk has no other form to fall back on.
        if (!platform::FitsAnsiCodePage(name)) return PathNotForTheTool(name);
        if (!plan.paths.Add(workDir + name)) return PathNotForTheTool(workDir + name);
    }
    for (size_t n = 0; n < plan.items.size(); ++n) {
        const std::string& image = plan.items[n].ImagePath;
        if (!platform::FitsAnsiCodePage(CustomImageName(n, image)) ||
            !plan.paths.Add(image, plan.images[n].finalPath)) {
            return PathNotForTheTool(image);
        }
    }
    return std::nullopt;
}

// Everything the make checks before it asks, in order; the first failure's message.
std::optional<std::string> CheckMake(Host& host, DiskFinder& disks, char drive,
                                     const disk::TUsbDiskInfo& chosen, const std::string& workDir,
                                     bool toolHeld, MakePlan& plan) {
    if (auto failure = CheckListedFiles(workDir, plan)) return failure;
    if (!toolHeld) return kToolNotExtracted;
    if (auto failure = CheckImages(host, disks, chosen, plan)) return failure;
    const int64_t total = VolumeTotal(drive);
    host.Log("check: " + std::to_string(plan.listed.size()) + " listed files and " +
             std::to_string(plan.items.size()) + " images need " + std::to_string(plan.required) +
             " bytes, the volume has " + std::to_string(total));
    if (total < plan.required) return kDiskTooSmall;
    return CheckToolPaths(workDir, plan);
}

// Takes the first entry named fbinst.exe (in any case) out of the package into a fresh
// workspace, and holds it there. Without it nothing may run: a bare "fbinst.exe" would be
// whatever the search path finds.
std::optional<std::string> TakeToolFromPackage(HeldPackage& package, Workspace& workspace) {
    VEDUderivu reader;
    TPackedFileInfoArr entries;
    TPackageHeader header;
    if (package.IsOpen()) {
        reader.ReadIndex(package.File(), entries,
                         header);  // entries past a bad record stay unnamed
    }
    const auto tool = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
        return platform::EqualsIgnoringAsciiCase(entry.FileName, kToolName);
    });
    if (tool == entries.end()) return kToolNotInPackage;
    if (auto failure = workspace.Make()) return failure;
    if (reader.ExtractFile(package.File(), workspace.Path(), *tool) != tool->UnpackedSize ||
        !platform::IsFile(workspace.Path() + kToolName) || !workspace.Hold(kToolName)) {
        return kToolNotExtracted;
    }
    return std::nullopt;
}

std::optional<std::string> ReformatWithTool(Host& host, char drive,
                                            const std::optional<disk::TUsbDiskInfo>& chosen,
                                            ToolRunner& tools) {
    HeldPackage package;
    if (auto failure = package.Open(host)) return failure;
    Workspace workspace;
    if (auto failure = TakeToolFromPackage(package, workspace)) return failure;
    ToolPaths paths;
    const std::string tool = workspace.Path() + kToolName;
    if (!paths.Add(tool)) return PathNotForTheTool(tool);
    if (!ChosenDiskStillThere(host, drive, chosen)) return kDiskChanged;
    const FbinstCommands fbinst(workspace.Path(), drive, std::cref(paths));
    if (auto failure = RunSteps(host, tools, fbinst.Application(), {RestoreStep(fbinst)})) {
        return failure;
    }
    workspace.Remove([&host] { host.ProcessMessages(); });
    return std::nullopt;
}

// The question's answer, in the log.
bool Confirm(Host& host, const std::string& question) {
    const bool yes = host.ConfirmWarning(question);
    host.Log(std::string("answer: ") + (yes ? "yes" : "no"));
    return yes;
}

// External hard disks are listed too (UASP): one that looks like one gets a second question
// that names it, before anything of it is lost.
bool ConfirmTheDisk(Host& host, const char* question, const disk::TUsbDiskInfo& chosen) {
    if (!Confirm(host, question)) return false;
    if (!disk::LooksLikeHardDisk(chosen)) return true;
    const std::string size =
        chosen.DiskSize ? disk::FormatDiskSize(*chosen.DiskSize) : std::string("容量未知");
    return Confirm(host,
                   "所选磁盘是 " + chosen.Vendor + " " + chosen.Product + "（" + size +
                       "），看起来是移动硬盘，上面的全部数据都将被清除！确定要在它上面制作吗？");
}

// How a command ends: the message for the user, shown once everything the command held is let
// go, so that nothing stays held while the user reads it; none after a No.
struct Ending {
    std::string message;
    bool terminate = false;
};

std::optional<Ending> Make(Host& host, ToolRunner& tools) {
    const std::optional<char> drive = SelectedDrive(host);
    const std::optional<disk::TUsbDiskInfo> chosen = host.SelectedDisk();
    host.Log("make: '" + host.SelectedDiskText() + "', " + Describe(chosen));
    if (!drive) return Ending{kNoDisk};
    DiskFinder disks(host);
    if (auto failure = RefuseSystemDisk(host, disks, chosen)) return Ending{*failure};
    HeldPackage package;
    Workspace workspace;
    if (auto failure = ExtractPackage(host, package, workspace)) return Ending{*failure};
    const std::string& workDir = workspace.Path();
    // From the end of its extraction to its last run the tool stays as it was extracted.
    const bool toolHeld = workspace.Hold(kToolName);
    if (!platform::IsFile(workDir + kFileListName)) return Ending{kFileListMissing, true};

    MakePlan plan;
    if (auto failure = CheckMake(host, disks, *drive, *chosen, workDir, toolHeld, plan)) {
        return Ending{*failure};
    }
    GenerateMenu(workDir, plan.items);
    if (!ConfirmTheDisk(host, kMakeQuestion, *chosen)) return std::nullopt;

    const FbinstCommands fbinst(workDir, *drive, std::cref(plan.paths));
    BusyStretch busy(host);
    if (!ChosenDiskStillThere(host, *drive, chosen)) return Ending{kDiskChanged};
    if (auto failure = RunSteps(host, tools, fbinst.Application(),
                                MakeSteps(fbinst, host.UsbZipChecked(), workDir, plan.required,
                                          plan.listed, ImagesOf(plan)))) {
        return Ending{*failure};  // a failed run leaves the workspace, like every early stop
    }
    workspace.Remove([&host] { host.ProcessMessages(); });
    return Ending{kMakeDone};
}

std::optional<Ending> Restore(Host& host, ToolRunner& tools) {
    const std::optional<char> drive = SelectedDrive(host);
    const std::optional<disk::TUsbDiskInfo> chosen = host.SelectedDisk();
    host.Log("restore: '" + host.SelectedDiskText() + "', " + Describe(chosen));
    if (!drive) return Ending{kNoDisk};
    DiskFinder disks(host);
    if (auto failure = RefuseSystemDisk(host, disks, chosen)) return Ending{*failure};
    if (!ConfirmTheDisk(host, kRestoreQuestion, *chosen)) return std::nullopt;
    BusyStretch busy(host);
    return Ending{ReformatWithTool(host, *drive, chosen, tools).value_or(kRestoreDone)};
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
    if (const auto ending = Make(host, tools)) {
        host.ShowMessage(ending->message);
        if (ending->terminate) host.Terminate();
    }
}

void RestoreDisk(Host& host) {
    ProcessToolRunner tools(host);
    RestoreDisk(host, tools);
}

void RestoreDisk(Host& host, ToolRunner& tools) {
    if (const auto ending = Restore(host, tools)) host.ShowMessage(ending->message);
}

}  // namespace zr::bootdisk

#include "bootdisk/guards.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/sha256.h"

namespace zr::bootdisk {
namespace {

constexpr const char* kPackageName = "Data.Kp";

constexpr const char* kSystemDisk =
    "所选U盘上有Windows系统、本程序或临时文件夹，不能在它上面制作！请选择其他U盘！";
constexpr const char* kSystemDiskUnknown =
    "无法确定所选U盘上是否有Windows系统、本程序或临时文件夹，不能在它上面制作！请选择其他U盘！";
constexpr const char* kNoIdentity = "U盘已更换或已拔出，请重新选择U盘！";

std::string PackageChanged(const std::string& path) {
    return "文件:" + path + " 已被改动，与本程序不符！请重新下载本程序！";
}

std::string ImageMissing(const std::string& path) {
    return "文件:" + path + " 不存在！请检查配置！";
}

std::string ImageUnreadable(const std::string& path) {
    return "文件:" + path + " 无法读取！请检查配置！";
}

std::string ImageOnTheDisk(const std::string& path) {
    return "文件:" + path + " 位于要制作的U盘上，请先复制到其他磁盘！";
}

std::string ImageWhereabouts(const std::string& path) {
    return "文件:" + path + " 无法确定是否位于要制作的U盘上，请先复制到本机硬盘！";
}

enum class OnDisk { No, Yes, Unknown };

OnDisk OnChosenDisk(const std::optional<std::vector<std::string>>& disks,
                    const disk::TUsbDiskInfo& chosen) {
    if (!disks || chosen.DiskNumber.empty()) return OnDisk::Unknown;
    const bool on = std::find(disks->begin(), disks->end(), chosen.DiskNumber) != disks->end();
    return on ? OnDisk::Yes : OnDisk::No;
}

}  // namespace

std::vector<std::string> DiskFinder::Numbers(const std::vector<int64_t>& disks) {
    std::vector<std::string> numbers;
    for (const int64_t disk : disks) numbers.push_back(std::to_string(disk));
    return numbers;
}

std::optional<std::vector<std::string>> DiskFinder::ByLetter(const std::string& path) {
    if (path.starts_with("\\\\")) return std::vector<std::string>{};
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    if (!drives_) drives_ = host_.DriveDisks();
    const auto drive = drives_->find(platform::AsciiUpper(path.substr(0, 2)));
    if (drive == drives_->end()) return std::nullopt;
    return std::vector<std::string>{drive->second};
}

std::optional<std::string> HeldPackage::Open(Host& host) {
    const std::string path = host.DataDir() + kPackageName;
    file_ = platform::File::Open(path, platform::File::Access::ReadDenyWrite);
    const auto pin = host.PinnedPackageDigest();
    if (!pin) {
        if (!file_.IsOpen() && platform::IsFile(path)) {
            throw Error("Cannot open file \"" + path + "\". " + file_.ErrorText());
        }
        return std::nullopt;
    }
    if (!file_.IsOpen() ||
        platform::Sha256Hex(file_, [&host] { host.ProcessMessages(); }) != *pin) {
        host.Log("package: " + path + " does not match the pinned digest " + *pin);
        file_.Close();
        return PackageChanged(path);
    }
    return std::nullopt;
}

std::optional<std::string> RefuseSystemDisk(Host& host, DiskFinder& disks,
                                            const std::optional<disk::TUsbDiskInfo>& chosen) {
    if (!chosen) return kNoIdentity;
    bool unknown = false;
    for (const std::string& path :
         {platform::WindowsFolder(), platform::ProgramFolder(), platform::TempFolder()}) {
        const platform::Folder folder = platform::Folder::Open(path);
        const OnDisk on =
            folder.IsOpen() ? OnChosenDisk(disks.DisksOf(folder, path), *chosen) : OnDisk::Unknown;
        if (on == OnDisk::Yes) {
            host.Log("check disk: disk " + chosen->DiskNumber + " holds " + path);
            return kSystemDisk;
        }
        unknown = unknown || on == OnDisk::Unknown;
        if (on == OnDisk::Unknown) host.Log("check disk: no disk known for " + path);
    }
    if (unknown) return kSystemDiskUnknown;
    return std::nullopt;
}

std::optional<std::string> HoldImage(const std::string& path, DiskFinder& disks,
                                     const disk::TUsbDiskInfo& chosen, HeldImage& image) {
    if (!platform::IsFile(path)) return ImageMissing(path);
    image.file = platform::File::Open(path, platform::File::Access::ReadDenyWrite);
    if (!image.file.IsOpen()) return ImageUnreadable(path);
    image.length = image.file.Size();
    image.finalPath = image.file.FinalPath();
    if (image.finalPath.empty()) return ImageUnreadable(path);
    switch (OnChosenDisk(disks.DisksOf(image.file, path), chosen)) {
        case OnDisk::Yes:
            return ImageOnTheDisk(path);
        case OnDisk::Unknown:
            return ImageWhereabouts(path);
        case OnDisk::No:
            break;
    }
    return std::nullopt;
}

}  // namespace zr::bootdisk

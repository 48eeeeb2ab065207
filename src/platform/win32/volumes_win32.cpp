// Volumes: their sizes and their names.

#include <windows.h>

#include <winioctl.h>

#include <vector>

#include "platform/folder.h"
#include "platform/platform.h"
#include "platform/win32/asked_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"

namespace zr::platform {
namespace {

using win32::Narrow;
using win32::Widen;

// While it lives, the system's "no disk in the drive" box stays away from this thread's calls,
// whatever mode the process is in: the call fails instead.
class NoDiskBoxes {
  public:
    NoDiskBoxes() : set_(SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_) != FALSE) {}
    NoDiskBoxes(const NoDiskBoxes&) = delete;
    NoDiskBoxes& operator=(const NoDiskBoxes&) = delete;
    ~NoDiskBoxes() {
        if (set_) SetThreadErrorMode(previous_, nullptr);
    }

  private:
    DWORD previous_ = 0;
    bool set_;
};

// The volume device that holds an open file or folder, from the handle itself: no path that
// anybody could re-point in between is asked.
win32::Handle VolumeOfHandle(HANDLE h) {
    const auto path = win32::AskForText([&](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(h, buffer, size, VOLUME_NAME_GUID);
    });
    // "\\?\Volume{...}\folder\file": the device is "\\.\Volume{...}".
    if (!path || !path->starts_with(L"\\\\?\\Volume{")) return {};
    const size_t end = path->find(L'\\', 4);
    std::wstring device = L"\\\\.\\" + path->substr(4, end == std::wstring::npos ? end : end - 4);
    return win32::Owned(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

// A volume can span disks (a spanned or mirrored dynamic volume); nothing when the system
// names none.
std::optional<std::vector<int64_t>> DisksOfHandle(HANDLE h) {
    const NoDiskBoxes quiet;
    const win32::Handle volume = VolumeOfHandle(h);
    if (!volume) return std::nullopt;
    std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS) + 31 * sizeof(DISK_EXTENT));
    DWORD got = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        return std::nullopt;
    }
    const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
    std::vector<int64_t> disks;
    for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < 32; ++i) {
        disks.push_back(extents->Extents[i].DiskNumber);
    }
    if (disks.empty()) return std::nullopt;
    return disks;
}

}  // namespace

std::optional<std::vector<int64_t>> DisksOf(const File& file) {
    return DisksOfHandle(win32::ToHandle(file.NativeHandle()));
}

std::optional<std::vector<int64_t>> DisksOf(const Folder& folder) {
    return DisksOfHandle(win32::ToHandle(folder.NativeHandle()));
}

std::optional<VolumeSpace> QueryVolumeSpace(const std::string& root) {
    // A card reader with no card, or a stick pulled a moment ago, must answer "unknown" here
    // and not with the system's own "no disk in the drive" box, every two seconds.
    const NoDiskBoxes quiet;
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    const BOOL known = GetDiskFreeSpaceExW(Widen(root).c_str(), &freeToCaller, &total, &totalFree);
    if (!known) return std::nullopt;
    return VolumeSpace{static_cast<int64_t>(freeToCaller.QuadPart),
                       static_cast<int64_t>(total.QuadPart)};
}

std::optional<std::string> VolumeOf(const std::string& path) {
    const std::wstring wide = Widen(path);
    // No "no disk in the drive" box for an empty card reader named in the path.
    const NoDiskBoxes quiet;
    std::wstring mountPoint(wide.size() + MAX_PATH, L'\0');
    const BOOL found =
        GetVolumePathNameW(wide.c_str(), mountPoint.data(), static_cast<DWORD>(mountPoint.size()));
    std::optional<std::string> volume;
    if (found) {
        mountPoint.resize(wcslen(mountPoint.c_str()));
        wchar_t name[MAX_PATH] = {};
        // The volume's own name is the same through every letter and mount point; a volume
        // the system names no further is known by where it is mounted.
        if (GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), name, MAX_PATH)) {
            volume = Narrow(name);
        } else {
            volume = Narrow(CharUpperW(mountPoint.data()));
        }
    }
    return volume;
}

}  // namespace zr::platform

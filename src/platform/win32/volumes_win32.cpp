// Volumes: their sizes and their names.

#include <windows.h>

#include "platform/platform.h"
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

}  // namespace

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

#pragma once

// What the make and restore commands make sure of before the tool comes near a disk, for a
// program that runs as administrator among programs of its user that do not: the package is
// the one the release shipped and stays so, the chosen disk holds neither Windows, nor this
// program, nor the workspace, and every image is held from its check to the last run and lies
// on another disk.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bootdisk/host.h"
#include "platform/folder.h"
#include "platform/platform.h"

namespace zr::bootdisk {

// The physical disks that held files and folders lie on, by number.
class DiskFinder {
  public:
    explicit DiskFinder(Host& host) : host_(host) {}

    // The system's own answer for the volume of what is held; where it has none (Wine, an
    // unusual volume), WMI's for the drive letter that the path was given with. A path on a
    // share lies on no disk of this machine. Nothing when neither can say.
    template <typename Held>
    std::optional<std::vector<std::string>> DisksOf(const Held& held, const std::string& path) {
        if (const auto disks = platform::DisksOf(held)) return Numbers(*disks);
        return ByLetter(path);
    }

  private:
    static std::vector<std::string> Numbers(const std::vector<int64_t>& disks);
    std::optional<std::vector<std::string>> ByLetter(const std::string& path);

    Host& host_;
    std::optional<std::map<std::string, std::string>> drives_;
};

// The package, held without write or delete sharing from its check to the end of the command,
// and read through that same handle.
class HeldPackage {
  public:
    // Opens DataDir + "Data.Kp" and, when the program carries a digest, checks the package
    // against it, processing the window's messages as it reads. The message for the user when
    // the package may not be used. Throws zr::Error when a package that is there cannot be
    // opened in an unpinned program (as its reading always did).
    std::optional<std::string> Open(Host& host);

    bool IsOpen() const { return file_.IsOpen(); }
    platform::File& File() { return file_; }

  private:
    platform::File file_;
};

// The message when the chosen disk holds the Windows folder, the program's folder or the
// temporary folder, or when that cannot be told.
std::optional<std::string> RefuseSystemDisk(Host& host, DiskFinder& disks,
                                            const std::optional<disk::TUsbDiskInfo>& chosen);

// An image, held with read sharing only from its check to the end of the command.
struct HeldImage {
    platform::File file;
    int64_t length = 0;
    std::string finalPath;  // what the tool is given: this very file while it is held
};

// Opens and holds the image at path and makes sure that it lies on another disk than the chosen
// one. The message for the user when it does not, or when that cannot be told.
std::optional<std::string> HoldImage(const std::string& path, DiskFinder& disks,
                                     const disk::TUsbDiskInfo& chosen, HeldImage& image);

}  // namespace zr::bootdisk

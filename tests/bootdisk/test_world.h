#pragma once

// What the bootdisk tests set up around the commands: the temporary folder the workspace goes
// in, drive letters for test folders, environment variables, and large sparse files.

#include <cstdint>
#include <string>

namespace zr::bootdisk::test {

// Points the user's temporary folder, and with it WorkDir, at folder (drive form) for the life
// of the object.
class TemporaryFolderOverride {
  public:
    explicit TemporaryFolderOverride(const std::string& folder);
    ~TemporaryFolderOverride();
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

  private:
    std::string saved_;
    bool hadValue_ = false;
};

// A drive letter that stands for a host folder for the life of the object: natively through
// the POSIX platform's drive map, under Wine through a link in the prefix's dosdevices folder.
// letter() is 0 where neither is at hand (Windows proper).
class DriveLink {
  public:
    // hostFolder is a path of the host system ("/proc", "/tmp/x").
    explicit DriveLink(const std::string& hostFolder);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    char letter() const { return letter_; }
    std::string root() const { return std::string(1, letter_) + ":\\"; }

  private:
    char letter_ = 0;
    std::string link_;
};

// Where a folder really is, links on the way (a drive that stands for a folder among them)
// resolved, with its trailing backslash: how the commands name their workspace.
std::string RealPath(const std::string& folder);

// The host system's path of a drive-form path (the path itself on Windows proper).
std::string HostPath(const std::string& path);

bool RunningUnderWine();

// Creates a link at linkPath (drive form) to the folder targetPath (drive form). False when
// this system cannot make one.
bool MakeFolderLink(const std::string& linkPath, const std::string& targetPath);
// Points the link at linkPath at another folder in one step, as a program of the user would
// re-point a junction; false when this system cannot.
bool RepointFolderLink(const std::string& linkPath, const std::string& targetPath);

void SetVariable(const std::string& name, const std::string& value);

// A file of the given length whose content is a hole: nothing is written but its last byte.
void WriteSparseFile(const std::string& path, int64_t length);

}  // namespace zr::bootdisk::test

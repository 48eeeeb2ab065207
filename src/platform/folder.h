#pragma once

// A folder held open, and the files and folders in it named relative to it. The program runs as
// administrator and clears and fills folders that lie where its user's other programs may write
// (the temporary folder): so nothing here is reached through a path that such a program could
// re-point, and a link met on the way is removed, never followed.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace zr::platform {

class Folder {
  public:
    Folder() = default;
    Folder(Folder&& other) noexcept
        : handle_(std::exchange(other.handle_, kInvalid)), error_(std::move(other.error_)) {}
    Folder& operator=(Folder&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, kInvalid);
            error_ = std::move(other.error_);
        }
        return *this;
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() { Close(); }

    // Opens the folder at path, following links on the way there (the user's temporary folder
    // may lie anywhere). While it is held it cannot be renamed or removed, nor can the folders
    // above it be renamed. Check IsOpen(); ErrorText() says why not.
    static Folder Open(const std::string& path);

    bool IsOpen() const { return handle_ != kInvalid; }
    const std::string& ErrorText() const { return error_; }
    intptr_t NativeHandle() const { return handle_; }
    void Close();

    // Where the folder is, as the file system names it now: every link on the way resolved,
    // with a trailing backslash. Empty when the system cannot say.
    std::string FinalPath() const;

    // The entries, without "." and ".."; isLink as the listing saw them.
    std::vector<FolderEntry> List() const;
    // Whether anything is called name here, a link or a dangling link included.
    bool Has(const std::string& name) const;
    // The sub-folder called name, never through a link: not open when name is a link, a file
    // or nothing (any more).
    Folder OpenChild(const std::string& name) const;
    // Removes the file, the link or the empty folder called name; a link goes itself, and what
    // it leads to stays. A read-only one goes only when asked (evenReadOnly).
    bool RemoveChild(const std::string& name, bool evenReadOnly) const;
    // Creates the sub-folder called name afresh, for administrators and the system only, and
    // holds it. Refused when anything is there already, a link included: an existing folder
    // could be somebody else's.
    Folder CreatePrivateChild(const std::string& name) const;

  private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
    std::string error_;
};

// Whether the volume holding the folder keeps access rules on its files. NTFS and ReFS do; FAT
// and exFAT keep none, so a folder made there for administrators only is open to everyone.
bool KeepsAccessRules(const Folder& folder);

// The numbers of the physical disks that the volume holding the folder lies on; nothing when
// the system cannot say.
std::optional<std::vector<int64_t>> DisksOf(const Folder& folder);

}  // namespace zr::platform

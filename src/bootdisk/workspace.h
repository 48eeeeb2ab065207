#pragma once

// The workspace that a command extracts the package into and runs the tool from, and its
// removal.

#include <functional>
#include <optional>
#include <string>

#include "platform/folder.h"
#include "platform/platform.h"

namespace zr::bootdisk {

// The user's temporary folder followed by "KpTemp\"; always ends with a backslash.
std::string WorkDir();

// The program runs as administrator while WorkDir lies in the user's own temporary folder,
// where any program of the user may write, and which the user's environment names. So the
// temporary folder is held from the start, WorkDir is cleared and made afresh for
// administrators only through that hold, and from then on it is named by where it really is:
// re-pointing a link on the way to the temporary folder leads nothing of the command
// elsewhere. The tool in it is held from its extraction to its last run, so that it cannot be
// replaced in between.
class Workspace {
  public:
    // Removes whatever is at WorkDir (an earlier run's leftovers, or anything planted there;
    // links are removed, never followed, read-only or not) and makes the folder afresh. The
    // message for the user when either cannot be done; then nothing may be extracted.
    std::optional<std::string> Make();

    // Where the workspace really is once made, with its trailing backslash: WorkDir with every
    // link on the way resolved. Empty before.
    const std::string& Path() const { return path_; }
    const platform::Folder& Held() const { return folder_; }

    // Keeps the file (a name inside the workspace) as it is until Remove: others may still
    // read and run it, but not change, rename or delete it. False when it is not there.
    bool Hold(const std::string& name);

    // Lets go of the held file and deletes the workspace with everything in it; between runs
    // after each step, to keep the window answering.
    void Remove(const std::function<void()>& between = {});

  private:
    std::string path_;
    platform::Folder temp_;
    platform::Folder folder_;
    platform::File held_;
};

// Deletes the folder with everything in it, deepest first. Failures are left behind silently
// for a later command to clear: a read-only file stays, and so do the folders above it. A link
// or junction is removed itself and never followed, even one put in place of a folder midway,
// so nothing outside the tree is touched.
void DeleteDirTree(const std::string& path);

}  // namespace zr::bootdisk

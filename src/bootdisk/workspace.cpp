#include "bootdisk/workspace.h"

#include "platform/platform.h"

namespace zr::bootdisk {
namespace {

void RemoveLink(const std::string& path, uint32_t attributes) {
    if (attributes & platform::kAttrDirectory) {
        platform::RemoveFolder(path);
    } else {
        platform::RemoveFile(path);
    }
}

// Removes the links in the tree without following them and, when everything is asked for,
// its files and folders too, deepest first. Failures are left behind silently.
void ClearTree(const std::string& path, bool everything) {
    if (path.empty()) return;
    const std::string folder = path.ends_with('\\') ? path : path + "\\";
    const std::string self = folder.substr(0, folder.size() - 1);
    if (platform::IsLink(self)) {
        RemoveLink(self, platform::ReadAttributes(self).value_or(0));
        return;
    }
    for (const auto& entry : platform::ListFolder(folder)) {
        const std::string child = folder + entry.name;
        if (entry.isLink) {
            RemoveLink(child, entry.attributes);
        } else if (entry.attributes & platform::kAttrDirectory) {
            ClearTree(child, everything);
        } else if (everything) {
            platform::RemoveFile(child);
        }
    }
    if (everything) platform::RemoveFolder(folder);
}

}  // namespace

std::string WorkDir() {
    return platform::TempFolder() + "KpTemp\\";
}

// The program runs elevated while the workspace lies in the user's own temporary folder:
// a link planted there must not carry the extraction or the tool somewhere else. A leftover
// workspace keeps its files and folders, but loses every link in it, itself included.
std::string MakeWorkDir() {
    const std::string dir = WorkDir();
    ClearTree(dir, false);
    platform::MakeFolder(dir);
    return dir;
}

void DeleteDirTree(const std::string& path) {
    ClearTree(path, true);
}

}  // namespace zr::bootdisk

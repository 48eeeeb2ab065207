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

}  // namespace

std::string WorkDir() {
    return platform::TempFolder() + "KpTemp\\";
}

std::string MakeWorkDir() {
    const std::string dir = WorkDir();
    platform::MakeFolder(dir);
    return dir;
}

void DeleteDirTree(const std::string& path) {
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
            DeleteDirTree(child);
        } else {
            platform::RemoveFile(child);
        }
    }
    platform::RemoveFolder(folder);
}

}  // namespace zr::bootdisk

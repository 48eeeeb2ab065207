#include "bootdisk/workspace.h"

namespace zr::bootdisk {
namespace {

std::string NotCleared(const std::string& path) {
    return "临时文件夹:" + path + " 无法清除！请关闭正在使用其中文件的程序后重试！";
}

std::string NotMade(const std::string& path, const std::string& reason) {
    return "临时文件夹:" + path + " 无法创建！" + reason;
}

void RemoveLink(const std::string& path, uint32_t attributes) {
    if (attributes & platform::kAttrDirectory) {
        platform::RemoveFolder(path);
    } else {
        platform::RemoveFile(path);
    }
}

// What is left behind is for the caller to find: nothing here reports a failure. Read-only
// files are deleted too only when asked (force).
void ClearContents(const std::string& folder, bool force) {
    for (const auto& entry : platform::ListFolder(folder)) {
        const std::string child = folder + entry.name;
        if (entry.isLink) {
            RemoveLink(child, entry.attributes);
        } else if (entry.attributes & platform::kAttrDirectory) {
            ClearContents(child + "\\", force);
            platform::RemoveFolder(child);
        } else {
            if (force && (entry.attributes & platform::kAttrReadOnly)) {
                const uint32_t rest = entry.attributes & ~platform::kAttrReadOnly;
                platform::WriteAttributes(child, rest ? rest : platform::kAttrNormal);
            }
            platform::RemoveFile(child);
        }
    }
}

void ClearTree(const std::string& path, bool force) {
    if (path.empty()) return;
    const std::string folder = path.ends_with('\\') ? path : path + "\\";
    const std::string self = folder.substr(0, folder.size() - 1);
    if (platform::IsLink(self)) {
        RemoveLink(self, platform::ReadAttributes(self).value_or(0));
        return;
    }
    if (force && platform::IsFile(self)) {
        platform::WriteAttributes(self, platform::kAttrNormal);
        platform::RemoveFile(self);
        return;
    }
    ClearContents(folder, force);
    platform::RemoveFolder(folder);
}

bool SomethingAt(const std::string& folder) {
    const std::string self = folder.substr(0, folder.size() - 1);
    return platform::IsLink(self) || platform::ReadAttributes(self).has_value();
}

}  // namespace

std::string WorkDir() {
    return platform::TempFolder() + "KpTemp\\";
}

std::optional<std::string> Workspace::Make() {
    // Without a temporary folder the workspace would land in whatever the current folder is.
    if (platform::TempFolder().empty()) return NotMade(WorkDir(), "找不到临时文件夹！");
    const std::string dir = WorkDir();
    ClearTree(dir, true);
    if (SomethingAt(dir)) return NotCleared(dir);
    folder_ = platform::PrivateFolder::Create(dir);
    if (!folder_.IsOpen()) return NotMade(dir, folder_.ErrorText());
    path_ = dir;
    return std::nullopt;
}

bool Workspace::Hold(const std::string& name) {
    held_ = platform::File::Open(path_ + name, platform::File::Access::ReadDenyWrite);
    return held_.IsOpen();
}

// The contents go while the folder is still held, so it cannot be swapped midway; the folder
// itself can only go once it is let go.
void Workspace::Remove() {
    if (path_.empty()) return;
    held_.Close();
    ClearContents(path_, false);
    folder_.Close();
    platform::RemoveFolder(path_);
}

void DeleteDirTree(const std::string& path) {
    ClearTree(path, false);
}

}  // namespace zr::bootdisk

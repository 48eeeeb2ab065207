#include "bootdisk/workspace.h"

#include <chrono>
#include <thread>

#include "platform/remove_tree.h"

namespace zr::bootdisk {
namespace {

constexpr const char* kWorkDirName = "KpTemp";

constexpr const char* kNoAccessRules =
    "它所在磁盘的文件系统（如 FAT32、exFAT）不能限制访问，请把临时文件夹（TEMP）设到 NTFS 磁盘上！";

std::string NotCleared(const std::string& path) {
    return "临时文件夹:" + path + " 无法清除！请关闭正在使用其中文件的程序后重试！";
}

std::string NotMade(const std::string& path, const std::string& reason) {
    return "临时文件夹:" + path + " 无法创建！" + reason;
}

}  // namespace

std::string WorkDir() {
    return platform::TempFolder() + kWorkDirName + "\\";
}

std::optional<std::string> Workspace::Make() {
    // Without a temporary folder the workspace would land in whatever the current folder is.
    const std::string temp = platform::TempFolder();
    if (temp.empty()) return NotMade(WorkDir(), "找不到临时文件夹！");
    const std::string dir = WorkDir();
    temp_ = platform::Folder::Open(temp);
    if (!temp_.IsOpen()) return NotMade(dir, temp_.ErrorText());
    // Made for administrators only, the workspace keeps out every program of the user's, which
    // could otherwise put a DLL beside the tool for it to load with administrator rights.
    if (!platform::KeepsAccessRules(temp_)) return NotMade(dir, kNoAccessRules);
    platform::RemoveTree(temp_, kWorkDirName, true);
    if (temp_.Has(kWorkDirName)) return NotCleared(dir);
    folder_ = temp_.CreatePrivateChild(kWorkDirName);
    if (!folder_.IsOpen()) return NotMade(dir, folder_.ErrorText());
    path_ = folder_.FinalPath();
    if (path_.empty()) return NotMade(dir, platform::ErrorText(platform::LastErrorCode()));
    return std::nullopt;
}

bool Workspace::Hold(const std::string& name) {
    held_ = platform::File::Open(path_ + name, platform::File::Access::ReadDenyWrite);
    return held_.IsOpen();
}

// The contents go through the held folder, so they cannot be swapped midway; the folder itself
// can only go once it is let go, by its name in the temporary folder that is still held. A tool
// that has just ended may still be its current folder for a moment (its console host outlives
// it), so the folder is asked for a little while.
void Workspace::Remove(const std::function<void()>& between) {
    if (!folder_.IsOpen()) return;
    held_.Close();
    for (const auto& entry : folder_.List())
        platform::RemoveTree(folder_, entry.name, false, between);
    folder_.Close();
    for (int attempt = 0; !temp_.RemoveChild(kWorkDirName, false) && attempt < 40; ++attempt) {
        if (!temp_.Has(kWorkDirName)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        if (between) between();
    }
}

void DeleteDirTree(const std::string& path) {
    std::string tree = path;
    while (tree.size() > 3 && tree.ends_with('\\')) tree.pop_back();
    const size_t cut = tree.find_last_of('\\');
    if (tree.empty() || cut == std::string::npos) return;
    const platform::Folder parent = platform::Folder::Open(tree.substr(0, cut + 1));
    if (parent.IsOpen()) platform::RemoveTree(parent, tree.substr(cut + 1), false);
}

}  // namespace zr::bootdisk

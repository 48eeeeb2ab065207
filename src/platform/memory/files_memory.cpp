// The file services in memory (see memory_files.h). Codes for LastErrorCode are errno values, as
// in the POSIX build whose other services these programs use.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/make_folders.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_state.h"
#include "platform/platform.h"
#include "platform/posix/last_error.h"

namespace zr::platform {
namespace memory::detail {

State& Memory() {
    static State state;
    return state;
}

bool Fail(int code) {
    posix::SetLastErrorCode(code);
    return false;
}

Node* Find(const Resolved& at) {
    if (at.root || at.device || at.badName) return nullptr;
    const auto it = Memory().nodes.find(at.path);
    return it == Memory().nodes.end() ? nullptr : &it->second;
}

bool IsFolderPath(std::string_view path) {
    if (path.size() == 2) return true;
    const auto it = Memory().nodes.find(path);
    return it != Memory().nodes.end() && it->second.folder;
}

[[noreturn]] void Abort(const std::string& why) {
    std::fprintf(stderr, "memory files: %s\n", why.c_str());
    std::abort();
}

OpenFile& Handle(intptr_t handle) {
    return Memory().files[static_cast<size_t>(handle)];
}

[[noreturn]] void Throw(int code) {
    throw Error(ErrorText(code));
}

uint32_t AttributesOf(const Node& node) {
    const uint32_t attributes = node.attributes | (node.folder ? kAttrDirectory : 0);
    return attributes == 0 ? kAttrNormal : attributes;
}

}  // namespace memory::detail

namespace {

using namespace memory::detail;

// The path's node and every node below it, in order.
template <class Visit>
void ForTree(const Resolved& at, Visit visit) {
    auto& nodes = Memory().nodes;
    if (const auto it = nodes.find(at.path); it != nodes.end()) visit(it->first, it->second);
    const std::string below = at.path + '\\';
    for (auto it = nodes.lower_bound(below); it != nodes.end() && StartsWith(it->first, below);
         ++it) {
        visit(it->first, it->second);
    }
}

bool InUse(const Resolved& at) {
    bool used = false;
    ForTree(at, [&](const std::string&, const Node& node) { used = used || node.opens > 0; });
    return used;
}

bool HasChildren(const Resolved& at) {
    const std::string below = at.path + '\\';
    const auto it = Memory().nodes.lower_bound(below);
    return it != Memory().nodes.end() && StartsWith(it->first, below);
}

}  // namespace

namespace memory {

void Reset() {
    State& state = Memory();
    for (const OpenFile& file : state.files) {
        if (file.node) Abort("a file is still open at Reset");
    }
    state.nodes.clear();
    state.guard.reset();
}

void AbortOnWritesOutside(const std::string& folder) {
    auto at = Resolve(folder);
    if (!at) Abort("no drive in the guarded folder \"" + folder + "\"");
    Memory().guard = std::move(at);
}

std::optional<std::string> Contents(const std::string& path) {
    const Resolved* at = Look(path);
    const Node* node = at ? Find(*at) : nullptr;
    if (!node || node->folder) return std::nullopt;
    return node->data;
}

}  // namespace memory

bool IsFile(const std::string& path) {
    const Resolved* at = Look(path);
    const Node* node = at ? Find(*at) : nullptr;
    return node && !node->folder;
}

bool IsFolder(const std::string& path) {
    const Resolved* at = Look(path);
    return at && !at->device && !at->badName && IsFolderPath(at->path);
}

bool IsLink(const std::string&) {
    return false;
}

std::optional<int64_t> FileLength(const std::string& path) {
    const Resolved* at = Look(path);
    const Node* node = at ? Find(*at) : nullptr;
    if (!node || node->folder) return std::nullopt;
    return static_cast<int64_t>(node->data.size());
}

namespace {

// written is the path as the caller wrote it, for the message of a finding.
bool MakeFolderAt(std::string_view written, std::string_view resolved, bool badName) {
    const size_t cut = resolved.rfind('\\');
    const bool root = resolved.size() == 2;
    const bool device = !root && IsDeviceName(resolved.substr(cut + 1));
    Guard("a new folder", written, &resolved, device);
    if (badName) return Fail(EINVAL);
    if (root || device || Memory().nodes.contains(resolved)) return Fail(EEXIST);
    if (!IsFolderPath(resolved.substr(0, cut))) return Fail(ENOENT);
    Memory().nodes[std::string(resolved)].folder = true;
    return true;
}

bool IsFolderAt(std::string_view resolved, bool badName) {
    const bool root = resolved.size() == 2;
    return !badName && (root || (!IsDeviceName(resolved.substr(resolved.rfind('\\') + 1)) &&
                                 IsFolderPath(resolved)));
}

}  // namespace

bool MakeFolder(const std::string& path) {
    const Resolved* at = ResolveInto(Slot::Change, path);
    if (!at) {
        Guard("a new folder", path, nullptr, false);
        return Fail(ENOENT);
    }
    return MakeFolderAt(path, at->path, at->badName);
}

// The same folders made, and asked about, in the same order as the other implementations make
// them, with the path resolved once rather than once for every level: deep names are what the
// package fuzz target meets most. A ".." in the path takes their way, level by level.
void MakeFolders(const std::string& path) {
    static std::vector<LevelEnd> ends;
    const Resolved* whole = ResolveInto(Slot::Levels, path, &ends);
    if (!whole || whole->climbed) {
        MakeFoldersLevelByLevel(path);
        return;
    }
    const std::string_view resolved = whole->path;
    // Deepest first, down to a level that is a folder already.
    size_t first = ends.size();
    while (first > 0) {
        const LevelEnd& end = ends[first - 1];
        if (IsFolderAt(resolved.substr(0, end.resolved), end.badName)) break;
        --first;
    }
    const std::string_view written = path;
    for (size_t k = first; k < ends.size(); ++k) {
        const LevelEnd& end = ends[k];
        MakeFolderAt(written.substr(0, end.written), resolved.substr(0, end.resolved), end.badName);
    }
}

std::optional<uint32_t> ReadAttributes(const std::string& path) {
    const Resolved* at = Look(path);
    if (at && at->root) return kAttrDirectory;
    const Node* node = at ? Find(*at) : nullptr;
    if (!node) {
        Fail(ENOENT);
        return std::nullopt;
    }
    return AttributesOf(*node);
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
    const Resolved* at = ForChange("new attributes", path);
    if (!at) return false;
    Node* node = Find(*at);
    if (!node) return Fail(at->root ? EACCES : ENOENT);
    // The bits SetFileAttributes takes, the last three being temporary, offline and not
    // indexed; "normal" alone means none of them.
    constexpr uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive |
                                   kAttrNormal | 0x100 | 0x1000 | 0x2000;
    attributes &= kSettable;
    node->attributes = attributes & ~kAttrNormal;
    return true;
}

std::optional<VolumeSpace> QueryVolumeSpace(const std::string& root) {
    const Resolved* at = Look(root);
    if (!at || !at->root) {
        Fail(ENOENT);
        return std::nullopt;
    }
    return VolumeSpace{kVolumeBytes, kVolumeBytes};
}

// Every drive is a volume of its own.
std::optional<std::string> VolumeOf(const std::string& path) {
    const Resolved* at = Look(path);
    if (!at || at->device || (!at->root && !Find(*at))) {
        Fail(ENOENT);
        return std::nullopt;
    }
    return at->path.substr(0, 2) + "\\";
}

// A drive of its own, so that it is there after every Reset.
std::string TempFolder() {
    return "T:\\";
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    const Resolved* at = Look(folder);
    if (!at || at->device || at->badName || !IsFolderPath(at->path)) return entries;
    ForTree(*at, [&](const std::string& path, const Node& node) {
        if (path.size() <= at->path.size()) return;
        const std::string_view name = std::string_view(path).substr(at->path.size() + 1);
        if (name.find('\\') == name.npos)
            entries.push_back({std::string(name), AttributesOf(node)});
    });
    return entries;
}

bool RemoveFile(const std::string& path) {
    const Resolved* at = ForChange("a removal", path);
    if (!at) return false;
    Node* node = Find(*at);
    if (!node) return Fail(ENOENT);
    if (node->folder || (node->attributes & kAttrReadOnly)) return Fail(EACCES);
    if (node->opens > 0) return Fail(EBUSY);
    Memory().nodes.erase(at->path);
    return true;
}

bool RemoveFolder(const std::string& path) {
    const Resolved* at = ForChange("a removal", path);
    if (!at) return false;
    Node* node = Find(*at);
    if (!node || !node->folder) return Fail(at->root ? EACCES : ENOENT);
    if (HasChildren(*at)) return Fail(ENOTEMPTY);
    Memory().nodes.erase(at->path);
    return true;
}

bool MoveOver(const std::string& source, const std::string& target) {
    const Resolved* from = ForChange("a move", source);
    const Resolved* to = ForChange("a move", target, Slot::MoveTarget);
    if (!from || !to) return false;
    if (to->badName || to->device || to->root) return Fail(EINVAL);
    if (!Find(*from)) return Fail(ENOENT);
    if (InUse(*from)) return Fail(EBUSY);
    const bool sameName = EqualsIgnoringAsciiCase(from->path, to->path);
    if (!sameName && from->Holds(to->path)) return Fail(EINVAL);
    if (!IsFolderPath(to->Parent())) return Fail(ENOENT);
    if (const Node* existing = sameName ? nullptr : Find(*to)) {
        if (existing->folder || (existing->attributes & kAttrReadOnly)) return Fail(EACCES);
        if (existing->opens > 0) return Fail(EBUSY);
        Memory().nodes.erase(to->path);
    }
    auto& nodes = Memory().nodes;
    std::vector<std::string> paths;
    ForTree(*from, [&](const std::string& path, const Node&) { paths.push_back(path); });
    // Taken out and put back under the new path, each node stays where it is in memory.
    for (const std::string& path : paths) {
        auto moved = nodes.extract(path);
        moved.key() = to->path + path.substr(from->path.size());
        nodes.insert(std::move(moved));
    }
    return true;
}

}  // namespace zr::platform

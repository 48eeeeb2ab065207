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
#include "platform/platform.h"
#include "platform/posix/last_error.h"

namespace zr::platform {
namespace {

// The space every drive claims to have: more than any package asks for.
constexpr int64_t kVolumeBytes = int64_t{1} << 40;
// Past this a write fails as a full disk would, before it could exhaust the fuzzer's memory.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

struct Node {
    bool folder = false;
    uint32_t attributes = 0;  // as stored; never kAttrDirectory
    std::string data;
    int opens = 0;
    // Of the opens: those reading, writing, and those letting others read or write.
    int reading = 0;
    int writing = 0;
    int lettingRead = 0;
    int lettingWrite = 0;
};

// Paths compared as Windows compares names here: without regard to ASCII case.
struct CaseBlindLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return static_cast<unsigned char>(AsciiUpper(x)) <
                                                       static_cast<unsigned char>(AsciiUpper(y));
                                            });
    }
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// A path resolved: "C:" then "\" and the name of each level, as it was written.
struct Resolved {
    std::string path;
    bool root = false;  // the drive's root folder
    bool badName = false;
    bool device = false;
    bool climbed = false;  // a ".." took a level back

    std::string_view Name() const { return std::string_view(path).substr(path.rfind('\\') + 1); }
    std::string_view Parent() const { return std::string_view(path).substr(0, path.rfind('\\')); }
    // path itself, or anything below it.
    bool Holds(std::string_view other) const {
        return StartsWith(other, path) &&
               (other.size() == path.size() || other[path.size()] == '\\');
    }
};

struct OpenFile {
    Node* node = nullptr;
    int64_t position = 0;
    bool read = false;
    bool write = false;
    bool letRead = false;
    bool letWrite = false;
};

using Nodes = std::map<std::string, Node, CaseBlindLess>;

struct State {
    Nodes nodes;                    // by path; the roots are not here
    std::vector<OpenFile> files;    // a File's handle is its index
    std::optional<Resolved> guard;  // the folder that changes must stay in
};

State& Memory() {
    static State state;
    return state;
}

bool Fail(int code) {
    posix::SetLastErrorCode(code);
    return false;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows refuses these in a name; a ':' past the drive would name a stream.
bool IsBadNameCharacter(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension and trailing spaces:
// in the last place of a path Windows opens the device, in whatever folder the path names.
// Written apart from the package reader's own rule on purpose: this layer judges the reader, and
// a judge sharing its mistakes would find none.
bool IsDeviceName(std::string_view name) {
    size_t length = 0;
    while (length < name.size() && name[length] != '.') ++length;
    while (length > 0 && name[length - 1] == ' ') --length;
    if (length != 3 && length != 4) return false;
    char base[5] = {};
    for (size_t i = 0; i < length; ++i) base[i] = AsciiUpper(name[i]);
    if (length == 3) {
        return std::strcmp(base, "CON") == 0 || std::strcmp(base, "PRN") == 0 ||
               std::strcmp(base, "AUX") == 0 || std::strcmp(base, "NUL") == 0;
    }
    return (std::strncmp(base, "COM", 3) == 0 || std::strncmp(base, "LPT", 3) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Where a level of the path as written ends, and how far the resolved path reaches there.
struct LevelEnd {
    size_t written;
    size_t resolved;
    bool badName;  // a character Windows refuses, up to here
};

// Into at, reusing its room; false without a drive letter. The wide API ends a path at its
// first NUL. Written into a buffer by hand: this runs several times for every file that the
// fuzz targets touch. With ends, also where each level ends.
bool Resolve(std::string_view path, Resolved& at, std::vector<LevelEnd>* ends = nullptr) {
    const char* text = path.data();
    size_t size = 0;
    while (size < path.size() && text[size] != '\0') ++size;
    if (size < 2 || text[1] != ':' || !IsAsciiLetter(text[0])) return false;
    at.path.resize(size + 1);
    char* out = at.path.data();
    out[0] = AsciiUpper(text[0]);
    out[1] = ':';
    size_t length = 2;
    bool badName = false;
    bool climbed = false;
    if (ends) ends->clear();
    for (size_t start = 2; start < size;) {
        size_t end = start;
        while (end < size && !IsSeparator(text[end])) ++end;
        size_t kept = end;
        while (kept > start && (text[kept - 1] == '.' || text[kept - 1] == ' ')) --kept;
        if (kept == start) {
            // Only dots and spaces: Windows takes two dots or more as "..", anything else as ".".
            if (std::count(text + start, text + end, '.') >= 2) {
                while (length > 2 && out[length - 1] != '\\') --length;
                if (length > 2) --length;
                climbed = true;
            }
        } else {
            out[length++] = '\\';
            for (size_t i = start; i < kept; ++i) {
                badName = badName || IsBadNameCharacter(text[i]);
                out[length++] = text[i];
            }
        }
        if (ends && end > start) ends->push_back({end, length, badName});
        start = end + 1;
    }
    at.path.resize(length);
    at.badName = badName;
    at.climbed = climbed;
    at.root = length == 2;
    at.device = !at.root && IsDeviceName(at.Name());
    return true;
}

std::optional<Resolved> Resolve(std::string_view path) {
    Resolved at;
    if (!Resolve(path, at)) return std::nullopt;
    return at;
}

// Room kept from one call to the next: a question that changes nothing resolves into the first,
// a change into the second, the target of a move into the third, MakeFolders into the last.
enum class Slot { Look, Change, MoveTarget, Levels };

const Resolved* ResolveInto(Slot slot, std::string_view path,
                            std::vector<LevelEnd>* ends = nullptr) {
    static Resolved scratch[4];
    Resolved& at = scratch[static_cast<int>(slot)];
    return Resolve(path, at, ends) ? &at : nullptr;
}

const Resolved* Look(std::string_view path) {
    return ResolveInto(Slot::Look, path);
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

// Ends the process when the guard is up and what the path resolved to is not inside it.
void Guard(const char* what, std::string_view written, const std::string_view* resolved,
           bool device) {
    const auto& guard = Memory().guard;
    if (guard && !(resolved && !device && guard->Holds(*resolved))) {
        Abort(std::string(what) + " outside the guarded folder: \"" + std::string(written) + "\"");
    }
}

// The path of a change, resolved, once the guard has let it pass.
const Resolved* ForChange(const char* what, const std::string& path, Slot slot = Slot::Change) {
    const Resolved* at = ResolveInto(slot, path);
    const std::string_view resolved = at ? std::string_view(at->path) : std::string_view();
    Guard(what, path, at ? &resolved : nullptr, at && at->device);
    if (!at) Fail(ENOENT);
    return at;
}

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

// ---- File ----

File File::Open(const std::string& path, Access access) {
    File file;
    file.path_ = path;
    auto fail = [&](int code) {
        Fail(code);
        file.error_ = platform::ErrorText(code);
        return std::move(file);
    };
    const bool update = access == Access::UpdateOwnFile;
    const bool fresh = access == Access::CreateNew;
    const bool create = access == Access::CreateExclusive || update || fresh;
    const Resolved* at = create ? ForChange("a new file", path) : Look(path);
    if (!at) return fail(ENOENT);
    if (at->badName) return fail(EINVAL);
    if (at->root || at->device) return fail(EACCES);
    Node* node = Find(*at);
    if (node && node->folder) return fail(EACCES);
    if (node && fresh) return fail(EEXIST);
    if (!node && (!create || !IsFolderPath(at->Parent()))) return fail(ENOENT);
    // Windows will not replace a read-only file.
    if (node && create && (node->attributes & kAttrReadOnly)) return fail(EACCES);

    OpenFile open;
    open.read = !create || update;
    open.write = create;
    open.letRead = access == Access::ReadShared || access == Access::ReadDenyWrite || update;
    open.letWrite = access == Access::ReadShared;
    if (node) {
        // Windows' sharing rule: each side must let the other do what it does.
        const bool othersLet = (!open.read || node->lettingRead == node->opens) &&
                               (!open.write || node->lettingWrite == node->opens);
        const bool thisLets =
            (open.letRead || node->reading == 0) && (open.letWrite || node->writing == 0);
        if (!othersLet || !thisLets) return fail(EBUSY);
    } else {
        node = &Memory().nodes[at->path];
    }
    if (create && !update) node->data.clear();
    open.node = node;
    node->opens += 1;
    node->reading += open.read ? 1 : 0;
    node->writing += open.write ? 1 : 0;
    node->lettingRead += open.letRead ? 1 : 0;
    node->lettingWrite += open.letWrite ? 1 : 0;

    auto& files = Memory().files;
    size_t slot = 0;
    while (slot < files.size() && files[slot].node) ++slot;
    if (slot == files.size()) files.emplace_back();
    files[slot] = open;
    file.handle_ = static_cast<intptr_t>(slot);
    return file;
}

size_t File::Read(void* buffer, size_t count) {
    OpenFile& file = Handle(handle_);
    if (!file.read) Throw(EBADF);
    const std::string& data = file.node->data;
    if (file.position >= static_cast<int64_t>(data.size())) return 0;
    const size_t at = static_cast<size_t>(file.position);
    const size_t n = std::min(count, data.size() - at);
    std::memcpy(buffer, data.data() + at, n);
    file.position += static_cast<int64_t>(n);
    return n;
}

size_t File::Write(const void* data, size_t count) {
    OpenFile& file = Handle(handle_);
    if (!file.write) Throw(EBADF);
    if (count == 0) return 0;
    if (count > static_cast<size_t>(kMaxFileBytes - file.position)) Throw(ENOSPC);
    std::string& bytes = file.node->data;
    const size_t at = static_cast<size_t>(file.position);
    if (bytes.size() < at + count) bytes.resize(at + count);
    std::memcpy(bytes.data() + at, data, count);
    file.position += static_cast<int64_t>(count);
    return count;
}

void File::Seek(int64_t position) {
    if (position < 0) Throw(EINVAL);
    Handle(handle_).position = std::min(position, kMaxFileBytes);
}

int64_t File::Size() const {
    return static_cast<int64_t>(Memory().files[static_cast<size_t>(handle_)].node->data.size());
}

void File::Truncate() {
    OpenFile& file = Handle(handle_);
    if (!file.write) Throw(EBADF);
    if (file.position < static_cast<int64_t>(file.node->data.size())) {
        file.node->data.resize(static_cast<size_t>(file.position));
    }
}

void File::Close() {
    if (handle_ == kInvalid) return;
    OpenFile& file = Handle(std::exchange(handle_, kInvalid));
    Node& node = *file.node;
    node.opens -= 1;
    node.reading -= file.read ? 1 : 0;
    node.writing -= file.write ? 1 : 0;
    node.lettingRead -= file.letRead ? 1 : 0;
    node.lettingWrite -= file.letWrite ? 1 : 0;
    file = OpenFile();
}

}  // namespace zr::platform

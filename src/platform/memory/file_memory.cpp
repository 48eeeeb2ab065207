// The File owner of the file services in memory, with Windows' sharing and read-only rules.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/memory/memory_state.h"

namespace zr::platform {

using namespace memory::detail;

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

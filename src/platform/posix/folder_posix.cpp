// Held folders on POSIX: a descriptor for each, openat and unlinkat relative to it, and
// O_NOFOLLOW wherever Windows opens a reparse point itself rather than what it leads to.

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/folder.h"
#include "platform/posix/drive_map.h"
#include "platform/posix/last_error.h"

namespace zr::platform {
namespace {

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

// The name as the folder holds it, found without regard to case as Windows finds it; the name
// itself when nothing matches.
std::string Match(int fd, const std::string& name) {
    struct stat st {};
    if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return name;
    const int listing = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0) close(listing);
        return name;
    }
    std::string found = name;
    while (const dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

// Windows refuses to delete a file that somebody holds open without sharing its deletion; a
// File here never shares it.
bool Held(int folder, const std::string& name) {
    const int fd = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0) close(fd);
    return held;
}

bool Fail(int code) {
    posix::SetLastErrorCode(code);
    return false;
}

}  // namespace

Folder Folder::Open(const std::string& path) {
    Folder folder;
    const auto host = posix::ToHostPath(path);
    const int fd = host ? open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (fd < 0) {
        posix::SetLastErrorCode(host ? errno : ENOENT);
        folder.error_ = platform::ErrorText(LastErrorCode());
        return folder;
    }
    folder.handle_ = fd;
    return folder;
}

void Folder::Close() {
    if (handle_ != kInvalid) close(Fd(std::exchange(handle_, kInvalid)));
}

std::string Folder::FinalPath() const {
    std::string path = posix::FinalPathOf(Fd(handle_));
    if (!path.empty() && !path.ends_with('\\')) path += '\\';
    return path;
}

std::vector<FolderEntry> Folder::List() const {
    std::vector<FolderEntry> entries;
    const int listing = openat(Fd(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0) close(listing);
        return entries;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (name == "." || name == ".." ||
            fstatat(Fd(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrNormal;
        if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
        entries.push_back({name, attributes, S_ISLNK(st.st_mode)});
    }
    closedir(dir);
    return entries;
}

bool Folder::Has(const std::string& name) const {
    struct stat st {};
    return fstatat(Fd(handle_), Match(Fd(handle_), name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// FAT and exFAT mounts have one owner and mode for every file.
bool KeepsAccessRules(const Folder& folder) {
    constexpr decltype(statfs::f_type) kFat = 0x4d44;
    constexpr decltype(statfs::f_type) kExFat = 0x2011BAB0;
    struct statfs volume {};
    if (fstatfs(Fd(folder.NativeHandle()), &volume) != 0) return false;
    return volume.f_type != kFat && volume.f_type != kExFat;
}

Folder Folder::OpenChild(const std::string& name) const {
    Folder child;
    const int fd = openat(Fd(handle_), Match(Fd(handle_), name).c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        posix::SetLastErrorCode(errno);
        child.error_ = platform::ErrorText(errno);
        return child;
    }
    child.handle_ = fd;
    return child;
}

bool Folder::RemoveChild(const std::string& name, bool evenReadOnly) const {
    const std::string found = Match(Fd(handle_), name);
    struct stat st {};
    if (fstatat(Fd(handle_), found.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail(errno);
    if (S_ISLNK(st.st_mode)) return unlinkat(Fd(handle_), found.c_str(), 0) == 0 || Fail(errno);
    if (!evenReadOnly && !(st.st_mode & S_IWUSR)) return Fail(EACCES);
    if (S_ISDIR(st.st_mode)) {
        return unlinkat(Fd(handle_), found.c_str(), AT_REMOVEDIR) == 0 || Fail(errno);
    }
    if (Held(Fd(handle_), found)) return Fail(EBUSY);
    return unlinkat(Fd(handle_), found.c_str(), 0) == 0 || Fail(errno);
}

std::optional<std::vector<int64_t>> DisksOf(const Folder&) {
    return std::nullopt;
}

// Only its owner may use it; mkdirat refuses a name that exists, a dangling link included.
Folder Folder::CreatePrivateChild(const std::string& name) const {
    Folder child;
    int fd = -1;
    errno = Has(name) ? EEXIST : 0;
    if (errno != 0 || mkdirat(Fd(handle_), name.c_str(), 0700) != 0 ||
        (fd = openat(Fd(handle_), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) <
            0) {
        posix::SetLastErrorCode(errno);
        child.error_ = platform::ErrorText(LastErrorCode());
        return child;
    }
    child.handle_ = fd;
    return child;
}

}  // namespace zr::platform

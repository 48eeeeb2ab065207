// The file services of the POSIX build: Windows paths mapped onto the host's folders (see
// drive_map.h), with Windows' sharing and read-only rules imitated as far as POSIX allows. They
// live apart from the rest of the platform so that a program can link another implementation of
// them in their place (the fuzz targets keep their files in memory).

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/error.h"
#include "platform/make_folders.h"
#include "platform/platform.h"
#include "platform/posix/drive_map.h"
#include "platform/posix/last_error.h"

namespace zr::platform {
namespace {

bool Fail(int code) {
    posix::SetLastErrorCode(code);
    return false;
}

// Windows keeps attribute bits that POSIX has no place for; an extended attribute holds them.
constexpr const char* kAttributesXattr = "user.ziruri.attributes";

std::optional<std::string> Host(const std::string& path) {
    auto host = posix::ToHostPath(path);
    if (!host) posix::SetLastErrorCode(ENOENT);
    return host;
}

uint32_t StoredAttributes(const std::string& host) {
    std::array<char, 16> text{};
    const ssize_t n = getxattr(host.c_str(), kAttributesXattr, text.data(), text.size() - 1);
    return n > 0 ? static_cast<uint32_t>(std::strtoul(text.data(), nullptr, 10)) : 0;
}

}  // namespace

bool IsFile(const std::string& path) {
    auto host = Host(path);
    struct stat st {};
    return host && stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    auto host = Host(path);
    struct stat st {};
    return host && stat(host->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
    auto host = Host(path);
    if (!host) return false;
    while (host->size() > 1 && host->ends_with('/')) host->pop_back();
    struct stat st {};
    return lstat(host->c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<int64_t> FileLength(const std::string& path) {
    auto host = Host(path);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<int64_t>(st.st_size);
}

bool MakeFolder(const std::string& path) {
    auto host = Host(path);
    return host && (mkdir(host->c_str(), 0777) == 0 || Fail(errno));
}

void MakeFolders(const std::string& path) {
    MakeFoldersLevelByLevel(path);
}

std::optional<uint32_t> ReadAttributes(const std::string& path) {
    auto host = Host(path);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0) {
        posix::SetLastErrorCode(errno ? errno : ENOENT);
        return std::nullopt;
    }
    uint32_t attributes = StoredAttributes(*host) & ~(kAttrReadOnly | kAttrDirectory);
    if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
    if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    if (attributes == 0) attributes = kAttrNormal;
    return attributes;
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
    auto host = Host(path);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0) return Fail(host ? errno : ENOENT);
    // Read-only lives in the mode, so a file system without user attributes still gets it.
    const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
    const mode_t mode =
        (attributes & kAttrReadOnly) ? (st.st_mode & ~writable) : (st.st_mode | S_IWUSR);
    if (chmod(host->c_str(), mode & 07777) != 0) return Fail(errno);
    const std::string text = std::to_string(attributes & ~(kAttrReadOnly | kAttrDirectory));
    return setxattr(host->c_str(), kAttributesXattr, text.data(), text.size(), 0) == 0 ||
           Fail(errno);
}

std::optional<VolumeSpace> QueryVolumeSpace(const std::string& root) {
    auto host = Host(root);
    struct statvfs vfs {};
    if (!host || statvfs(host->c_str(), &vfs) != 0) {
        posix::SetLastErrorCode(host ? errno : ENOENT);
        return std::nullopt;
    }
    return VolumeSpace{static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize),
                       static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize)};
}

// Every mapped drive is a volume of its own, mounted at its folder: a path lies on the drive
// whose folder holds it most closely, whichever letter it was named by.
std::optional<std::string> VolumeOf(const std::string& path) {
    auto host = Host(path);
    if (!host) return std::nullopt;
    std::array<char, PATH_MAX> real{};
    if (!realpath(host->c_str(), real.data())) return std::nullopt;
    const std::string target = real.data();
    std::string volume;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto root = posix::ToHostPath(std::string(1, letter) + ":\\");
        std::array<char, PATH_MAX> rootReal{};
        if (!root || !realpath(root->c_str(), rootReal.data())) continue;
        std::string folder = rootReal.data();
        if (!folder.ends_with('/')) folder += '/';
        if ((target + "/").starts_with(folder) && folder.size() > volume.size()) volume = folder;
    }
    if (volume.empty()) return std::nullopt;
    return volume;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = FromHostPath(tmp && *tmp ? tmp : "/tmp");
    if (!folder.ends_with('\\')) folder += '\\';
    return folder;
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    auto host = Host(folder);
    DIR* dir = host ? opendir(host->c_str()) : nullptr;
    if (!dir) return entries;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string full = *host + "/" + name;
        struct stat st {};
        if (lstat(full.c_str(), &st) != 0) continue;
        FolderEntry item{name, 0, S_ISLNK(st.st_mode)};
        if (item.isLink) {
            struct stat target {};
            item.attributes = (stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
                                  ? kAttrDirectory
                                  : kAttrNormal;
        } else {
            item.attributes = ReadAttributes(folder + "\\" + name).value_or(kAttrNormal);
        }
        entries.push_back(item);
    }
    closedir(dir);
    return entries;
}

bool RemoveFile(const std::string& path) {
    auto host = Host(path);
    if (!host) return false;
    struct stat st {};
    if (lstat(host->c_str(), &st) != 0) return Fail(errno);
    if (!S_ISLNK(st.st_mode)) {
        // Windows refuses to delete a read-only file, or one that somebody holds open: no
        // File here lets others delete what it holds.
        if (!(st.st_mode & S_IWUSR)) return Fail(EACCES);
        const int fd = open(host->c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (fd >= 0) close(fd);
        if (held) return Fail(EBUSY);
    }
    return unlink(host->c_str()) == 0 || Fail(errno);
}

bool RemoveFolder(const std::string& path) {
    auto host = Host(path);
    if (!host) return false;
    while (host->size() > 1 && host->ends_with('/')) host->pop_back();
    struct stat st {};
    if (lstat(host->c_str(), &st) != 0) return Fail(errno);
    if (S_ISLNK(st.st_mode)) return unlink(host->c_str()) == 0 || Fail(errno);
    return rmdir(host->c_str()) == 0 || Fail(errno);
}

bool MoveOver(const std::string& source, const std::string& target) {
    auto from = Host(source);
    auto to = Host(target);
    return from && to && (rename(from->c_str(), to->c_str()) == 0 || Fail(errno));
}

// ---- File ----

File File::Open(const std::string& path, Access access) {
    File file;
    file.path_ = path;
    auto host = Host(path);
    auto fail = [&](int code) {
        posix::SetLastErrorCode(code);
        file.error_ = platform::ErrorText(code);
        return std::move(file);
    };
    if (!host) return fail(ENOENT);
    struct stat st {};
    const bool exists = stat(host->c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail(EACCES);
    int flags = O_RDONLY;
    if (access == Access::CreateExclusive) {
        // Windows will not replace a read-only file.
        if (exists && !(st.st_mode & S_IWUSR)) return fail(EACCES);
        flags = O_WRONLY | O_CREAT;
    }
    if (access == Access::UpdateOwnFile) flags = O_RDWR | O_CREAT | O_NOFOLLOW;
    // O_EXCL refuses any name that exists, a dangling link included.
    if (access == Access::CreateNew) flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    const int fd = open(host->c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return fail(errno);
    struct stat opened {};
    if (access == Access::UpdateOwnFile && (fstat(fd, &opened) != 0 || opened.st_nlink != 1)) {
        close(fd);
        return fail(EACCES);
    }
    // Sharing modes, as far as advisory locks can stand in for them.
    const bool othersRead = access == Access::ReadShared || access == Access::ReadDenyWrite ||
                            access == Access::UpdateOwnFile;
    const int lock = othersRead ? LOCK_SH : LOCK_EX;
    if (flock(fd, lock | LOCK_NB) != 0) {
        close(fd);
        return fail(EBUSY);
    }
    // Truncated only once the lock is held, and only when there is something to cut: ext4
    // takes a truncation to zero for a file being replaced and flushes it on close, which
    // costs a new file a synchronous writeback start for nothing.
    struct stat held {};
    if (access == Access::CreateExclusive &&
        (fstat(fd, &held) != 0 || (held.st_size > 0 && ftruncate(fd, 0) != 0))) {
        const int code = errno;
        close(fd);
        return fail(code);
    }
    file.handle_ = fd;
    return file;
}

std::string File::FinalPath() const {
    return posix::FinalPathOf(static_cast<int>(handle_));
}

// The host keeps no disk numbers that the tests could steer; the commands ask WMI instead.
std::optional<std::vector<int64_t>> DisksOf(const File&) {
    return std::nullopt;
}

size_t File::Read(void* buffer, size_t count) {
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
        const ssize_t n = ::read(static_cast<int>(handle_), out + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error(platform::ErrorText(errno));
        if (n == 0) break;
        total += static_cast<size_t>(n);
    }
    return total;
}

size_t File::Write(const void* data, size_t count) {
    size_t total = 0;
    const auto* in = static_cast<const char*>(data);
    while (total < count) {
        const ssize_t n = ::write(static_cast<int>(handle_), in + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error(platform::ErrorText(errno));
        total += static_cast<size_t>(n);
    }
    return total;
}

void File::Seek(int64_t position) {
    if (lseek(static_cast<int>(handle_), position, SEEK_SET) < 0) {
        throw Error(platform::ErrorText(errno));
    }
}

int64_t File::Size() const {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) throw Error(platform::ErrorText(errno));
    return static_cast<int64_t>(st.st_size);
}

void File::Truncate() {
    const off_t position = lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (position < 0 || ftruncate(static_cast<int>(handle_), position) != 0) {
        throw Error(platform::ErrorText(errno));
    }
}

void File::Close() {
    if (handle_ != kInvalid) ::close(static_cast<int>(std::exchange(handle_, kInvalid)));
}

}  // namespace zr::platform

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <signal.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/posix/drive_map.h"

namespace zr::platform {
namespace {

thread_local int tLastError = 0;

bool Fail(int code) {
    tLastError = code;
    return false;
}

// Windows keeps attribute bits that POSIX has no place for; an extended attribute holds them.
constexpr const char* kAttributesXattr = "user.ziruri.attributes";

std::mutex& DriveMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<char, std::string>& Drives() {
    static std::map<char, std::string> drives;
    return drives;
}

std::optional<std::string> DriveRoot(char letter) {
    letter = AsciiUpper(letter);
    {
        std::lock_guard lock(DriveMutex());
        auto it = Drives().find(letter);
        if (it != Drives().end()) return it->second;
    }
    const std::string variable = std::string("ZR_DRIVE_") + letter;
    if (const char* mapped = std::getenv(variable.c_str()); mapped && *mapped) return mapped;
    if (letter == 'Z') return "/";
    return std::nullopt;
}

// Finds name in folder the way a case-insensitive file system would.
std::string MatchName(const std::string& folder, const std::string& name) {
    struct stat st {};
    const std::string exact = folder + (folder.ends_with('/') ? "" : "/") + name;
    if (lstat(exact.c_str(), &st) == 0) return name;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return name;
    std::string found = name;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0]);
}

std::optional<std::string> Host(const std::string& path) {
    auto host = posix::ToHostPath(path);
    if (!host) tLastError = ENOENT;
    return host;
}

uint32_t StoredAttributes(const std::string& host) {
    std::array<char, 16> text{};
    const ssize_t n = getxattr(host.c_str(), kAttributesXattr, text.data(), text.size() - 1);
    return n > 0 ? static_cast<uint32_t>(std::strtoul(text.data(), nullptr, 10)) : 0;
}

// Strict: nothing when a byte sequence or a character does not convert. Otherwise like the
// system's converters: an invalid byte becomes '?' and the rest goes on.
std::optional<std::string> Convert(std::string_view text, const char* to, const char* from,
                                   bool strict) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Error("iconv_open failed");
    std::string out;
    std::array<char, 4096> buffer{};
    auto* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    bool lost = false;
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            lost = true;
            if (strict) break;
            out.push_back('?');
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    if (strict && lost) return std::nullopt;
    return out;
}

std::string Convert(std::string_view text, const char* to, const char* from) {
    return *Convert(text, to, from, false);
}

int gAnsiCodePage = 936;

std::map<std::string, std::string>& ShortNames() {
    static std::map<std::string, std::string> names;
    return names;
}

// iconv's name for a Windows code page.
std::string IconvName(int codePage) {
    return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
}

// Windows' rules for splitting a command line into arguments.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                size_t count = 0;
                while (i < n && line[i] == '\\') ++count, ++i;
                if (i < n && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    ++i;
                }
                quoted = !quoted;
                ++i;
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace

namespace posix {

void MapDrive(char letter, const std::string& hostFolder) {
    std::lock_guard lock(DriveMutex());
    Drives()[AsciiUpper(letter)] = hostFolder;
}

void UnmapDrive(char letter) {
    std::lock_guard lock(DriveMutex());
    Drives().erase(AsciiUpper(letter));
}

std::optional<std::string> ToHostPath(const std::string& path) {
    if (!HasDrive(path)) return std::nullopt;
    auto root = DriveRoot(path[0]);
    if (!root) return std::nullopt;
    std::vector<std::string> parts;
    size_t start = 2;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string host = *root;
    for (const auto& part : parts) {
        const std::string name = MatchName(host, part);
        if (!host.ends_with('/')) host += '/';
        host += name;
    }
    return host;
}

void SetAnsiCodePage(int codePage) {
    gAnsiCodePage = codePage;
}

void SetShortPath(const std::string& path, const std::string& shortPath) {
    if (shortPath.empty()) {
        ShortNames().erase(path);
    } else {
        ShortNames()[path] = shortPath;
    }
}

}  // namespace posix

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
    const size_t cut = path.find_last_not_of("\\/");
    if (cut == std::string::npos || IsFolder(path)) return;
    const std::string trimmed = path.substr(0, cut + 1);
    const size_t parent = trimmed.find_last_of("\\/");
    if (parent != std::string::npos && parent > 2) MakeFolders(trimmed.substr(0, parent));
    MakeFolder(trimmed);
}

std::optional<uint32_t> ReadAttributes(const std::string& path) {
    auto host = Host(path);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0) {
        tLastError = errno ? errno : ENOENT;
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
        tLastError = host ? errno : ENOENT;
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
        const auto root = DriveRoot(letter);
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

int LastErrorCode() {
    return tLastError;
}

std::string ErrorText(int code) {
    return std::strerror(code);
}

std::string AnsiToUtf8(std::string_view ansi) {
    return Convert(ansi, "UTF-8", "CP936");
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return Convert(utf8, "CP936", "UTF-8");
}

std::string Cp936ToUtf8(std::string_view cp936) {
    if (auto whole = Convert(cp936, "UTF-8", "CP936", true)) return *whole;
    std::string text;
    while (!cp936.empty()) {
        // A character is one or two bytes; what starts none is one byte of nothing.
        std::optional<std::string> character;
        size_t used = 1;
        for (; used <= 2 && used <= cp936.size() && !character; ++used) {
            character = Convert(cp936.substr(0, used), "UTF-8", "CP936", true);
        }
        text += character.value_or("\xEF\xBF\xBD");
        cp936.remove_prefix(character ? used - 1 : 1);
    }
    return text;
}

std::optional<std::string> Utf8ToCp936(std::string_view utf8) {
    return Convert(utf8, "CP936", "UTF-8", true);
}

int AnsiCodePage() {
    return gAnsiCodePage;
}

bool FitsAnsiCodePage(std::string_view utf8) {
    return Convert(utf8, IconvName(gAnsiCodePage).c_str(), "UTF-8", true).has_value();
}

std::optional<std::string> ShortPath(const std::string& path) {
    const auto found = ShortNames().find(path);
    if (found == ShortNames().end()) return std::nullopt;
    return found->second;
}

std::string DecimalSeparator() {
    return std::localeconv()->decimal_point;
}

std::string FromHostPath(const std::string& hostPath) {
    std::string absolute = hostPath;
    if (!absolute.starts_with('/')) {
        std::array<char, PATH_MAX> cwd{};
        if (getcwd(cwd.data(), cwd.size())) absolute = std::string(cwd.data()) + "/" + absolute;
    }
    std::string path = "Z:";
    for (char c : absolute) path += (c == '/') ? '\\' : c;
    return path;
}

std::string ProgramFolder() {
    std::array<char, PATH_MAX> self{};
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string path = FromHostPath(std::string(self.data(), n > 0 ? static_cast<size_t>(n) : 0));
    return path.substr(0, path.find_last_of('\\') + 1);
}

// ---- File ----

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)),
      path_(std::move(other.path_)),
      error_(std::move(other.error_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kInvalid);
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
    }
    return *this;
}

File::~File() {
    Close();
}

File File::Open(const std::string& path, Access access) {
    File file;
    file.path_ = path;
    auto host = Host(path);
    auto fail = [&](int code) {
        tLastError = code;
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

// ---- PrivateFolder ----

// The owner alone may use it; mkdir refuses a name that exists, a dangling link included.
PrivateFolder PrivateFolder::Create(const std::string& path) {
    PrivateFolder folder;
    auto host = Host(path);
    while (host && host->size() > 1 && host->ends_with('/')) host->pop_back();
    int fd = -1;
    if (!host || mkdir(host->c_str(), 0700) != 0 ||
        (fd = open(host->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) < 0) {
        tLastError = host ? errno : ENOENT;
        folder.error_ = platform::ErrorText(tLastError);
        return folder;
    }
    folder.handle_ = fd;
    return folder;
}

void PrivateFolder::Close() {
    if (handle_ != kInvalid) ::close(static_cast<int>(std::exchange(handle_, kInvalid)));
}

// ---- Process ----

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)),
      ended_(other.ended_),
      exitCode_(other.exitCode_),
      errorCode_(other.errorCode_),
      error_(std::move(other.error_)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        this->~Process();
        handle_ = std::exchange(other.handle_, kInvalid);
        ended_ = other.ended_;
        exitCode_ = other.exitCode_;
        errorCode_ = other.errorCode_;
        error_ = std::move(other.error_);
    }
    return *this;
}

Process::~Process() {
    // A child that is still running is left to run; reap it if it has ended.
    if (handle_ != kInvalid && !ended_) waitpid(static_cast<pid_t>(handle_), nullptr, WNOHANG);
}

Process Process::StartHidden(const std::string& application, const std::string& commandLine) {
    Process process;
    auto host = Host(application);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        process.errorCode_ = ENOENT;
        process.error_ = platform::ErrorText(ENOENT);
        return process;
    }
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) args.push_back(*host);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        process.errorCode_ = errno;
        process.error_ = platform::ErrorText(errno);
        return process;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        execv(host->c_str(), argv.data());
        const int code = errno;
        (void)!::write(pipeFds[1], &code, sizeof code);
        _exit(127);
    }
    close(pipeFds[1]);
    int code = 0;
    const bool execFailed = pid > 0 && ::read(pipeFds[0], &code, sizeof code) == sizeof code;
    close(pipeFds[0]);
    if (pid < 0 || execFailed) {
        if (pid > 0) waitpid(pid, nullptr, 0);
        process.errorCode_ = pid < 0 ? errno : code;
        process.error_ = platform::ErrorText(process.errorCode_);
        return process;
    }
    process.handle_ = pid;
    return process;
}

Process::State Process::WaitFor(int milliseconds) {
    if (handle_ == kInvalid) return State::Failed;
    if (ended_) return State::Ended;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int status = 0;
        const pid_t rc = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
        if (rc == static_cast<pid_t>(handle_)) {
            exitCode_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status)) : 255u;
            ended_ = true;
            return State::Ended;
        }
        if (rc < 0) return State::Failed;
        if (std::chrono::steady_clock::now() >= deadline) return State::Running;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace zr::platform

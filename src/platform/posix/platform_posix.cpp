#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/posix/drive_map.h"
#include "platform/posix/last_error.h"

namespace zr::platform {
namespace {

thread_local int tLastError = 0;

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

// One converter per direction and thread, opened once: iconv_open looks up and loads the
// system's conversion modules every time, which costs far more than converting a name.
class Converters {
  public:
    Converters() = default;
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;
    ~Converters() {
        for (auto& [names, cd] : open_) iconv_close(cd);
    }

    // Reset to its initial state, ready for a new text.
    iconv_t Get(const char* to, const char* from) {
        auto [it, added] = open_.try_emplace({to, from}, reinterpret_cast<iconv_t>(-1));
        if (added) {
            it->second = iconv_open(to, from);
            if (it->second == reinterpret_cast<iconv_t>(-1)) {
                open_.erase(it);
                throw Error("iconv_open failed");
            }
        }
        iconv(it->second, nullptr, nullptr, nullptr, nullptr);
        return it->second;
    }

  private:
    std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

thread_local Converters tConverters;

// What stands for each byte that does not convert: nothing (the whole conversion fails), "?"
// as the system's converters give, or U+FFFD.
std::optional<std::string> Convert(std::string_view text, const char* to, const char* from,
                                   const char* invalid) {
    iconv_t cd = tConverters.Get(to, from);
    std::string out;
    std::array<char, 4096> buffer{};
    auto* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            if (!invalid) return std::nullopt;
            out += invalid;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string Convert(std::string_view text, const char* to, const char* from) {
    return *Convert(text, to, from, "?");
}

int gAnsiCodePage = 936;
std::string gWindowsFolder = "Z:\\";

std::map<std::string, std::string>& ShortNames() {
    static std::map<std::string, std::string> names;
    return names;
}

// iconv's name for a Windows code page.
std::string IconvName(int codePage) {
    return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
}

}  // namespace

namespace posix {

void SetLastErrorCode(int code) {
    tLastError = code;
}

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

std::string ToDrivePath(const std::string& hostPath) {
    char letter = 'Z';
    std::string root = "/";
    {
        std::lock_guard lock(DriveMutex());
        for (const auto& [drive, folder] : Drives()) {
            std::array<char, PATH_MAX> real{};
            if (!realpath(folder.c_str(), real.data())) continue;
            std::string candidate = real.data();
            if (!candidate.ends_with('/')) candidate += '/';
            if ((hostPath + "/").starts_with(candidate) && candidate.size() > root.size()) {
                letter = drive;
                root = candidate;
            }
        }
    }
    std::string path = std::string(1, letter) + ":\\";
    for (char c : hostPath.substr(std::min(root.size(), hostPath.size()))) {
        path += (c == '/') ? '\\' : c;
    }
    return path;
}

std::string FinalPathOf(int descriptor) {
    std::array<char, PATH_MAX> target{};
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    const ssize_t n = readlink(self.c_str(), target.data(), target.size() - 1);
    if (n <= 0) return {};
    return ToDrivePath(std::string(target.data(), static_cast<size_t>(n)));
}

void SetWindowsFolder(const std::string& folder) {
    gWindowsFolder = folder;
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

int LastErrorCode() {
    return tLastError;
}

std::string ErrorText(int code) {
    return std::strerror(code);
}

std::string AnsiToUtf8(std::string_view ansi) {
    return Convert(ansi, "UTF-8", IconvName(gAnsiCodePage).c_str());
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return Convert(utf8, IconvName(gAnsiCodePage).c_str(), "UTF-8");
}

// A byte that starts no character reads as U+FFFD, and the bytes after it as what they are.
std::string Cp936ToUtf8(std::string_view cp936) {
    return *Convert(cp936, "UTF-8", "CP936", "\xEF\xBF\xBD");
}

std::optional<std::string> Utf8ToCp936(std::string_view utf8) {
    return Convert(utf8, "CP936", "UTF-8", nullptr);
}

int AnsiCodePage() {
    return gAnsiCodePage;
}

bool FitsAnsiCodePage(std::string_view utf8) {
    return Convert(utf8, IconvName(gAnsiCodePage).c_str(), "UTF-8", nullptr).has_value();
}

std::optional<std::string> ShortPath(const std::string& path) {
    const auto found = ShortNames().find(path);
    if (found == ShortNames().end()) return std::nullopt;
    return found->second;
}

std::string DecimalSeparator() {
    return std::localeconv()->decimal_point;
}

std::string WindowsFolder() {
    return gWindowsFolder;
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

}  // namespace zr::platform

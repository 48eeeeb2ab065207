#include "test_world.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "platform/folder.h"
#include "platform/platform.h"
#include "support/wine.h"
#ifndef _WIN32
#include "platform/posix/drive_map.h"
#endif

namespace zr::bootdisk::test {
namespace {

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    std::string out(wide.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

using UnixFileName = char*(CDECL*)(const wchar_t*);
using UnixSpawn = LONG(CDECL*)(char* const argv[], int wait);

UnixFileName WineUnixFileName() {
    return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
}

UnixSpawn WineUnixSpawn() {
    return reinterpret_cast<UnixSpawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "__wine_unix_spawnvp")));
}

// Runs a host program under Wine and waits for it.
bool RunUnix(std::vector<std::string> args) {
    const UnixSpawn spawn = WineUnixSpawn();
    if (!spawn) return false;
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

// The prefix's dosdevices folder, from where Wine keeps drive C.
std::string DosDevices() {
    const std::string c = HostPath("C:\\");
    const size_t cut = c.rfind("/dosdevices/");
    return cut == std::string::npos ? std::string() : c.substr(0, cut + 12);
}
#endif

}  // namespace

TemporaryFolderOverride::TemporaryFolderOverride(const std::string& folder) {
#ifdef _WIN32
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(L"TMP", buffer, 32768);
    hadValue_ = n > 0;
    saved_ = Narrow(std::wstring(buffer, n));
    SetEnvironmentVariableW(L"TMP", Wide(folder).c_str());
#else
    const char* value = std::getenv("TMPDIR");
    hadValue_ = value != nullptr;
    saved_ = value ? value : "";
    setenv("TMPDIR", HostPath(folder).c_str(), 1);
#endif
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
#ifdef _WIN32
    SetEnvironmentVariableW(L"TMP", hadValue_ ? Wide(saved_).c_str() : nullptr);
#else
    if (hadValue_) {
        setenv("TMPDIR", saved_.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
#endif
}

DriveLink::DriveLink(const std::string& hostFolder) {
#ifdef _WIN32
    const std::string devices = DosDevices();
    if (devices.empty()) return;
    for (char letter = 'R'; letter <= 'Y'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (GetLogicalDrives() & (1u << (letter - 'A'))) continue;
        if (GetFileAttributesW(Wide(root).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        const std::string link = devices + static_cast<char>(letter - 'A' + 'a') + ":";
        if (RunUnix({"/bin/ln", "-s", hostFolder, link})) {
            letter_ = letter;
            link_ = link;
            return;
        }
    }
#else
    for (char letter = 'R'; letter <= 'Y'; ++letter) {
        if (platform::posix::ToHostPath(std::string(1, letter) + ":\\")) continue;
        platform::posix::MapDrive(letter, hostFolder);
        letter_ = letter;
        return;
    }
#endif
    throw std::runtime_error("no free drive letter");
}

DriveLink::~DriveLink() {
    if (!letter_) return;
#ifdef _WIN32
    RunUnix({"/bin/rm", "-f", link_});
#else
    platform::posix::UnmapDrive(letter_);
#endif
}

std::string HostPath(const std::string& path) {
#ifdef _WIN32
    const UnixFileName unixName = WineUnixFileName();
    if (!unixName) return path;
    char* name = unixName(Wide(path).c_str());
    if (!name) return path;
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
#else
    return platform::posix::ToHostPath(path).value_or(path);
#endif
}

std::string RealPath(const std::string& folder) {
    return platform::Folder::Open(folder).FinalPath();
}

bool RunningUnderWine() {
    return zr::test::UnderWine();
}

bool MakeFolderLink(const std::string& linkPath, const std::string& targetPath) {
    auto trim = [](std::string p) {
        while (p.size() > 3 && p.ends_with('\\')) p.pop_back();
        return p;
    };
#ifdef _WIN32
    // Wine 8 answers CreateSymbolicLinkW with success and makes nothing; a host link is what
    // a Wine program then sees as a folder link.
    if (RunningUnderWine())
        return RunUnix({"/bin/ln", "-s", HostPath(trim(targetPath)), HostPath(trim(linkPath))});
    return CreateSymbolicLinkW(Wide(trim(linkPath)).c_str(), Wide(trim(targetPath)).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) != FALSE;
#else
    return symlink(HostPath(trim(targetPath)).c_str(), HostPath(trim(linkPath)).c_str()) == 0;
#endif
}

bool RepointFolderLink(const std::string& linkPath, const std::string& targetPath) {
    const std::string link = HostPath(linkPath.substr(0, linkPath.find_last_not_of('\\') + 1));
    const std::string target = HostPath(targetPath);
#ifdef _WIN32
    return RunningUnderWine() && RunUnix({"/bin/ln", "-sfn", target, link});
#else
    const std::string fresh = link + ".new";
    return symlink(target.c_str(), fresh.c_str()) == 0 && rename(fresh.c_str(), link.c_str()) == 0;
#endif
}

void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
    SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void WriteSparseFile(const std::string& path, int64_t length) {
    auto file = platform::File::Open(path, platform::File::Access::CreateExclusive);
    if (!file.IsOpen()) throw std::runtime_error("cannot create " + path);
    file.Seek(length - 1);
    file.Write("x", 1);
}

}  // namespace zr::bootdisk::test

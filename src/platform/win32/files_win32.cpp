// Files and folders named by path, and the File owner.

#include <windows.h>

#include <utility>

#include "platform/error.h"
#include "platform/make_folders.h"
#include "platform/platform.h"
#include "platform/win32/asked_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"

namespace zr::platform {
namespace {

using win32::AskForText;
using win32::FindHandle;
using win32::Handle;
using win32::Narrow;
using win32::ToHandle;
using win32::Widen;

// The record of a symbolic link describes the link, whose length is 0; a handle opened
// through it describes the file it leads to. Opening for attributes alone is not refused by
// another program's sharing mode, so a file held open is sized too.
std::optional<int64_t> LinkTargetLength(const std::wstring& path) {
    Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) |
                                info.nFileSizeLow);
}

}  // namespace

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<int64_t> FileLength(const std::string& path) {
    const std::wstring wide = Widen(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return LinkTargetLength(wide);
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(Widen(path).c_str(), nullptr) != FALSE;
}

void MakeFolders(const std::string& path) {
    MakeFoldersLevelByLevel(path);
}

std::optional<uint32_t> ReadAttributes(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<uint32_t>(attributes);
}

bool WriteAttributes(const std::string& path, uint32_t attributes) {
    return SetFileAttributesW(Widen(path).c_str(), attributes) != FALSE;
}

std::string TempFolder() {
    const auto path =
        AskForText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
    return Narrow(path.value_or(std::wstring()));
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    std::string pattern = folder;
    if (!pattern.ends_with('\\')) pattern += '\\';
    pattern += "*";
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(Widen(pattern).c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        return entries;
    }
    do {
        const std::wstring_view name(data.cFileName);
        if (name == L"." || name == L"..") continue;
        entries.push_back({Narrow(name), static_cast<uint32_t>(data.dwFileAttributes),
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Widen(path).c_str()) != FALSE;
}

bool RemoveFolder(const std::string& path) {
    return RemoveDirectoryW(Widen(path).c_str()) != FALSE;
}

bool MoveOver(const std::string& source, const std::string& target) {
    return MoveFileExW(Widen(source).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::optional<std::string> ShortPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    const auto shortPath = AskForText(
        [&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(wide.c_str(), buffer, size); });
    if (!shortPath) return std::nullopt;
    return Narrow(*shortPath);
}

std::string WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    std::string path = Narrow(std::wstring_view(folder, n < MAX_PATH ? n : 0));
    if (!path.ends_with('\\')) path += '\\';
    return path;
}

std::string FromHostPath(const std::string& hostPath) {
    const std::wstring wide = Widen(hostPath);
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return hostPath;
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    full.resize(m);
    return Narrow(full);
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path.substr(0, path.find_last_of(L'\\') + 1));
}

// ---- File ----

File File::Open(const std::string& path, Access access) {
    File file;
    file.path_ = path;
    const std::wstring wide = Widen(path);
    DWORD desired = GENERIC_READ, share = 0, disposition = OPEN_EXISTING;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    switch (access) {
        case Access::ReadShared:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        case Access::ReadDenyWrite:
            share = FILE_SHARE_READ;
            break;
        case Access::ReadExclusive:
            break;
        case Access::UpdateOwnFile:
            desired = GENERIC_READ | GENERIC_WRITE;
            share = FILE_SHARE_READ;
            disposition = OPEN_ALWAYS;
            attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
            break;
        case Access::CreateNew:
            desired = GENERIC_WRITE;
            disposition = CREATE_NEW;
            attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
            break;
        case Access::CreateExclusive: {
            desired = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            // Windows replaces a hidden or system file only when asked for one with the same
            // bits; otherwise a workspace left by an earlier run could never be refilled.
            const DWORD old = GetFileAttributesW(wide.c_str());
            const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
            if (old != INVALID_FILE_ATTRIBUTES && (old & kept)) attributes = old & kept;
            break;
        }
    }
    HANDLE h = CreateFileW(wide.c_str(), desired, share, nullptr, disposition, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        file.error_ = platform::ErrorText(static_cast<int>(GetLastError()));
        return file;
    }
    file.handle_ = reinterpret_cast<intptr_t>(h);
    if (access == Access::UpdateOwnFile) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(h, &info) || info.nNumberOfLinks != 1 ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
            file.Close();
            file.error_ = platform::ErrorText(ERROR_ACCESS_DENIED);
        }
    }
    return file;
}

std::string File::FinalPath() const {
    return win32::FinalPathOf(ToHandle(handle_));
}

size_t File::Read(void* buffer, size_t count) {
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(ToHandle(handle_), out + total, chunk, &got, nullptr)) {
            throw Error(platform::ErrorText(static_cast<int>(GetLastError())));
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

size_t File::Write(const void* data, size_t count) {
    size_t total = 0;
    const auto* in = static_cast<const char*>(data);
    while (total < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(ToHandle(handle_), in + total, chunk, &put, nullptr)) {
            throw Error(platform::ErrorText(static_cast<int>(GetLastError())));
        }
        if (put == 0) break;
        total += put;
    }
    return total;
}

void File::Seek(int64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = position;
    if (!SetFilePointerEx(ToHandle(handle_), to, nullptr, FILE_BEGIN)) {
        throw Error(platform::ErrorText(static_cast<int>(GetLastError())));
    }
}

int64_t File::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(ToHandle(handle_), &size)) {
        throw Error(platform::ErrorText(static_cast<int>(GetLastError())));
    }
    return size.QuadPart;
}

void File::Truncate() {
    if (!SetEndOfFile(ToHandle(handle_))) {
        throw Error(platform::ErrorText(static_cast<int>(GetLastError())));
    }
}

void File::Close() {
    if (handle_ != kInvalid) CloseHandle(ToHandle(std::exchange(handle_, kInvalid)));
}

}  // namespace zr::platform

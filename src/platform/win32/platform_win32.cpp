#include <windows.h>

#include <memory>
#include <utility>

#include "platform/error.h"
#include "platform/make_folders.h"
#include "platform/platform.h"
#include "platform/win32/asked_text.h"
#include "platform/win32/private_folder.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide.h"

namespace zr::platform {
namespace win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace win32

namespace {

using win32::AskForText;
using win32::Narrow;
using win32::Widen;

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

HANDLE ToHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

std::string CodePageToCodePage(std::string_view text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(from, 0, text.data(), size, wide.data(), n);
    const int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

// While it lives, the system's "no disk in the drive" box stays away from this thread's calls,
// whatever mode the process is in: the call fails instead.
class NoDiskBoxes {
  public:
    NoDiskBoxes() : set_(SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_) != FALSE) {}
    NoDiskBoxes(const NoDiskBoxes&) = delete;
    NoDiskBoxes& operator=(const NoDiskBoxes&) = delete;
    ~NoDiskBoxes() {
        if (set_) SetThreadErrorMode(previous_, nullptr);
    }

  private:
    DWORD previous_ = 0;
    bool set_;
};

// Nothing when a byte sequence is not valid in the code page.
std::optional<std::wstring> StrictWiden(std::string_view text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
    return wide;
}

// Nothing when a character has no form of its own in the code page: a best fit ("a" for "á")
// or the default "?" would change the text.
std::optional<std::string> StrictNarrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // UTF-8 has every character and takes neither the best-fit flag nor the default-char check.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* defaulted = utf8 ? nullptr : &usedDefault;
    const int n =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, defaulted);
    if (n == 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), n, nullptr, defaulted);
    return out;
}

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

std::optional<VolumeSpace> QueryVolumeSpace(const std::string& root) {
    // A card reader with no card, or a stick pulled a moment ago, must answer "unknown" here
    // and not with the system's own "no disk in the drive" box, every two seconds.
    const NoDiskBoxes quiet;
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    const BOOL known = GetDiskFreeSpaceExW(Widen(root).c_str(), &freeToCaller, &total, &totalFree);
    if (!known) return std::nullopt;
    return VolumeSpace{static_cast<int64_t>(freeToCaller.QuadPart),
                       static_cast<int64_t>(total.QuadPart)};
}

std::optional<std::string> VolumeOf(const std::string& path) {
    const std::wstring wide = Widen(path);
    // No "no disk in the drive" box for an empty card reader named in the path.
    const NoDiskBoxes quiet;
    std::wstring mountPoint(wide.size() + MAX_PATH, L'\0');
    const BOOL found =
        GetVolumePathNameW(wide.c_str(), mountPoint.data(), static_cast<DWORD>(mountPoint.size()));
    std::optional<std::string> volume;
    if (found) {
        mountPoint.resize(wcslen(mountPoint.c_str()));
        wchar_t name[MAX_PATH] = {};
        // The volume's own name is the same through every letter and mount point; a volume
        // the system names no further is known by where it is mounted.
        if (GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), name, MAX_PATH)) {
            volume = Narrow(name);
        } else {
            volume = Narrow(CharUpperW(mountPoint.data()));
        }
    }
    return volume;
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

int LastErrorCode() {
    return static_cast<int>(GetLastError());
}

std::string ErrorText(int code) {
    std::string message = win32::SystemMessage(static_cast<DWORD>(code));
    if (message.empty()) return "System error " + std::to_string(code);
    return message;
}

std::string AnsiToUtf8(std::string_view ansi) {
    return CodePageToCodePage(ansi, CP_ACP, CP_UTF8);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return CodePageToCodePage(utf8, CP_UTF8, CP_ACP);
}

std::string Cp936ToUtf8(std::string_view cp936) {
    if (const auto whole = StrictWiden(cp936, 936)) return Narrow(*whole);
    std::wstring text;
    while (!cp936.empty()) {
        // A character is one or two bytes; what starts none is one byte of nothing.
        const size_t length =
            cp936.size() > 1 && IsDBCSLeadByteEx(936, static_cast<BYTE>(cp936[0])) ? 2 : 1;
        const auto character = StrictWiden(cp936.substr(0, length), 936);
        text += character.value_or(L"\uFFFD");
        cp936.remove_prefix(character ? length : 1);
    }
    return Narrow(text);
}

std::optional<std::string> Utf8ToCp936(std::string_view utf8) {
    const auto wide = StrictWiden(utf8, CP_UTF8);
    if (!wide) return std::nullopt;
    return StrictNarrow(*wide, 936);
}

int AnsiCodePage() {
    return static_cast<int>(GetACP());
}

bool FitsAnsiCodePage(std::string_view utf8) {
    const auto wide = StrictWiden(utf8, CP_UTF8);
    return wide && StrictNarrow(*wide, GetACP()).has_value();
}

std::optional<std::string> ShortPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    const auto shortPath = AskForText(
        [&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(wide.c_str(), buffer, size); });
    if (!shortPath) return std::nullopt;
    return Narrow(*shortPath);
}

std::string DecimalSeparator() {
    wchar_t separator[8] = {};
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8)) return ".";
    return Narrow(separator);
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

// ---- PrivateFolder ----

PrivateFolder PrivateFolder::Create(const std::string& path) {
    PrivateFolder folder;
    DWORD code = 0;
    const HANDLE h = win32::CreatePrivateFolder(Widen(path), win32::SystemNtCreateFile(), code);
    if (h == INVALID_HANDLE_VALUE) {
        folder.error_ = platform::ErrorText(static_cast<int>(code));
    } else {
        folder.handle_ = reinterpret_cast<intptr_t>(h);
    }
    return folder;
}

void PrivateFolder::Close() {
    if (handle_ != kInvalid) CloseHandle(ToHandle(std::exchange(handle_, kInvalid)));
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
        if (handle_ != kInvalid) CloseHandle(ToHandle(handle_));
        handle_ = std::exchange(other.handle_, kInvalid);
        ended_ = other.ended_;
        exitCode_ = other.exitCode_;
        errorCode_ = other.errorCode_;
        error_ = std::move(other.error_);
    }
    return *this;
}

Process::~Process() {
    if (handle_ != kInvalid) CloseHandle(ToHandle(handle_));
}

Process Process::StartHidden(const std::string& application, const std::string& commandLine) {
    Process process;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    std::wstring line = Widen(commandLine);  // CreateProcessW may write into it
    line.push_back(L'\0');
    // No console window at all (a hidden console child can still show up in Windows 11's
    // terminal, whose close box would end a format midway), and none of our handles.
    if (!CreateProcessW(Widen(application).c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        process.errorCode_ = static_cast<int>(GetLastError());
        process.error_ = platform::ErrorText(process.errorCode_);
        return process;
    }
    CloseHandle(info.hThread);
    process.handle_ = reinterpret_cast<intptr_t>(info.hProcess);
    return process;
}

Process::State Process::WaitFor(int milliseconds) {
    if (handle_ == kInvalid) return State::Failed;
    if (ended_) return State::Ended;
    switch (WaitForSingleObject(ToHandle(handle_), static_cast<DWORD>(milliseconds))) {
        case WAIT_TIMEOUT:
            return State::Running;
        case WAIT_OBJECT_0: {
            DWORD code = 0;
            GetExitCodeProcess(ToHandle(handle_), &code);
            exitCode_ = code;
            ended_ = true;
            return State::Ended;
        }
        default:
            return State::Failed;
    }
}

}  // namespace zr::platform

namespace zr::platform::win32 {

std::string SystemMessage(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(text, &LocalFree);
    std::wstring_view message(text ? text : L"", n);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.remove_suffix(1);
    }
    return Narrow(message);
}

}  // namespace zr::platform::win32

// Held folders on Windows: everything in them opened relative to their handle through ntdll,
// with FILE_OPEN_REPARSE_POINT so that a link is met as itself, and deleted through its own
// handle.

#include <windows.h>

#include <winternl.h>

#include <type_traits>
#include <vector>

#include "platform/folder.h"
#include "platform/win32/asked_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/private_folder.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

namespace zr::platform {
namespace {

using win32::DosError;
using win32::Handle;
using win32::Narrow;
using win32::ToHandle;

// ntdll's own constants (ntifs.h, ntstatus.h), which MinGW's headers leave out.
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kSynchronousIo = 0x00000020;
constexpr ULONG kOpenForBackup = 0x00004000;
constexpr ULONG kOpenReparsePoint = 0x00200000;
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FileDispositionInfoEx (Windows 10 1607 and later): the name goes at once rather than when
// the last handle closes, and read-only is no obstacle when asked.
constexpr auto kDispositionEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosix = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

using NtOpenFileCall = NTSTATUS NTAPI(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                      ULONG, ULONG);

// Opens name inside the folder root itself: a link is opened, not what it leads to.
NTSTATUS OpenInside(HANDLE root, const std::string& name, ACCESS_MASK access, ULONG share,
                    ULONG options, Handle& opened) {
    static const auto open =
        win32::ExportOf<NtOpenFileCall>(GetModuleHandleW(L"ntdll.dll"), "NtOpenFile");
    if (!open) return static_cast<NTSTATUS>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
    std::wstring relative = win32::Widen(name);
    const auto bytes = static_cast<USHORT>(relative.size() * sizeof(wchar_t));
    UNICODE_STRING objectName{bytes, bytes, relative.data()};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, root, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE h = nullptr;
    const NTSTATUS status = open(&h, access | SYNCHRONIZE, &attributes, &io, share,
                                 options | kOpenReparsePoint | kSynchronousIo | kOpenForBackup);
    if (status >= 0) opened.reset(h);
    return status;
}

// The basic class, which every file system answers: FAT and exFAT refuse the attribute-tag one.
DWORD AttributesOf(HANDLE h) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info)) return 0;
    return info.FileAttributes;
}

bool Delete(HANDLE h, bool evenReadOnly) {
    struct {
        DWORD Flags;
    } ex{kDispositionDelete | kDispositionPosix | (evenReadOnly ? kDispositionIgnoreReadOnly : 0)};
    if (SetFileInformationByHandle(h, kDispositionEx, &ex, sizeof ex)) return true;
    // Older systems: clear read-only first, and the name goes once this handle closes.
    FILE_BASIC_INFO basic{};
    if (evenReadOnly && GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO plain{TRUE};
    return SetFileInformationByHandle(h, FileDispositionInfo, &plain, sizeof plain) != FALSE;
}

void Fail(DWORD code, std::string& error) {
    SetLastError(code);
    error = platform::ErrorText(static_cast<int>(code));
}

}  // namespace

namespace win32 {

// Normalised where the file system can say it; some drivers (RAM disks, virtual drives) can
// only give the name as opened, which still has every link on the way resolved.
std::string FinalPathOf(HANDLE h) {
    auto path = AskForText([&](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(h, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (!path) {
        path = AskForText([&](wchar_t* buffer, DWORD size) {
            return GetFinalPathNameByHandleW(h, buffer, size, FILE_NAME_OPENED | VOLUME_NAME_DOS);
        });
    }
    if (!path) return {};
    std::wstring_view text = *path;
    if (text.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Narrow(text.substr(8));
    if (text.starts_with(L"\\\\?\\")) text.remove_prefix(4);
    return Narrow(text);
}

}  // namespace win32

Folder Folder::Open(const std::string& path) {
    Folder folder;
    // No delete sharing: held, it cannot be renamed or removed, and NTFS renames no folder
    // above a handle that is open.
    Handle h(CreateFileW(win32::Widen(path).c_str(),
                         FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        h.release();
        Fail(GetLastError(), folder.error_);
        return folder;
    }
    if (!(AttributesOf(h.get()) & FILE_ATTRIBUTE_DIRECTORY)) {
        Fail(ERROR_DIRECTORY, folder.error_);
        return folder;
    }
    folder.handle_ = reinterpret_cast<intptr_t>(h.release());
    return folder;
}

void Folder::Close() {
    if (handle_ != kInvalid) CloseHandle(ToHandle(std::exchange(handle_, kInvalid)));
}

std::string Folder::FinalPath() const {
    std::string path = win32::FinalPathOf(ToHandle(handle_));
    if (!path.empty() && !path.ends_with('\\')) path += '\\';
    return path;
}

std::vector<FolderEntry> Folder::List() const {
    std::vector<FolderEntry> entries;
    std::vector<unsigned char> buffer(64 * 1024);
    for (auto kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(ToHandle(handle_), kind, buffer.data(),
                                          static_cast<DWORD>(buffer.size()))) {
            break;
        }
        for (size_t at = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                entries.push_back({Narrow(name), info->FileAttributes,
                                   (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
            }
            if (info->NextEntryOffset == 0) break;
            at += info->NextEntryOffset;
        }
    }
    return entries;
}

bool Folder::Has(const std::string& name) const {
    Handle entry;
    const NTSTATUS status =
        OpenInside(ToHandle(handle_), name, FILE_READ_ATTRIBUTES, kShareAll, 0, entry);
    return status != kNameNotFound && status != kPathNotFound;
}

Folder Folder::OpenChild(const std::string& name) const {
    Folder child;
    Handle h;
    const NTSTATUS status = OpenInside(ToHandle(handle_), name,
                                       FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, kDirectoryFile, h);
    if (status < 0) {
        Fail(DosError(status), child.error_);
        return child;
    }
    // A link was opened as itself: what it leads to is not ours to walk.
    if (AttributesOf(h.get()) & FILE_ATTRIBUTE_REPARSE_POINT) {
        Fail(ERROR_CANT_ACCESS_FILE, child.error_);
        return child;
    }
    child.handle_ = reinterpret_cast<intptr_t>(h.release());
    return child;
}

bool KeepsAccessRules(const Folder& folder) {
    DWORD flags = 0;
    return GetVolumeInformationByHandleW(ToHandle(folder.NativeHandle()), nullptr, 0, nullptr,
                                         nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS) != 0;
}

bool Folder::RemoveChild(const std::string& name, bool evenReadOnly) const {
    Handle entry;
    const NTSTATUS status =
        OpenInside(ToHandle(handle_), name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                   kShareAll, 0, entry);
    if (status < 0) {
        SetLastError(DosError(status));
        return false;
    }
    return Delete(entry.get(), evenReadOnly);
}

Folder Folder::CreatePrivateChild(const std::string& name) const {
    Folder child;
    DWORD code = 0;
    const HANDLE h = win32::CreatePrivateFolder(ToHandle(handle_), win32::Widen(name),
                                                win32::SystemNtCreateFile(), code);
    if (h == INVALID_HANDLE_VALUE) {
        Fail(code, child.error_);
        return child;
    }
    child.handle_ = reinterpret_cast<intptr_t>(h);
    return child;
}

}  // namespace zr::platform

#include "platform/win32/private_folder.h"

#include <sddl.h>

#include <memory>
#include <type_traits>

#include "platform/win32/system_library.h"

namespace zr::platform::win32 {
namespace {

// ntdll's own constants (ntifs.h), which MinGW's winternl.h leaves out.
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kSynchronousIo = 0x00000020;
constexpr ULONG kOpenReparsePoint = 0x00200000;
constexpr ULONG kCreateNew = 0x00000002;  // FILE_CREATE

template <typename Function>
Function* NtdllExport(const char* name) {
    return ExportOf<Function>(GetModuleHandleW(L"ntdll.dll"), name);
}

}  // namespace

NtCreateFileCall SystemNtCreateFile() {
    return NtdllExport<std::remove_pointer_t<NtCreateFileCall>>("NtCreateFile");
}

DWORD DosError(NTSTATUS status) {
    static const auto convert = NtdllExport<ULONG NTAPI(NTSTATUS)>("RtlNtStatusToDosError");
    return convert ? convert(status) : ERROR_GEN_FAILURE;
}

HANDLE CreatePrivateFolder(HANDLE parent, const std::wstring& name, NtCreateFileCall create,
                           DWORD& errorCode) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSddl, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        errorCode = GetLastError();
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    if (!create) {
        errorCode = ERROR_PROC_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::wstring relative = name;
    UNICODE_STRING objectName{static_cast<USHORT>(relative.size() * sizeof(wchar_t)),
                              static_cast<USHORT>(relative.size() * sizeof(wchar_t)),
                              relative.data()};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, descriptor);
    IO_STATUS_BLOCK io{};
    HANDLE folder = INVALID_HANDLE_VALUE;
    const NTSTATUS status = create(
        &folder,
        FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
        &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
        kCreateNew, kDirectoryFile | kSynchronousIo | kOpenReparsePoint, nullptr, 0);
    if (status < 0) {
        errorCode = DosError(status);
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

}  // namespace zr::platform::win32

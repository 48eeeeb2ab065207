#pragma once

// How a private folder is made on Windows, apart so that tests can see what is asked of the
// system: Wine keeps no security descriptors, so reading one back there proves nothing.

#include <windows.h>

#include <winternl.h>

#include <string>

namespace zr::platform::win32 {

// Owner Administrators; full control for the system and for Administrators, and for nobody
// else; nothing inherited from the folder above. What is made inside inherits the same.
inline constexpr wchar_t kPrivateFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                          PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                          ULONG, PVOID, ULONG);

// The system's NtCreateFile, which ntdll (always in every process) exports.
NtCreateFileCall SystemNtCreateFile();

// The system's error code for an NTSTATUS.
DWORD DosError(NTSTATUS status);

// Creates the folder called name inside the held folder parent and opens it in one step, with
// that descriptor, for listing and without delete sharing. A name that exists already, as a
// folder, a file or a link, is refused: the step cannot be raced by a folder or a junction put
// there in between. The handle, or INVALID_HANDLE_VALUE with the system's error code in
// errorCode.
HANDLE CreatePrivateFolder(HANDLE parent, const std::wstring& name, NtCreateFileCall create,
                           DWORD& errorCode);

}  // namespace zr::platform::win32

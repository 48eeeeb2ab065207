#include "platform/win32/system_library.h"

#include <string>

namespace zr::platform::win32 {
namespace {

// Not in every Windows 7 (it came with update KB2533623), so asked for by name.
using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Windows 10 22H2 and 11 keep a process that asks for it from following a junction that a user
// without administrator rights made (RedirectionGuard); older systems refuse the policy.
using ProcessMitigationFn = BOOL WINAPI(int, PVOID, SIZE_T);
constexpr int kRedirectionTrustPolicy = 16;  // ProcessRedirectionTrustPolicy
constexpr DWORD kEnforceRedirectionTrust = 0x1;

ProcessMitigationFn* KernelExport(const char* name) {
    return ExportOf<ProcessMitigationFn>(GetModuleHandleW(L"kernel32.dll"), name);
}

std::wstring SystemPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::wstring(folder, n) + L"\\" + name;
}

}  // namespace

void HardenProcess() {
    auto* setDefaultDllDirectories = ExportOf<SetDefaultDllDirectoriesFn>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(kSearchSystem32)) {
        // Without it, at least the current folder leaves the search path.
        SetDllDirectoryW(L"");
    }
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (auto* set = KernelExport("SetProcessMitigationPolicy")) {
        DWORD policy = kEnforceRedirectionTrust;
        set(kRedirectionTrustPolicy, &policy, sizeof policy);
    }
}

bool RedirectionGuardOn() {
    auto* get = ExportOf<BOOL WINAPI(HANDLE, int, PVOID, SIZE_T)>(GetModuleHandleW(L"kernel32.dll"),
                                                                  "GetProcessMitigationPolicy");
    DWORD policy = 0;
    return get && get(GetCurrentProcess(), kRedirectionTrustPolicy, &policy, sizeof policy) &&
           (policy & kEnforceRedirectionTrust);
}

SystemLibrary::SystemLibrary(const wchar_t* name) {
    module_ = LoadLibraryExW(name, nullptr, kSearchSystem32);
    if (!module_ && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A Windows 7 that does not know the flag: name the file in System32 outright.
        const std::wstring path = SystemPath(name);
        if (!path.empty())
            module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

SystemLibrary::~SystemLibrary() {
    if (module_) FreeLibrary(module_);
}

}  // namespace zr::platform::win32

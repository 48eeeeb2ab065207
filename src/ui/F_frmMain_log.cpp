// The main window's lines in the operation log: the start line, with what a report needs to
// know of this Windows, and the disk list each time it changes.

#include <shlwapi.h>

#include "disk/win32/wmi_locator.h"
#include "package/package_pin.h"
#include "platform/platform.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"
#include "ui/F_frmMain.h"
#include "zr_version.h"

namespace zr::ui {

namespace {

// "10.0.22631": the version the system says it is, which RtlGetVersion tells as it is.
std::string WindowsVersion() {
    auto* getVersion = platform::win32::ExportOf<LONG WINAPI(OSVERSIONINFOW*)>(
        GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!getVersion || getVersion(&version) != 0) return "?";
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) +
           "." + std::to_string(version.dwBuildNumber);
}

// "6.10 (C:\Windows\WinSxS\...\comctl32.dll)": which common controls the manifest brought
// in, those of the program's own calls (other DLLs may have loaded another comctl32 as well).
std::string CommonControlsVersion() {
    HMODULE controls = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&InitCommonControlsEx)), &controls)) {
        return "?";
    }
    auto* getVersion =
        platform::win32::ExportOf<HRESULT CALLBACK(DLLVERSIONINFO*)>(controls, "DllGetVersion");
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    std::string text = "?";
    if (getVersion && SUCCEEDED(getVersion(&version))) {
        text =
            std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion);
    }
    wchar_t file[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(controls, file, MAX_PATH);
    return text + " (" + platform::win32::Narrow(std::wstring_view(file, n)) + ")";
}

std::string JoinEntries(const std::vector<disk::TUsbDiskInfo>& disks) {
    if (disks.empty()) return std::string(disk::kNoDiskEntry);
    std::string text;
    for (const auto& each : disks) {
        text += (text.empty() ? "" : " | ") + disk::FormatDiskEntry(each) + " " + each.DeviceId +
                " (disk " + each.DiskNumber + ")";
    }
    return text;
}

}  // namespace

void TfrmMain::LogStart() {
    Log("start: ZiRuri " ZR_VERSION_TEXT ", Windows " + WindowsVersion() + ", code page " +
        std::to_string(platform::AnsiCodePage()) + ", common controls " + CommonControlsVersion() +
        ", data folder " + FDataDir + ", package pin " +
        zr::PinnedPackageDigest().value_or("none") + ", redirection guard " +
        (platform::win32::RedirectionGuardOn() ? "on" : "off"));
}

void TfrmMain::RefreshDiskList() {
    try {
        FDisks = disk::RefreshDiskList(diskList_, disk::win32::CreateWmiLocator);
    } catch (const std::exception& error) {
        Log(std::string("disks: the refresh failed: ") + error.what());
        throw;
    }
    if (std::string entries = JoinEntries(FDisks); entries != FLoggedDisks) {
        Log("disks: " + entries);
        FLoggedDisks = std::move(entries);
    }
}

}  // namespace zr::ui

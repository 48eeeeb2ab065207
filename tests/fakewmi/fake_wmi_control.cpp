#include "fake_wmi_control.h"

#include <windows.h>

#include <winioctl.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "platform/platform.h"
#include "platform/win32/wide.h"

namespace zr::test::fakewmi {
namespace {

using platform::win32::Widen;

// GetProcAddress answers with a generic function pointer; this casts it to the export's type.
template <class Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct LibraryFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFree>;

void CallExport(const char* name) {
    Library dll(LoadLibraryW(Widen(DllPath()).c_str()));
    if (!dll) throw std::runtime_error("cannot load " + DllPath());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = Export<Entry>(dll.get(), name);
    if (!entry || FAILED(entry())) throw std::runtime_error(std::string(name) + " failed");
}

void SetVariable(const wchar_t* name, const std::string& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : Widen(value).c_str());
}

// Wine's mount manager interface (include/ddk/mountmgr.h of Wine 8; MinGW's copy is older).
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

// DRIVE_NO_ROOT_DIR removes the letter.
void DefineDrive(char letter, UINT type, const std::string& unixFolder) {
    std::vector<char> request(sizeof(UnixDrive) + unixFolder.size() + 1, '\0');
    auto* drive = reinterpret_cast<UnixDrive*>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter - 'A' + 'a');
    if (!unixFolder.empty()) {
        drive->mountPointOffset = sizeof(UnixDrive);
        std::memcpy(request.data() + sizeof(UnixDrive), unixFolder.c_str(), unixFolder.size());
    }
    HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) throw std::runtime_error("no mount manager (not Wine?)");
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    if (!ok) throw std::runtime_error("the mount manager refused drive " + std::string(1, letter));
}

std::string UnixPathOf(const std::string& windowsPath) {
    using Converter = char*(CDECL*)(LPCWSTR);
    const auto convert =
        Export<Converter>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!convert) throw std::runtime_error("not running under Wine");
    char* path = convert(Widen(windowsPath).c_str());
    if (!path) throw std::runtime_error("no host path for " + windowsPath);
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

}  // namespace

std::string DllPath() {
    // Built next to the tests; its host path is fixed when the build is configured.
    std::string path = "Z:";
    for (const char c : std::string(ZR_FAKEWMI_DLL)) path += c == '/' ? '\\' : c;
    return path;
}

Registration::Registration() {
    CallExport("DllRegisterServer");
}

Registration::~Registration() {
    try {
        CallExport("DllUnregisterServer");
    } catch (const std::exception&) {
        // Nothing better to do in a destructor; the next Registration overwrites the keys.
    }
}

void RestoreSystemLocator() {
    CallExport("DllUnregisterServer");
}

Scenario::Scenario(const std::string& folder)
    : path_(folder + "fakewmi-scenario.txt"), log_(folder + "fakewmi-calls.log") {
    Write("");
    ClearLog();
    SetVariable(L"ZR_FAKEWMI_SCENARIO", path_);
    SetVariable(L"ZR_FAKEWMI_LOG", log_);
}

Scenario::~Scenario() {
    SetVariable(L"ZR_FAKEWMI_SCENARIO", "");
    SetVariable(L"ZR_FAKEWMI_LOG", "");
    platform::RemoveFile(path_);
    platform::RemoveFile(log_);
}

void Scenario::Write(const std::string& text) const {
    // Written aside and moved in, so that a refresh never reads half a scenario.
    const std::string fresh = path_ + ".new";
    {
        auto file = platform::File::Open(fresh, platform::File::Access::CreateExclusive);
        if (!file.IsOpen()) throw std::runtime_error("cannot write " + fresh);
        file.Write(text.data(), text.size());
    }
    if (!MoveFileExW(Widen(fresh).c_str(), Widen(path_).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::runtime_error("cannot replace " + path_);
    }
}

std::vector<std::string> Scenario::Calls() const {
    std::vector<std::string> lines;
    auto file = platform::File::Open(log_, platform::File::Access::ReadShared);
    if (!file.IsOpen()) return lines;
    std::string text(static_cast<size_t>(file.Size()), '\0');
    text.resize(file.Read(text.data(), text.size()));
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

void Scenario::ClearLog() const {
    auto file = platform::File::Open(log_, platform::File::Access::CreateExclusive);
    if (!file.IsOpen()) throw std::runtime_error("cannot write " + log_);
}

std::string AssociationRow(const std::string& partitionKey, const std::string& volume) {
    return "[Win32_LogicalDiskToPartition]\n"
           "Antecedent=\\\\ZR-PC\\root\\cimv2:Win32_DiskPartition.DeviceID=\"" +
           partitionKey +
           "\"\n"
           "Dependent=\\\\ZR-PC\\root\\cimv2:Win32_LogicalDisk.DeviceID=\"" +
           volume + "\"\n";
}

std::string DriveRow(int number, const std::string& interfaceType, const std::string& pnpDeviceId) {
    return "[Win32_DiskDrive]\nName=\\\\.\\PHYSICALDRIVE" + std::to_string(number) +
           "\nInterfaceType=" + interfaceType + "\nPNPDeviceID=" + pnpDeviceId + "\n";
}

std::string StorageDiskRow(int number, int busType) {
    return "[MSFT_Disk]\nNumber=" + std::to_string(number) +
           "\nBusType=" + std::to_string(busType) + "\n";
}

std::string VolumeRow(const std::string& root, int64_t total) {
    return "[Volume]\nRoot=" + root + "\nTotal=" + std::to_string(total) + "\n";
}

MappedDrive::MappedDrive(char letter, const std::string& folder) : letter_(letter) {
    if (GetLogicalDrives() & (1u << (letter - 'A'))) {
        throw std::runtime_error("drive " + root() + " exists already");
    }
    DefineDrive(letter, DRIVE_REMOVABLE, UnixPathOf(folder));
}

MappedDrive::~MappedDrive() {
    try {
        DefineDrive(letter_, DRIVE_NO_ROOT_DIR, "");
    } catch (const std::exception&) {
        // The link stays in the prefix; the next MappedDrive of this letter reports it.
    }
}

}  // namespace zr::test::fakewmi

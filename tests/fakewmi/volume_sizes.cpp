// The sizes of a scenario's [Volume] rows, answered in place of the file system's. The program
// asks GetDiskFreeSpaceExW through its import table, so that is where this answer goes in; the
// file systems of the test machine have no size a test could choose.

#include "volume_sizes.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>

#include "scenario.h"

namespace fakewmi {
namespace {

using SizeQuery = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
SizeQuery gSystemQuery = nullptr;

std::optional<std::wstring> Property(const Row& row, const std::wstring& name) {
    for (const auto& [key, value] : row.properties) {
        if (Lower(key) == Lower(name)) return value;
    }
    return std::nullopt;
}

struct Space {
    ULONGLONG total = 0;
    ULONGLONG free = 0;
};

std::optional<Space> ScenarioSpace(LPCWSTR root) {
    Scenario scenario;
    std::wstring error;
    if (!root || !LoadScenario(scenario, error)) return std::nullopt;
    for (const Row& row : scenario.volumes) {
        if (Lower(Property(row, L"Root").value_or(L"")) != Lower(root)) continue;
        Space space;
        space.total = std::wcstoull(Property(row, L"Total").value_or(L"0").c_str(), nullptr, 10);
        space.free = std::wcstoull(Property(row, L"Free").value_or(L"0").c_str(), nullptr, 10);
        return space;
    }
    return std::nullopt;
}

BOOL WINAPI QuerySpace(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                       PULARGE_INTEGER totalFree) {
    const std::optional<Space> space = ScenarioSpace(root);
    if (!space) return gSystemQuery(root, freeToCaller, total, totalFree);
    if (freeToCaller) freeToCaller->QuadPart = space->free;
    if (total) total->QuadPart = space->total;
    if (totalFree) totalFree->QuadPart = space->free;
    return TRUE;
}

// The slot of kernel32's GetDiskFreeSpaceExW in the import table of the process's program.
ULONG_PTR* ImportSlot() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "kernel32.dll") != 0 ||
            library->OriginalFirstThunk == 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(name->Name), "GetDiskFreeSpaceExW") ==
                0) {
                return &slots->u1.Function;
            }
        }
    }
    return nullptr;
}

}  // namespace

void AnswerVolumeSizes() {
    static std::once_flag once;
    std::call_once(once, [] {
        ULONG_PTR* slot = ImportSlot();
        if (!slot) return;
        DWORD protection = 0;
        if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return;
        gSystemQuery = reinterpret_cast<SizeQuery>(*slot);
        *slot = reinterpret_cast<ULONG_PTR>(&QuerySpace);
        VirtualProtect(slot, sizeof *slot, protection, &protection);
        // The program's import table leads here now: this DLL stays loaded for good.
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&QuerySpace), &self);
    });
}

}  // namespace fakewmi

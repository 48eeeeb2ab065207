#pragma once

// DLLs that the program loads itself. It runs as administrator from wherever the user put it
// (usually the Downloads folder): a DLL found anywhere but in System32 could be one somebody
// planted there, so nothing is ever looked up along the usual search path.

#include <windows.h>

namespace zr::platform::win32 {

// Loads only from System32 from now on, for this process and every DLL it loads later, and
// keeps the system's own "no disk in the drive" and "cannot open file" boxes from ever showing:
// an empty card reader or a stick pulled midway answers as a failed call instead; and, where
// the system has it, follows no junction that a user without administrator rights made. The
// first thing the program does.
void HardenProcess();
// Whether the system keeps this process from following junctions that users without
// administrator rights made (Windows 10 22H2, Windows 11); the log says so at the start.
bool RedirectionGuardOn();

// An export by name of a module that is loaded already (ntdll, kernel32, a DLL found by an
// address in it), for what not every Windows has; null when the module or the export is
// missing.
template <typename Function>
Function* ExportOf(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A DLL from System32, with its dependencies from there too; freed with the object.
class SystemLibrary {
  public:
    explicit SystemLibrary(const wchar_t* name);
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    ~SystemLibrary();

    bool Loaded() const { return module_ != nullptr; }

    // An export by name; null when the DLL or the export is missing.
    template <typename Function>
    Function* Find(const char* name) const {
        return ExportOf<Function>(module_, name);
    }

  private:
    HMODULE module_ = nullptr;
};

}  // namespace zr::platform::win32

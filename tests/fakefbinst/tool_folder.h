#pragma once

// Where the stand-in fbinst.exe keeps its log and reads its scenario. The program starts the
// tool with the system's environment only, so the folder is named in a file of the Windows
// folder rather than in a variable.

#include <windows.h>

#include <cstdio>
#include <string>

namespace zr::test {

inline std::wstring FakeToolPointer() {
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, n < MAX_PATH ? n : 0) + L"\\zr-fakefbinst.txt";
}

// folder is a Windows path in UTF-8; empty forgets it.
inline void SetFakeToolFolder(const std::string& folder) {
    if (folder.empty()) {
        DeleteFileW(FakeToolPointer().c_str());
        return;
    }
    if (FILE* file = _wfopen(FakeToolPointer().c_str(), L"wb")) {
        std::fwrite(folder.data(), 1, folder.size(), file);
        std::fclose(file);
    }
}

}  // namespace zr::test

#pragma once

// Whether this program runs under Wine (never in the native build).

#ifdef _WIN32
#include <windows.h>
#endif

namespace zr::test {

inline bool UnderWine() {
#ifdef _WIN32
    return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace zr::test

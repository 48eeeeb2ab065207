#pragma once

// Owners of the kernel handles the platform layer opens.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

namespace zr::platform::win32 {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

// A handle from CreateFileW and friends, owned; empty for INVALID_HANDLE_VALUE.
inline Handle Owned(HANDLE h) {
    return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

inline HANDLE ToHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// Where an open file or folder is, as the file system names it now (links resolved), in the
// drive form ("C:\a\b") or as a share ("\\server\share\b"); empty when the system cannot
// say.
std::string FinalPathOf(HANDLE h);

}  // namespace zr::platform::win32

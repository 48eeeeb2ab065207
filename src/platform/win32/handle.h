#pragma once

// Owners of the kernel handles the platform layer opens.

#include <windows.h>

#include <cstdint>
#include <memory>
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

}  // namespace zr::platform::win32

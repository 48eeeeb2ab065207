#pragma once

// Calls that write a text into the caller's buffer and answer, when it is too small, the size
// it would need: GetTempPathW, GetShortPathNameW, GetFullPathNameW. A path may be longer than
// MAX_PATH (a long %TMP%, a deep folder), and then the call is asked again with that size.

#include <windows.h>

#include <optional>
#include <string>

namespace zr::platform::win32 {

// ask(buffer, size) answers the length it wrote, the size it needs when that is more than
// size, or 0 on failure (nothing then).
template <typename Ask>
std::optional<std::wstring> AskForText(Ask ask) {
    std::wstring text(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD n = ask(text.data(), static_cast<DWORD>(text.size()));
        if (n == 0) return std::nullopt;
        if (n < text.size()) {
            text.resize(n);
            return text;
        }
        // n counts the terminating null; one more makes sure the buffer grows however a call
        // counts it.
        text.resize(size_t{n} + 1);
    }
}

}  // namespace zr::platform::win32

#pragma once

// UTF-8 inside the program, UTF-16 at the Win32 API: the conversions happen here only.

#include <string>
#include <string_view>

namespace zr::platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace zr::platform::win32

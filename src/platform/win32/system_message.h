#pragma once

#include <string>

namespace zr::platform::win32 {

// The system's text for an error or HRESULT code, in UTF-8 without its closing line break;
// empty when the system's message table has none (WMI's own codes, for one).
std::string SystemMessage(unsigned long code);

}  // namespace zr::platform::win32

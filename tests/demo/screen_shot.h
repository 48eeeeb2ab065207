#pragma once

// Pictures of what the screen shows, for the demo's and the README's screenshots: a part of
// the screen copied through the screen's device context and saved as a PNG file.

#include <windows.h>

#include <initializer_list>
#include <string>

namespace zr::demo {

// The union of the windows' frames, as the screen shows them; null windows are left out.
RECT FramesOf(std::initializer_list<HWND> windows);

// Saves that part of the screen to path (a Windows path) as an 8-bit RGB PNG; throws when the
// screen cannot be read or the file cannot be written.
void SaveScreenArea(const RECT& area, const std::string& path);

}  // namespace zr::demo

#pragma once

// Where the main window opens: inside the work area of its monitor. Portable, so that the
// geometry is tested natively.

namespace zr::widgets {

// Screen pixels, right and bottom excluded, as Win32 has them.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The window moved, not resized, as little as it takes to lie inside the work area. A window
// larger than the area cannot: its top edge then goes to the area's top and its right edge to
// the area's right, so that the caption buttons at its top right stay on screen.
ScreenRect PlaceInWorkArea(const ScreenRect& window, const ScreenRect& workArea);

}  // namespace zr::widgets

#pragma once

// The DPI a window is shown at, and what its layout needs at it: the layout's 96-DPI units
// (scale.h) as pixels, the frame around a client area, and fonts made for one DPI at a time.
// The calls that Windows 7 lacks are looked up by name; there the system's one DPI holds.

#include <windows.h>

#include <string>
#include <vector>

#include "widgets/gdi.h"
#include "widgets/scale.h"

namespace zr::widgets {

// The DPI of the window's monitor (Windows 10 1607 and later), of its monitor by shcore
// (Windows 8.1), or the system's (Windows 7, or no window).
int DpiOf(HWND window);

// A rectangle of 96-DPI units at dpi: its left, top, width and height each scaled, so that a
// control's size never depends on where it lies.
RECT ScaledRect(const RECT& design, int dpi);

// The window rectangle around a client rectangle, with the frame, caption and borders as
// they are at dpi (as AdjustWindowRectEx gives them at the system's DPI before Windows 10).
void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

// Lets Windows 10 1607, where the manifest's per-monitor awareness is the first version's, draw
// the window's caption and borders at its DPI too, as AdjustForDpi has them; later versions do
// that by themselves. Call it for a top-level window's WM_NCCREATE.
void ScaleFrameWithDpi(HWND window);

// Fonts by face and character height in 96-DPI pixels, each made for a DPI. A form hands out
// fonts from its set; when its DPI changes, it finds for each of its controls' fonts the same
// face and height at the new DPI.
class FontSet {
  public:
    HFONT Get(const std::string& face, int height, int dpi);
    // The font of the same face and height at dpi as one of this set's; null for another.
    HFONT Counterpart(HFONT font, int dpi);
    // Lets go of the fonts made for any other DPI.
    void KeepOnly(int dpi);

  private:
    struct Entry {
        std::string face;
        int height = 0;
        int dpi = 0;
        Font font;
    };
    std::vector<Entry> entries_;
};

}  // namespace zr::widgets

#include "widgets/placement.h"

#include <algorithm>

namespace zr::widgets {

namespace {

// The start of a span of the given size on one axis, moved into [low, high) when it fits and
// aligned to the end named by keepHigh when it does not.
int Fit(int start, int size, int low, int high, bool keepHigh) {
    if (size > high - low) return keepHigh ? high - size : low;
    return std::clamp(start, low, high - size);
}

}  // namespace

ScreenRect PlaceInWorkArea(const ScreenRect& window, const ScreenRect& workArea) {
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = Fit(window.left, width, workArea.left, workArea.right, true);
    const int top = Fit(window.top, height, workArea.top, workArea.bottom, false);
    return {left, top, left + width, top + height};
}

}  // namespace zr::widgets

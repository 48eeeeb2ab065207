// Where the main window opens on a monitor whose work area may be smaller than the window (a
// 1920 x 1080 screen at 200 % is a 960 x 540 work area to a program that is not DPI aware).

#include "widgets/placement.h"

#include <gtest/gtest.h>

#include <string>

namespace zr::widgets {
namespace {

std::string Describe(const ScreenRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

ScreenRect At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

TEST(WindowPlacement, AWindowLargerThanTheWorkAreaKeepsItsTopAndRightEdgesOnIt) {
    const ScreenRect work = At(0, 0, 960, 540);
    // Centred on the screen, an 800 x 600 window sits 30 pixels above the work area's top.
    EXPECT_EQ(Describe(PlaceInWorkArea(At(80, -30, 800, 600), work)), "80,0 800x600");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-100, 100, 1200, 300), work)), "-240,100 1200x300");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-100, -30, 1200, 600), work)), "-240,0 1200x600");
}

TEST(WindowPlacement, AWindowThatFitsIsMovedJustInside) {
    const ScreenRect work = At(0, 0, 1280, 984);  // a taskbar at the bottom
    EXPECT_EQ(Describe(PlaceInWorkArea(At(240, 212, 800, 600), work)), "240,212 800x600");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(240, 412, 800, 600), work)), "240,384 800x600");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-50, -20, 800, 600), work)), "0,0 800x600");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(600, 0, 800, 600), work)), "480,0 800x600");
}

TEST(WindowPlacement, TheWorkAreaOfAMonitorLeftOfOrAboveThePrimaryOne) {
    const ScreenRect work = At(-1024, -200, 1024, 728);
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-100, -100, 800, 600), work)), "-800,-100 800x600");
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-1100, -300, 800, 600), work)), "-1024,-200 800x600");
    const ScreenRect small = At(-960, 0, 960, 540);
    EXPECT_EQ(Describe(PlaceInWorkArea(At(-900, -30, 1000, 600), small)), "-1000,0 1000x600");
}

}  // namespace
}  // namespace zr::widgets

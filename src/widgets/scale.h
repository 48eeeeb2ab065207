#pragma once

// The units of the window's layout. Every size and position in the code is in 96-DPI units;
// the window shows them at its monitor's DPI. Portable, so that the rules are tested natively,
// and kept in step with tools/art/make_art.py, which draws the art at the same sizes.

#include <array>
#include <cstddef>

namespace zr::widgets {

inline constexpr int kDesignDpi = 96;

// value * dpi / 96, rounded half away from zero (as MulDiv rounds).
int Scaled(int value, int dpi);

// The scales, in percent, that the program's own art is drawn at (100 % is 96 DPI).
inline constexpr std::array<int, 5> kArtScales = {100, 125, 150, 175, 200};

// Which of kArtScales to draw a window at dpi from: the nearest at or above it, as shrinking
// loses less than enlarging; the largest for a DPI beyond it.
size_t ArtScaleIndex(int dpi);

}  // namespace zr::widgets

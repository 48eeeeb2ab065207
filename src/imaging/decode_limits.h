#pragma once

#include <cstdint>

namespace zr::imaging {

// A file of a few hundred bytes can claim a picture of gigabytes. Decoders refuse more pixels
// than this (256 MB at 4 bytes a pixel); for a GIF it bounds all its frames together, since
// every frame keeps a whole canvas.
inline constexpr int64_t kMaxPixels = int64_t{1} << 26;

}  // namespace zr::imaging

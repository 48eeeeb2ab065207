#pragma once

#include <cstddef>
#include <cstdint>

namespace zr::imaging {

// A file of a few hundred bytes can claim a picture of gigabytes. Decoders refuse more pixels
// than this (256 MB at 4 bytes a pixel); for a GIF it bounds all its frames together, since
// every frame keeps a whole canvas.
inline constexpr int64_t kMaxPixels = int64_t{1} << 26;

// The pixel limit cannot stop a GIF of a 1 x 1 screen whose frames take a few bytes each: a
// small file would still make millions of frames. No wait animation comes near this many.
inline constexpr size_t kMaxFrames = 4096;

}  // namespace zr::imaging

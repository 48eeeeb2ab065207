#pragma once

#include <cstddef>
#include <cstdint>

namespace zr::imaging {

// A file of a few hundred bytes can claim a picture of gigabytes. Decoders refuse more pixels
// than this (256 MB at 4 bytes a pixel); for a GIF it bounds all its frames together, since
// every frame keeps a whole canvas.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr int64_t kMaxPixels = int64_t{1} << 26;
#else
// Under the fuzzer a sixty-fourth of it: the same checks, met by inputs that take milliseconds
// instead of seconds to fill their canvases, so that a run tries far more of them. The tests
// and the replay of the fuzzers' inputs keep the real limit.
inline constexpr int64_t kMaxPixels = int64_t{1} << 20;
#endif

// The pixel limit cannot stop a GIF of a 1 x 1 screen whose frames take a few bytes each: a
// small file would still make millions of frames. No wait animation comes near this many.
inline constexpr size_t kMaxFrames = 4096;

// libjpeg's own memory, besides the decoded pixels: a progressive JPEG keeps every coefficient of
// up to ten components until its last scan, which the pixel count alone does not bound. It gets
// the same budget as the pixels.
inline constexpr int64_t kMaxJpegMemory = kMaxPixels * 4;

// Each scan of a progressive JPEG goes over the whole picture again, so a file of a few bytes a
// scan could keep the decoder busy for minutes. Encoders write about ten.
inline constexpr int kMaxJpegScans = 500;

}  // namespace zr::imaging

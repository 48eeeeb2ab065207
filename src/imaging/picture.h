#pragma once

// Decoded pictures as 32-bit pixels (0xAARRGGBB, rows top to bottom), ready for the window to
// draw. Decoding failures throw zr::Error.

#include <cstdint>
#include <string_view>
#include <vector>

namespace zr::imaging {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // width * height
};

// A JPEG file's bytes, decoded through libjpeg.
Picture DecodeJpeg(std::string_view bytes);

struct AnimationFrame {
    Picture canvas;    // the whole logical screen after this frame, disposal already applied
    int delayMs = 0;   // how long this frame stays
};

struct Animation {
    int width = 0;
    int height = 0;
    std::vector<AnimationFrame> frames;
    int loopCount = 0;  // 0: loops forever
};

// A GIF file's bytes (GIF87a or GIF89a), every frame composited onto the logical screen.
Animation DecodeGif(std::string_view bytes);

// Which frame shows after elapsedMs of playback (looping as the animation says).
size_t FrameAt(const Animation& animation, int64_t elapsedMs);

}  // namespace zr::imaging

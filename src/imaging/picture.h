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

// "Disposal already applied": a canvas is ready to show as it is. It holds this frame drawn over
// what the frames before it left behind, their disposal methods done; this frame's own disposal
// shows in the next canvas. Pixels that nothing has drawn, or that a disposal cleared, have
// alpha 0.
struct AnimationFrame {
    Picture canvas;   // the whole logical screen after this frame, disposal already applied
    int delayMs = 0;  // how long this frame stays
};

struct Animation {
    int width = 0;
    int height = 0;
    std::vector<AnimationFrame> frames;
    int loopCount = 0;  // 0: loops forever
    // Otherwise how many times it plays through in all. As in browsers, a NETSCAPE2.0 count of n
    // plays once and then n more times (n + 1 in all), and without that extension a GIF plays
    // once; afterwards it stays on its last frame.
};

// A GIF file's bytes (GIF87a or GIF89a), every frame composited onto the logical screen.
// Delays of 10 ms or less become 100 ms, as in browsers. A damaged or cut-off file gives the
// frames before the damage; one without a single complete frame throws.
Animation DecodeGif(std::string_view bytes);

// Which frame shows after elapsedMs of playback (looping as the animation says).
size_t FrameAt(const Animation& animation, int64_t elapsedMs);

}  // namespace zr::imaging

// Any bytes as a GIF from the data folder: decoding may refuse the file with the decoder's own
// error, but must never crash or run into undefined behaviour, and what it gives back must hold
// together: every canvas the size of the screen, and the frame for any moment one of them.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "imaging/picture.h"
#include "platform/error.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "gif_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zr::imaging::Animation animation;
    try {
        animation = zr::imaging::DecodeGif({reinterpret_cast<const char*>(data), size});
    } catch (const zr::Error&) {
        return 0;
    }
    if (animation.frames.empty()) Broken("an animation without frames");
    for (const auto& frame : animation.frames) {
        const auto& canvas = frame.canvas;
        if (canvas.width != animation.width || canvas.height != animation.height ||
            canvas.pixels.size() != size_t(canvas.width) * size_t(canvas.height)) {
            Broken("a canvas that is not the size of the screen");
        }
        if (frame.delayMs <= 0) Broken("a frame that never shows");
    }
    constexpr int64_t kMoments[] = {
        std::numeric_limits<int64_t>::min(), -1, 0, 10, 99, 100, 1000, 65535, 123456789,
        std::numeric_limits<int64_t>::max()};
    for (const int64_t moment : kMoments) {
        if (zr::imaging::FrameAt(animation, moment) >= animation.frames.size()) {
            Broken("FrameAt past the last frame");
        }
    }
    return 0;
}

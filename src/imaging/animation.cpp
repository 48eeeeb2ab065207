#include <algorithm>

#include "imaging/picture.h"

namespace zr::imaging {

size_t FrameAt(const Animation& animation, int64_t elapsedMs) {
    const auto& frames = animation.frames;
    int64_t cycle = 0;
    for (const AnimationFrame& frame : frames) cycle += std::max(frame.delayMs, 0);
    if (frames.size() < 2 || cycle == 0 || elapsedMs < 0) return 0;
    if (animation.loopCount > 0 && elapsedMs >= cycle * animation.loopCount) {
        return frames.size() - 1;
    }
    int64_t intoCycle = elapsedMs % cycle;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (intoCycle < frames[i].delayMs) return i;
        intoCycle -= std::max(frames[i].delayMs, 0);
    }
    return frames.size() - 1;
}

}  // namespace zr::imaging

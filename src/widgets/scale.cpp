#include "widgets/scale.h"

#include <cstdint>

namespace zr::widgets {

int Scaled(int value, int dpi) {
    const int64_t product = int64_t{value} * dpi;
    const int64_t half = product < 0 ? -kDesignDpi / 2 : kDesignDpi / 2;
    return static_cast<int>((product + half) / kDesignDpi);
}

size_t ArtScaleIndex(int dpi) {
    for (size_t i = 0; i < kArtScales.size(); ++i) {
        if (dpi * 100 <= kArtScales[i] * kDesignDpi) return i;
    }
    return kArtScales.size() - 1;
}

}  // namespace zr::widgets

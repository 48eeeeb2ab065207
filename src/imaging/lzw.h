#pragma once

// The LZW variant of GIF image data, kept apart from the container so that its code-size
// bookkeeping can be read on its own.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zr::imaging {

struct LzwResult {
    size_t written = 0;    // colour indices produced, never more than the output holds
    bool corrupt = false;  // a code that no encoder can produce stopped the decoding
};

// Codes start at minCodeSize + 1 bits, packed from the low bit of each byte, and grow to 12.
// Decoding ends at the end code, at the end of data or when out is full, whichever comes first.
LzwResult DecodeGifLzw(int minCodeSize, std::span<const uint8_t> data, std::span<uint8_t> out);

// The most colour indices that size bytes of codes can give. A frame may claim far more pixels
// than its data could ever fill; its output needs no more room than this.
size_t MaxLzwOutput(int minCodeSize, size_t size);

}  // namespace zr::imaging

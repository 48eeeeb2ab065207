// Any bytes as a JPEG from the data folder, through libjpeg: decoding may refuse the file with
// the decoder's own error (the limits of decode_limits.h among them), but must never crash, leak
// or run into undefined behaviour, and a picture it gives back has all its pixels. libjpeg itself
// is the system's, not instrumented: the fuzzer steers by the coverage of our side of it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "imaging/decode_limits.h"
#include "imaging/picture.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const zr::imaging::Picture picture =
            zr::imaging::DecodeJpeg({reinterpret_cast<const char*>(data), size});
        if (picture.width <= 0 || picture.height <= 0 ||
            int64_t{picture.width} * picture.height > zr::imaging::kMaxPixels ||
            picture.pixels.size() != size_t(picture.width) * size_t(picture.height)) {
            std::fprintf(stderr, "jpeg_fuzz: a picture of %d x %d with %zu pixels\n", picture.width,
                         picture.height, picture.pixels.size());
            std::abort();
        }
    } catch (const zr::Error&) {
    }
    return 0;
}

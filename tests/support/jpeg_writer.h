#pragma once

// JPEG files made by the tests themselves, through libjpeg.

// clang-format off
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <jpeglib.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zr::test {

// The samples of one pixel, in the order of the colour space.
using JpegSamples = std::function<std::vector<uint8_t>(int x, int y)>;

struct JpegOptions {
    J_COLOR_SPACE space = JCS_RGB;  // the order of the samples
    bool progressive = false;
    int quality = 95;
    std::vector<jpeg_scan_info> scans = {};  // its own scan script, if any, in place of libjpeg's
};

// Encoded without chroma subsampling, so that small areas keep their colour.
std::string EncodeJpeg(int width, int height, const JpegOptions& options,
                       const JpegSamples& samples);

}  // namespace zr::test

#include "screen_shot.h"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "support/program_driver.h"
#include "support/temp_folder.h"

namespace zr::demo {
namespace {

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    PutBigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

std::string EncodePng(const std::vector<uint32_t>& pixels, int width, int height) {
    // Each row: filter type 0 (none), then R, G, B of every pixel.
    std::string rows;
    rows.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        rows += '\0';
        for (int x = 0; x < width; ++x) {
            const uint32_t bgr = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                                        static_cast<size_t>(x)];
            rows += static_cast<char>(bgr >> 16);
            rows += static_cast<char>(bgr >> 8);
            rows += static_cast<char>(bgr);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("cannot compress a screenshot");
    }
    packed.resize(packedSize);

    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header += std::string{8, 2, 0, 0, 0};  // 8 bits a sample, RGB, deflate, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

}  // namespace

RECT FramesOf(std::initializer_list<HWND> windows) {
    RECT all{};
    for (HWND window : windows) {
        RECT frame{};
        if (window && GetWindowRect(window, &frame)) UnionRect(&all, &all, &frame);
    }
    return all;
}

void SaveScreenArea(const RECT& area, const std::string& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) throw std::runtime_error("nothing to take a picture of");
    test::WriteFile(path, EncodePng(e2e::ScreenPixels(area), width, height));
}

}  // namespace zr::demo

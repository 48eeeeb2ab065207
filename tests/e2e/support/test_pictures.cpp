#include "support/test_pictures.h"

#include <cstdint>
#include <vector>

#include "support/jpeg_writer.h"

namespace zr::e2e {

using namespace std::string_literals;

std::string PlainJpeg(int width, int height) {
    return test::EncodeJpeg(width, height, {}, [](int, int) {
        return std::vector<uint8_t>{90, 140, 200};
    });
}

std::string TinyGif(int width, int height) {
    auto word = [](int v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    std::string gif = "GIF89a" + word(width) + word(height);
    gif += "\x80\x00\x00"s;                                         // global table of 2 colours
    gif += "\xff\xff\xff\x00\x00\x00"s;                             // white, black
    gif += ","s + word(0) + word(0) + word(1) + word(1) + "\x00"s;  // a 1x1 image
    gif += "\x02\x02\x44\x01\x00"s;  // LZW: minimum code size 2, one pixel of colour 0
    gif += ";";
    return gif;
}

}  // namespace zr::e2e

#include "support/test_pictures.h"

// clang-format off
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <vector>

namespace zr::e2e {

using namespace std::string_literals;

std::string PlainJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.in_color_space = JCS_RGB;
    info.input_components = 3;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
    for (size_t i = 0; i < row.size(); i += 3) {
        row[i] = 90;
        row[i + 1] = 140;
        row[i + 2] = 200;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

std::string TinyGif(int width, int height) {
    auto word = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    std::string gif = "GIF89a" + word(width) + word(height);
    gif += "\x80\x00\x00"s;                       // global table of 2 colours
    gif += "\xff\xff\xff\x00\x00\x00"s;           // white, black
    gif += ","s + word(0) + word(0) + word(1) + word(1) + "\x00"s;  // a 1x1 image
    gif += "\x02\x02\x44\x01\x00"s;               // LZW: minimum code size 2, one pixel of colour 0
    gif += ";";
    return gif;
}

}  // namespace zr::e2e

#pragma once

// Picture files made by the tests themselves.

#include <string>

namespace zr::e2e {

// A JPEG of one colour.
std::string PlainJpeg(int width, int height);

// A GIF whose logical screen is width x height, holding one single-pixel frame.
std::string TinyGif(int width, int height);

}  // namespace zr::e2e

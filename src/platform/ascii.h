#pragma once

// Case rules for ASCII letters only, as Windows applies them to drive letters, extensions and
// file names of the package: bytes outside A-Z and a-z (code page 936 lead and trail bytes,
// UTF-8 sequences) are never touched.

#include <algorithm>
#include <string>
#include <string_view>

namespace zr::platform {

constexpr bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

inline std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return AsciiLower(c); });
    return text;
}

inline std::string AsciiUpper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return AsciiUpper(c); });
    return text;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

}  // namespace zr::platform

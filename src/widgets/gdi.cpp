#include "widgets/gdi.h"

#include <cstring>

#include "platform/error.h"
#include "platform/win32/wide.h"

namespace zr::widgets {

Font MakeFont(const std::string& face, int characterHeight) {
    LOGFONTW lf{};
    lf.lfHeight = -characterHeight;
    lf.lfWeight = FW_NORMAL;
    // The Chinese character set lets a system without the named face pick one that has
    // the glyphs, rather than a Western face that would show boxes.
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring name = platform::win32::Widen(face);
    wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    return Font(CreateFontIndirectW(&lf));
}

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Bitmap MakeBitmap(const imaging::Picture& picture) {
    BITMAPINFO info = TopDown32(picture.width, picture.height);
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) throw Error("Out of system resources");
    auto* out = static_cast<uint32_t*>(bits);
    const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    for (size_t i = 0; i < count && i < picture.pixels.size(); ++i) {
        const uint32_t p = picture.pixels[i];
        const uint32_t a = p >> 24;
        if (a == 255) {
            out[i] = p;
        } else {
            auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
            out[i] = (a << 24) | (scale((p >> 16) & 0xFF) << 16) | (scale((p >> 8) & 0xFF) << 8) |
                     scale(p & 0xFF);
        }
    }
    return bitmap;
}

// As LoadBitmap loads it, into a bitmap of the screen's format: that takes run-length coded
// resources, which a DIB section cannot hold (its bits are never compressed).
Bitmap LoadBitmapResource(int id) {
    Bitmap bitmap(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                  IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!bitmap) throw Error("Bitmap resource " + std::to_string(id) + " not found");
    return bitmap;
}

std::string_view ResourceBytes(int id) {
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw Error("Resource " + std::to_string(id) + " not found");
    return {static_cast<const char*>(data), SizeofResource(module, found)};
}

Canvas::Canvas(HDC compatible, int width, int height)
    : dc_(compatible), width_(width), height_(height) {
    BITMAPINFO info = TopDown32(width > 0 ? width : 1, height > 0 ? height : 1);
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    previous_ = SelectObject(dc_.Get(), bitmap_.get());
}

Canvas::~Canvas() {
    SelectObject(dc_.Get(), previous_);
}

void Canvas::BlitTo(HDC target, int x, int y) const {
    BitBlt(target, x, y, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
}

void DrawBitmapBlended(HDC target, int x, int y, HBITMAP bitmap, int width, int height) {
    const MemoryDc source(target);
    const Selection selected(source.Get(), bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(target, x, y, width, height, source.Get(), 0, 0, width, height, blend);
}

}  // namespace zr::widgets

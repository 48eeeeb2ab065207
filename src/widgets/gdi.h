#pragma once

// Owners for GDI objects and the conversions between decoded pictures and bitmaps.

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "imaging/picture.h"

namespace zr::widgets {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;

// A font by face name and character height in pixels (the height without internal leading).
Font MakeFont(const std::string& face, int characterHeight);

// The format of a 32-bit top-down bitmap of that size, as pictures are kept.
BITMAPINFO TopDown32(int width, int height);

// A 32-bit top-down DIB section of the picture, alpha premultiplied for AlphaBlend.
Bitmap MakeBitmap(const imaging::Picture& picture);

// A bitmap resource of the program file, to be read back with GetDIBits; throws zr::Error when
// it is missing.
Bitmap LoadBitmapResource(int id);
// The bytes of an RCDATA resource of the program file; throws zr::Error when it is missing.
std::string_view ResourceBytes(int id);

// A memory DC compatible with another DC, deleted with the object.
class MemoryDc {
  public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_) DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// A memory DC with a 32-bit bitmap of the given size selected into it, for drawing without
// flicker; BlitTo copies it out.
class Canvas {
  public:
    Canvas(HDC compatible, int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();
    HDC Dc() const { return dc_.Get(); }
    void BlitTo(HDC target, int x, int y) const;

  private:
    MemoryDc dc_;
    Bitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Selects an object into a DC for a scope.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, previous_); }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Draws a bitmap at x, y through its alpha (premultiplied, as MakeBitmap makes them).
void DrawBitmapBlended(HDC target, int x, int y, HBITMAP bitmap, int width, int height);

}  // namespace zr::widgets

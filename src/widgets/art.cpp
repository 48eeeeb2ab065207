#include "widgets/art.h"

#include "imaging/resample.h"
#include "widgets/gdi.h"
#include "widgets/scale.h"

namespace zr::widgets {

namespace {

constexpr uint32_t kOlive = 0x808000;

// A bitmap's pixels as 0xAARRGGBB, opaque, top row first.
imaging::Picture PictureOf(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    imaging::Picture picture{info.bmWidth, info.bmHeight,
                             std::vector<uint32_t>(static_cast<size_t>(info.bmWidth) *
                                                   static_cast<size_t>(info.bmHeight))};
    BITMAPINFO format = TopDown32(info.bmWidth, info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), picture.pixels.data(), &format,
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : picture.pixels) p |= 0xFF000000u;
    return picture;
}

imaging::Picture Load(int id, ArtKind kind) {
    if (kind == ArtKind::Jpeg) return imaging::DecodeJpeg(ResourceBytes(id));
    imaging::Picture picture = PictureOf(LoadBitmapResource(id).get());
    imaging::MakeTransparent(picture, kOlive);
    return picture;
}

}  // namespace

SIZE ArtDesignSize(int id, ArtKind kind) {
    if (kind == ArtKind::Bmp) {
        BITMAP info{};
        GetObjectW(LoadBitmapResource(id).get(), sizeof info, &info);
        return {info.bmWidth, info.bmHeight};
    }
    const imaging::Picture picture = Load(id, kind);
    return {picture.width, picture.height};
}

imaging::Picture ArtAt(int id, ArtKind kind, int dpi) {
    const size_t index = ArtScaleIndex(dpi);
    imaging::Picture drawn = Load(id + kArtIdStride * static_cast<int>(index), kind);
    if (dpi * 100 == kArtScales[index] * kDesignDpi) return drawn;
    const SIZE design = ArtDesignSize(id, kind);
    return imaging::Resample(drawn, Scaled(design.cx, dpi), Scaled(design.cy, dpi));
}

}  // namespace zr::widgets

#pragma once

// The program's own art, drawn by tools/art at each of kArtScales and carried as resources: the
// drawing for the scale at index i has the id of the 100 % drawing moved on by i times
// kArtIdStride (ZR_ART_ID in ui/resources.h). So the window shows the art as it was drawn at
// 100 to 200 %, and resamples it only at a DPI between or beyond those.

#include <windows.h>

#include "imaging/picture.h"

namespace zr::widgets {

inline constexpr int kArtIdStride = 1000;

enum class ArtKind {
    Jpeg,  // an RCDATA resource
    Bmp,   // a BITMAP resource whose olive (128, 128, 0) pixels are transparent
};

// The 100 % drawing's size: the art's size in 96-DPI units.
SIZE ArtDesignSize(int id, ArtKind kind);

// The art at dpi, exactly its design size scaled, with a bitmap's olive pixels transparent.
// Throws zr::Error when the resource is missing.
imaging::Picture ArtAt(int id, ArtKind kind, int dpi);

}  // namespace zr::widgets

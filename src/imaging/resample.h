#pragma once

// Pictures drawn again at another size, for a window shown at more (or fewer) pixels per inch
// than its pictures were made for.

#include <cstdint>

#include "imaging/picture.h"

namespace zr::imaging {

// The picture at width x height through a Catmull-Rom cubic: enlarged it stays sharp at edges
// and in text without the blocks of repeated pixels; shrunk, the filter widens with the
// factor so that every source pixel counts. Colours are weighted by their alpha, so that a
// transparent pixel's colour never bleeds into its neighbours. Throws zr::Error when the
// result would hold more pixels than a decoder may make.
Picture Resample(const Picture& source, int width, int height);

// Every pixel of the colour (0xRRGGBB, alpha ignored) becomes transparent: a bitmap with a
// transparent colour, made ready to be resampled and blended.
void MakeTransparent(Picture& picture, uint32_t rgb);

}  // namespace zr::imaging

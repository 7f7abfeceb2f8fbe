#pragma once
#include "imaging/image.h"

namespace mw {

// Returns the image turned upright for an EXIF orientation value 1..8 (1 and any other value:
// unchanged copy).
Image orientImage(const Image& image, int orientation);

// The size of the upright picture: width and height swap for orientations 5..8.
int orientedWidth(const Image& image, int orientation);
int orientedHeight(const Image& image, int orientation);

// Row y of orientImage(image, orientation) into `out` (orientedWidth pixels), without making
// the whole upright picture.
void orientedRow(const Image& image, int orientation, int y, uint8_t* out);

} // namespace mw

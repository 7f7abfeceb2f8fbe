#pragma once
#include "imaging/image.h"

namespace mw {

// Returns the image turned upright for an EXIF orientation value 1..8 (1 and any other value:
// unchanged copy).
Image orientImage(const Image& image, int orientation);

} // namespace mw

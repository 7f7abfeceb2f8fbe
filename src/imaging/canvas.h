#pragma once
// Canvas operations: the picture keeps its pixels, the canvas around it changes.
#include "imaging/image.h"

namespace mw {

// New canvas of newWidth x newHeight anchored at the top-left: the overlapping part is copied,
// new pixels get `fill`. The result has alpha when the source has.
Image resizeCanvas(const Image& src, int newWidth, int newHeight, Rgba fill);

// Grows the canvas by `grow` pixels in width and height, the old picture moved by grow / 2
// right and down; the new border is transparent (alpha 0, colour `fill`). Result has alpha.
Image enlargeCentered(const Image& src, int grow, Rgba fill = Rgba{0, 0, 0, 0});

// Composites the image over an opaque background colour: 24-bit result without alpha.
Image flattenOnto(const Image& src, Color background);
// The same in the image's own pixels: no second photo-sized buffer.
void flattenInPlace(Image& image, Color background);

} // namespace mw

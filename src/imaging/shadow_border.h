#pragma once
// The border of an opaque picture after the soft shadow and a flatten onto a background, given
// a row at a time, for pictures that are never held whole.
//
// An opaque pixel keeps its colour under both operations, so only the border changes. A border
// pixel depends only on the alpha within the shadow's reach, and for an opaque rectangle that
// is fixed by the distances to the rectangle's edges: every column (row) farther than the reach
// from both vertical (horizontal) edges comes out the same. A stand-in canvas whose rectangle is
// shortened to a few reaches therefore holds every distinct border pixel.
#include "imaging/band_ops.h"
#include "imaging/image.h"
#include "imaging/soft_shadow.h"

namespace mw {

class FlatShadowBorder {
public:
    // A width x height canvas, opaque inside `picture` and transparent `fill` around it, shaded
    // with `params` (enlarge must be off: the canvas has its border already), then flattened
    // onto `background`.
    FlatShadowBorder(int width, int height, PixelRect picture, const SoftShadowParams& params, Rgba fill,
                     Color background);

    // Writes the border pixels of row y (width pixels, RGBA): the whole row above or below the
    // picture, the parts left and right of it otherwise.
    void paintRow(int y, uint8_t* row) const;

private:
    int sourceRow(int y) const;

    Image m_standIn;
    int m_width = 0;
    int m_height = 0;
    PixelRect m_picture;
    int m_keep = 0;       // rows and columns kept as they are at each edge of the picture
    int m_cutX = 0;       // columns (rows) the stand-in leaves out of the picture
    int m_cutY = 0;
};

} // namespace mw

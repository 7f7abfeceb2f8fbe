#pragma once
// The pieces of the frame builder that do not depend on where the pieces come from: the layout
// of the tiles, painting them, and the banded composition of frame and photo.
#include "compose/mitrebox.h"
#include "imaging/band_ops.h"
#include "imaging/image.h"
#include "imaging/soft_shadow.h"

#include <array>
#include <functional>
#include <vector>

namespace mw {

// Colour of the frame's opening and of every pixel no piece covers (alpha 0).
inline constexpr Rgba kOpeningColor{192, 220, 192, 0};
// What a merge gives where neither the photo nor the frame lies: iev2's white, alpha 0.
inline constexpr Rgba kResultBackground{255, 255, 255, 0};

// Scaled pieces indexed by their number 1..9 (index 0 and 5 unused).
using FramePieces = std::array<Image, 10>;

struct PiecePlacement {
    int piece = 0;  // 1..9
    int x = 0, y = 0;
};

struct FrameLayout {
    FrameGeometry geometry;
    std::vector<PiecePlacement> placements;  // in painting order, canvas coordinates
    PixelRect bounds;                        // bounding box of every placement
    PixelRect opening;                       // a rectangle no piece touches (may be empty)
};

// Tile counts, canvas size and every piece position for a photo of photoW x photoH pixels.
FrameLayout layoutFrame(int photoW, int photoH, const FramePieces& pieces);

// The assembled frame over `region` (canvas coordinates): the opening colour with alpha 0,
// then every placement painted in order, each over what lies below.
Image paintFrame(const FrameLayout& layout, const FramePieces& pieces, PixelRect region);

// The frame's inward shadow: radius 3, 3 right and 3 down, not enlarged, black, 100 %.
SoftShadowParams frameShadowParams();

// Frames the photo: the frame of `layout` shaded inwards and fitted to the photo's size, the
// photo shrunk by the scaled insets and placed at (left, top), the frame merged over it. The
// picture is returned inside the given margins. Pixel work is done only in the band where the
// frame or its shadow reaches; the rest of the photo is copied. `opaqueInterior`, when given,
// receives a rectangle (in the returned image's coordinates) whose pixels are all opaque, or
// an empty one.
Image composeFramedPhoto(Image photo, InsetOffsets insets, const FrameLayout& layout,
                         const FramePieces& pieces, const CanvasMargins& margins,
                         const std::function<void(int percent)>& progress = {},
                         PixelRect* opaqueInterior = nullptr);

// Applies the soft shadow (enlarge must be off) to the image, computing it only outside
// `opaqueInterior`, whose pixels must all be opaque (and so cannot change).
void applySoftShadowAround(Image& image, const SoftShadowParams& params, PixelRect opaqueInterior);

} // namespace mw

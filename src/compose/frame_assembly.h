#pragma once
// The pieces of the frame builder that do not depend on where the pieces come from: the layout
// of the tiles, painting them, and the banded composition of frame and photo.
#include "compose/mitrebox.h"
#include "imaging/band_ops.h"
#include "imaging/image.h"
#include "imaging/soft_shadow.h"

#include <array>
#include <functional>
#include <memory>
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

// A frame ready to compose around a photo of a known size.
struct PreparedFrame {
    InsetOffsets insets;  // scaled
    FramePieces pieces;   // scaled
    FrameLayout layout;
};

// Tile counts, canvas size and every piece position for a photo of photoW x photoH pixels.
FrameLayout layoutFrame(int photoW, int photoH, const FramePieces& pieces);

// The assembled frame over `region` (canvas coordinates): the opening colour with alpha 0,
// then every placement painted in order, each over what lies below.
Image paintFrame(const FrameLayout& layout, const FramePieces& pieces, PixelRect region);

// The frame's inward shadow: radius 3, 3 right and 3 down, not enlarged, black, 100 %.
SoftShadowParams frameShadowParams();

namespace compose_detail {
struct BandedImage;
}

// One framing's composition of frame and photo, prepared from the photo's size alone: the frame
// shaded inwards and fitted to the photo's size, and where frame and photo lie. composeRow()
// then gives any row of the result from the photo's row, so a whole picture and a pipeline that
// sees the photo a row at a time compose the same pixels.
class FrameComposer {
public:
    // photoW x photoH: the photo before its insets shrink it. Throws mw::Error when the photo
    // is not larger than twice the insets or the result would be too large.
    FrameComposer(int photoW, int photoH, InsetOffsets insets, const FrameLayout& layout,
                  const FramePieces& pieces, const CanvasMargins& margins,
                  const std::function<void(int percent)>& progress = {});
    ~FrameComposer();
    FrameComposer(const FrameComposer&) = delete;
    FrameComposer& operator=(const FrameComposer&) = delete;

    // The result, margins included.
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The framed picture inside the margins, in result coordinates.
    PixelRect pictureRect() const;
    // Where the shrunk photo lies, in result coordinates.
    PixelRect photoRect() const;
    // The photo's size after the insets shrink it.
    int shrunkWidth() const { return m_photoRect.width(); }
    int shrunkHeight() const { return m_photoRect.height(); }
    // No insets and the picture exactly the photo: each photo row lies in its result row
    // already, at the left margin, and is composed where it lies.
    bool inPlace() const;
    // Picture coordinates: where the frame is its calm opening, so an opaque photo shows
    // unchanged; the rows and columns outside it are the only ones composed.
    PixelRect interior() const { return m_interior; }

    // Row y of the result (width() pixels) into `out`. `photo` points at pixel 0 of the
    // matching row of the shrunk photo, or is null when row y misses the photo; in place it
    // is the row's own picture part (out + 4 * left margin).
    void composeRow(int y, uint8_t* out, const uint8_t* photo, bool photoHasAlpha) const;
    // The same for the pixels [x0, x1) of the row only; `out` is still the row's start.
    void composeSpan(int y, int x0, int x1, uint8_t* out, const uint8_t* photo, bool photoHasAlpha) const;
    // The shrunk photo's row matching result row y, or null.
    const uint8_t* photoRowIn(const Image& shrunkPhoto, int y) const;

private:
    std::unique_ptr<compose_detail::BandedImage> m_fitted;
    InsetOffsets m_insets;
    CanvasMargins m_margins;
    struct { int x = 0, y = 0; } m_frameOrigin;
    PixelRect m_photoRect, m_frameRect, m_interior;
    int m_pictureW = 0, m_pictureH = 0;
    int m_width = 0, m_height = 0;
};

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

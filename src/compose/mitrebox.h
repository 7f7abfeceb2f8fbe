#pragma once
// TFrameForm: the frame builder. It holds three layered images (never shown):
//   iev2     the photo on entry, the framed photo on exit (background white);
//   ievmask  the assembly canvas (background 192,220,192, the colour of the frame's opening);
//            after a build its layer 0 carries the canvas size as its drawn size only, since
//            the whole frame is never built as one picture (see below);
//   ievSide  the last piece loaded, already scaled.
// BuildFramedImage(FramePath, Scale) scales the eight pieces, tiles the edges, sets the corners,
// shades the frame inwards, fits it to the photo's size, shrinks the photo by the group's
// inset offsets and merges the frame over it.
//
// The pieces are painted straight onto one transparent canvas, giving exactly the picture of
// stacking one layer per tile in the order corner 01, top tiles, left tiles, right tiles,
// bottom tiles, corners 07, 09, 03 and merging them from the top, without hundreds of layers. Each
// piece file is read and scaled once per build. Only the band along the edges, where the frame
// or its shadow can change a pixel, is computed; the rest of the photo is left untouched.
#include "framelib/inset_offsets.h"
#include "imaging/band_ops.h"
#include "imaging/image.h"
#include "imaging/layers.h"

#include <QString>
#include <array>
#include <functional>

namespace mw {

// position, maximum: 0..8 while the pieces load, then 0..100 while the frame is processed.
using FrameProgressFn = std::function<void(int position, int maximum)>;

// Where the pieces went, for callers that want to show or check the layout.
struct FrameGeometry {
    InsetOffsets insets;             // scaled offsets L, T
    int cornerWidth = 0;             // CW
    int cornerHeight = 0;            // CH
    int tilesX = 0;                  // NX
    int tilesY = 0;                  // NY
    int canvasWidth = 0;             // CanvasW
    int canvasHeight = 0;            // CanvasH
    int frameX = 0, frameY = 0;      // frame layer position (bounding box of the pieces)
    int frameWidth = 0, frameHeight = 0;
};

// Size of a piece of w x h pixels at scale s: width round(w*s) (halves to even), height
// width*h/w truncated, at least 1; a width of 0 keeps the stored size.
struct PieceSize { int width = 0; int height = 0; };
PieceSize scaledPieceSize(int w, int h, double scale);

// Edge tile count over `span` with tiles `tile` wide: span div tile, plus one when the
// remainder is above 0 (truncating division, so a negative span gives a count <= 0).
int edgeTileCount(int span, int tile);

// A transparent border around a built picture (the drop shadow's enlarged canvas).
struct CanvasMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
    Rgba fill{0, 0, 0, 0};
};

struct PreparedFrame;  // frame_assembly.h

class TFrameForm {
public:
    TFrameForm();

    LayeredImage iev2{Color{255, 255, 255}};
    LayeredImage ievmask{Color{192, 220, 192}};
    LayeredImage ievSide;

    void setProgressCallback(FrameProgressFn fn) { m_progress = std::move(fn); }

    // The photo must be the only layer of iev2. Throws mw::FileError for a missing piece,
    // mw::Error for a piece that does not decode or is empty, an empty photo, or a photo not
    // larger than twice the scaled inset.
    void BuildFramedImage(const QString& FramePath, double Scale);

    // Loads one piece into ievSide's only layer, scaled by Scale; advances the progress.
    void LoadFramePiece(const QString& PiecePath, double Scale);

    // BuildFramedImage with the picture placed inside a border of `margins` (iev2's image is
    // then the bordered picture). Saves a copy when a drop shadow follows.
    void buildFramedImage(const QString& framePath, double scale, const CanvasMargins& margins);

    // The part of a build that needs only the photo's size: reads the insets, loads and scales
    // the pieces, lays them out. Throws as BuildFramedImage does.
    PreparedFrame prepareFrame(const QString& framePath, double scale, int photoWidth, int photoHeight);

    const FrameGeometry& geometry() const { return m_geometry; }
    // After a build: a rectangle of iev2's image whose pixels are all opaque (may be empty).
    PixelRect opaqueInterior() const { return m_opaqueInterior; }

private:
    void reportProgress(int position, int maximum);

    FrameProgressFn m_progress;
    int m_progressPosition = 0;
    int m_progressMaximum = 8;
    FrameGeometry m_geometry;
    PixelRect m_opaqueInterior;
};

} // namespace mw

#include "compose/frame_assembly.h"

#include "compose/banded_image.h"

#include "framelib/frame_library.h"
#include "imaging/layers.h"
#include "imaging/parallel.h"
#include "imaging/resample.h"
#include "imaging/status.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace mw {

using namespace compose_detail;

namespace {

PixelRect rectOf(const PiecePlacement& p, const FramePieces& pieces)
{
    const Image& img = pieces[size_t(p.piece)];
    return PixelRect{p.x, p.y, p.x + img.width(), p.y + img.height()};
}

// Copies `rect` (in img's coordinates) out of img.
Image crop(const Image& img, PixelRect rect)
{
    Image out(rect.width(), rect.height(), img.hasAlpha());
    for (int y = rect.y0; y < rect.y1; ++y)
        std::memcpy(out.row(y - rect.y0), img.row(y) + size_t(rect.x0) * 4, size_t(rect.width()) * 4);
    return out;
}

} // namespace

FrameLayout layoutFrame(int photoW, int photoH, const FramePieces& pieces)
{
    for (int k : kPieceNumbers)
        if (pieces[size_t(k)].isEmpty())
            throw Error("Frame piece " + std::to_string(k) + " is empty");
    FrameLayout l;
    FrameGeometry& g = l.geometry;
    auto W = [&](int k) { return pieces[size_t(k)].width(); };
    auto H = [&](int k) { return pieces[size_t(k)].height(); };

    g.cornerWidth = W(1);
    g.cornerHeight = H(1);
    g.tilesX = edgeTileCount(photoW - 2 * g.cornerWidth, W(2));
    g.tilesY = edgeTileCount(photoH - 2 * g.cornerHeight, H(4));
    const int64_t canvasW = int64_t(g.tilesX) * W(2) + 2 * int64_t(g.cornerWidth);
    const int64_t canvasH = int64_t(g.tilesY) * H(4) + 2 * int64_t(g.cornerHeight);
    if (auto why = checkImageSize(canvasW, canvasH))
        throw Error("Cannot build the frame: " + *why);
    g.canvasWidth = int(canvasW);
    g.canvasHeight = int(canvasH);
    const int CW = g.cornerWidth, CH = g.cornerHeight;
    const int cw = g.canvasWidth, ch = g.canvasHeight;

    auto& p = l.placements;
    p.reserve(size_t(std::max(0, g.tilesX)) * 2 + size_t(std::max(0, g.tilesY)) * 2 + 4);
    p.push_back({1, 0, 0});
    for (int i = 0; i < g.tilesX; ++i)
        p.push_back({2, CW + i * W(2), 0});
    for (int i = 0; i < g.tilesY; ++i)
        p.push_back({4, 0, CH + i * H(4)});
    for (int i = 0; i < g.tilesY; ++i)
        p.push_back({6, cw - W(6), CH + i * H(6)});
    for (int i = 0; i < g.tilesX; ++i)
        p.push_back({8, CW + i * W(8), ch - H(8)});
    p.push_back({7, 0, ch - H(7)});
    p.push_back({9, cw - W(9), ch - H(9)});
    p.push_back({3, cw - W(3), 0});

    int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    for (const auto& pl : p) {
        x0 = std::min<int64_t>(x0, pl.x);
        y0 = std::min<int64_t>(y0, pl.y);
        x1 = std::max<int64_t>(x1, int64_t(pl.x) + W(pl.piece));
        y1 = std::max<int64_t>(y1, int64_t(pl.y) + H(pl.piece));
    }
    if (auto why = checkImageSize(x1 - x0, y1 - y0))
        throw Error("Cannot build the frame: " + *why);
    l.bounds = PixelRect{int(x0), int(y0), int(x1), int(y1)};
    g.frameX = l.bounds.x0;
    g.frameY = l.bounds.y0;
    g.frameWidth = l.bounds.width();
    g.frameHeight = l.bounds.height();

    // Each piece belongs to the side(s) it lies along; the opening lies inside all of them.
    int ol = INT_MIN, orr = INT_MAX, ot = INT_MIN, ob = INT_MAX;
    for (const auto& pl : p) {
        const PixelRect r = rectOf(pl, pieces);
        const int k = pl.piece;
        if (k == 1 || k == 4 || k == 7)
            ol = std::max(ol, r.x1);
        if (k == 3 || k == 6 || k == 9)
            orr = std::min(orr, r.x0);
        if (k == 1 || k == 2 || k == 3)
            ot = std::max(ot, r.y1);
        if (k == 7 || k == 8 || k == 9)
            ob = std::min(ob, r.y0);
    }
    l.opening = PixelRect{ol, ot, orr, ob}.intersected(l.bounds);
    for (const auto& pl : p)
        if (!rectOf(pl, pieces).intersected(l.opening).isEmpty()) {
            l.opening = {};
            break;
        }
    return l;
}

Image paintFrame(const FrameLayout& layout, const FramePieces& pieces, PixelRect region)
{
    // The picture of stacking one layer per placement and merging the topmost into the one
    // below until one is left, with that merge's 8-bit rounding: so the pieces are taken from
    // the top down, the merged part so far lying over each next piece. The merged part covers
    // its whole bounding box (uncovered places there are the opening colour, alpha 0); a piece
    // pixel outside that box is taken as it is.
    // Filled on the workers: the first touch of a fresh buffer's pages is most of its cost.
    Image img = Image::uninitialized(region.width(), region.height(), true);
    parallelFor(0, img.height(), [&img](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            fillPixels(img.row(y), img.width(), kOpeningColor);
    }, 16);
    PixelRect merged;  // bounding box of the placements taken so far, canvas coordinates
    for (auto it = layout.placements.rbegin(); it != layout.placements.rend(); ++it) {
        const PixelRect r = rectOf(*it, pieces);
        const PixelRect clip = r.intersected(region);
        const Image& piece = pieces[size_t(it->piece)];
        for (int y = clip.y0; y < clip.y1; ++y) {
            const uint8_t* src = piece.row(y - r.y0) + size_t(clip.x0 - r.x0) * 4;
            uint8_t* dst = img.row(y - region.y0) + size_t(clip.x0 - region.x0) * 4;
            const bool rowInMerged = y >= merged.y0 && y < merged.y1;
            for (int x = clip.x0; x < clip.x1; ++x, src += 4, dst += 4) {
                if (!rowInMerged || x < merged.x0 || x >= merged.x1) {
                    std::memcpy(dst, src, 4);
                } else if (dst[3] != 255) {
                    store(dst, compositeOver(load(dst), load(src)));
                }
            }
        }
        merged = merged.isEmpty() ? r
                                  : PixelRect{std::min(merged.x0, r.x0), std::min(merged.y0, r.y0),
                                              std::max(merged.x1, r.x1), std::max(merged.y1, r.y1)};
    }
    return img;
}

SoftShadowParams frameShadowParams()
{
    SoftShadowParams p;
    p.radius = 3;
    p.offsetX = 3;
    p.offsetY = 3;
    p.enlarge = false;
    p.color = Color{0, 0, 0};
    p.intensity = 100;
    return p;
}

void applySoftShadowAround(Image& image, const SoftShadowParams& params, PixelRect opaqueInterior)
{
    const PixelRect all{0, 0, image.width(), image.height()};
    opaqueInterior = opaqueInterior.intersected(all);
    const int reach = softShadowReach(params);
    // Bands smaller than this are not worth the bookkeeping: shade the whole image.
    if (opaqueInterior.width() <= 2 * reach || opaqueInterior.height() <= 2 * reach) {
        applySoftShadow(image, params);
        return;
    }
    const PixelRect bands[4] = {
        {0, 0, all.x1, opaqueInterior.y0},
        {0, opaqueInterior.y1, all.x1, all.y1},
        {0, opaqueInterior.y0, opaqueInterior.x0, opaqueInterior.y1},
        {opaqueInterior.x1, opaqueInterior.y0, all.x1, opaqueInterior.y1},
    };
    // Every band's window is cut from the image before any band is written back: the windows
    // overlap, and each must see the alpha from before the shadow.
    Image windows[4];
    PixelRect windowRects[4];
    for (int i = 0; i < 4; ++i) {
        if (bands[i].isEmpty())
            continue;
        windowRects[i] = bands[i].adjusted(-reach, -reach, reach, reach).intersected(all);
        windows[i] = crop(image, windowRects[i]);
    }
    for (int i = 0; i < 4; ++i) {
        if (bands[i].isEmpty())
            continue;
        applySoftShadow(windows[i], params);
        const PixelRect& b = bands[i];
        const PixelRect& w = windowRects[i];
        for (int y = b.y0; y < b.y1; ++y)
            std::memcpy(image.row(y) + size_t(b.x0) * 4, windows[i].row(y - w.y0) + size_t(b.x0 - w.x0) * 4,
                        size_t(b.width()) * 4);
    }
    image.setHasAlpha(true);
}

FrameComposer::FrameComposer(int photoW, int photoH, InsetOffsets insets, const FrameLayout& layout,
                             const FramePieces& pieces, const CanvasMargins& margins,
                             const std::function<void(int percent)>& progress)
    : m_fitted(std::make_unique<BandedImage>()), m_insets(insets), m_margins(margins),
      m_frameOrigin{layout.bounds.x0, layout.bounds.y0}
{
    auto report = [&](int percent) {
        if (progress)
            progress(percent);
    };
    const int PW = photoW, PH = photoH;
    const int L = insets.left, T = insets.top;
    const int64_t shrunkW = int64_t(PW) - 2 * int64_t(L);
    const int64_t shrunkH = int64_t(PH) - 2 * int64_t(T);
    if (shrunkW <= 0 || shrunkH <= 0 || checkImageSize(shrunkW, shrunkH))
        throw Error("The photo (" + std::to_string(PW) + "x" + std::to_string(PH) +
                    ") is too small for the frame's inset of " + std::to_string(L) + "x" + std::to_string(T) +
                    " pixels");

    // --- The frame, shaded inwards, known as bands around its untouched opening ----------
    const PixelRect fb = layout.bounds;
    const int fw = fb.width(), fh = fb.height();
    const SoftShadowParams shade = frameShadowParams();
    const int reach = softShadowReach(shade);
    PixelRect calm = layout.opening;  // frame-local: opening pixels the shadow cannot reach
    if (!calm.isEmpty())
        calm = PixelRect{calm.x0 - fb.x0 + reach, calm.y0 - fb.y0 + reach, calm.x1 - fb.x0 - reach,
                         calm.y1 - fb.y0 - reach};
    BandedImage frame = BandedImage::layout(fw, fh, calm.isEmpty() ? PixelRect{} : calm, kOpeningColor);
    {
        const PixelRect all{0, 0, fw, fh};
        Band* targets[4] = {&frame.top, &frame.bottom, &frame.left, &frame.right};
        const PixelRect rects[4] = {frame.topRect(), frame.bottomRect(), frame.leftRect(), frame.rightRect()};
        for (int i = 0; i < 4; ++i) {
            if (rects[i].isEmpty())
                continue;
            const PixelRect window = rects[i].adjusted(-reach, -reach, reach, reach).intersected(all);
            Image w = paintFrame(layout, pieces, PixelRect{window.x0 + fb.x0, window.y0 + fb.y0,
                                                           window.x1 + fb.x0, window.y1 + fb.y0});
            applySoftShadow(w, shade);
            *targets[i] = Band{std::move(w), window.x0, window.y0};
        }
    }
    report(20);

    // --- The fit to PW x PH: only outputs whose filter taps reach outside the calm area ----
    const Lanczos3Plan plan(fw, fh, PW, PH);
    PixelRect fittedCalm;
    if (!frame.inner.isEmpty()) {
        const auto [c0, c1] = plan.columnsInside(frame.inner.x0, frame.inner.x1);
        const auto [r0, r1] = plan.rowsInside(frame.inner.y0, frame.inner.y1);
        fittedCalm = PixelRect{c0, r0, c1, r1};
        if (fittedCalm.isEmpty())
            fittedCalm = {};
    }
    BandedImage& fitted = *m_fitted;
    fitted = BandedImage::layout(PW, PH, fittedCalm, kOpeningColor);
    if (plan.isIdentity()) {
        fitted = std::move(frame);  // the canvas has the photo's size: the fit changes nothing
    } else {
        const RowFetch fetch = [&frame](int y, int x0, int x1, uint8_t* out) { frame.fetch(y, x0, x1, out); };
        Band* targets[4] = {&fitted.top, &fitted.bottom, &fitted.left, &fitted.right};
        const PixelRect rects[4] = {fitted.topRect(), fitted.bottomRect(), fitted.leftRect(), fitted.rightRect()};
        for (int i = 0; i < 4; ++i)
            *targets[i] = Band{plan.resampleRegion(fetch, rects[i], true), rects[i].x0, rects[i].y0};
    }
    report(40);

    // --- Where frame (upper, at its own position) and photo (lower, at (L, T)) lie ---------
    // The merge with the photo's layer 0 starts at (0, 0) and reaches the farther right and
    // bottom edge; whatever lies left of or above the origin is cut off.
    m_photoRect = PixelRect{L, T, L + int(shrunkW), T + int(shrunkH)};
    m_frameRect = PixelRect{fb.x0, fb.y0, fb.x0 + PW, fb.y0 + PH};
    m_pictureW = std::max(m_photoRect.x1, m_frameRect.x1);
    m_pictureH = std::max(m_photoRect.y1, m_frameRect.y1);
    const int64_t outW = int64_t(m_pictureW) + margins.left + margins.right;
    const int64_t outH = int64_t(m_pictureH) + margins.top + margins.bottom;
    if (auto why = checkImageSize(outW, outH))
        throw Error("Cannot frame the photo: " + *why);
    m_width = int(outW);
    m_height = int(outH);
    // Where the frame is its calm opening colour over the photo, the photo shows unchanged.
    PixelRect interior = fitted.inner.isEmpty()
                             ? PixelRect{}
                             : PixelRect{fitted.inner.x0 + fb.x0, fitted.inner.y0 + fb.y0,
                                         fitted.inner.x1 + fb.x0, fitted.inner.y1 + fb.y0};
    m_interior = interior.intersected(m_photoRect).intersected(PixelRect{0, 0, m_pictureW, m_pictureH});
}

FrameComposer::~FrameComposer() = default;

bool FrameComposer::inPlace() const
{
    return m_insets.left == 0 && m_insets.top == 0 && m_pictureW == m_photoRect.x1 && m_pictureH == m_photoRect.y1;
}

PixelRect FrameComposer::pictureRect() const
{
    return PixelRect{m_margins.left, m_margins.top, m_margins.left + m_pictureW, m_margins.top + m_pictureH};
}

PixelRect FrameComposer::photoRect() const
{
    return m_photoRect.adjusted(m_margins.left, m_margins.top, m_margins.left, m_margins.top);
}

const uint8_t* FrameComposer::photoRowIn(const Image& shrunkPhoto, int y) const
{
    const int py = y - m_margins.top - m_photoRect.y0;
    if (py < 0 || py >= shrunkPhoto.height())
        return nullptr;
    return shrunkPhoto.row(py);
}

void FrameComposer::composeRow(int y, uint8_t* row, const uint8_t* photo, bool photoHasAlpha) const
{
    composeSpan(y, 0, m_width, row, photo, photoHasAlpha);
}

void FrameComposer::composeSpan(int y, int x0, int x1, uint8_t* out, const uint8_t* photo,
                                bool photoHasAlpha) const
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_width);
    if (x0 >= x1)
        return;
    const Rgba marginFill = m_margins.fill;
    const int py = y - m_margins.top;  // picture row
    const int left = m_margins.left, RW = m_pictureW;
    if (py < 0 || py >= m_pictureH) {
        fillPixels(out + size_t(x0) * 4, x1 - x0, marginFill);
        return;
    }
    if (x0 < left)
        fillPixels(out + size_t(x0) * 4, std::min(x1, left) - x0, marginFill);
    if (x1 > left + RW) {
        const int from = std::max(x0, left + RW);
        fillPixels(out + size_t(from) * 4, x1 - from, marginFill);
    }
    // The picture's part of the span, in picture columns [a, b).
    const int a = std::max(x0 - left, 0), b = std::min(x1 - left, RW);
    if (a >= b)
        return;
    uint8_t* row = out + size_t(left) * 4;
    const BandedImage& fitted = *m_fitted;
    const PixelRect photoRect = m_photoRect, frameRect = m_frameRect;
    const int fx = m_frameOrigin.x, fy = m_frameOrigin.y;
    const int L = photoRect.x0;
    // Photo pixel x of this picture row (x in picture coordinates).
    auto photoAt = [photo, L](int x) { return photo + ptrdiff_t(x - L) * 4; };
    const bool rowInPhoto = photo && py >= photoRect.y0 && py < photoRect.y1;
    const bool rowInFrame = py >= frameRect.y0 && py < frameRect.y1;
    auto generic = [&](int x) -> Rgba {
        const bool inPhoto = rowInPhoto && x >= photoRect.x0 && x < photoRect.x1;
        if (rowInFrame && x >= frameRect.x0 && x < frameRect.x1) {
            const Rgba f = fitted.pixel(x - fx, py - fy);
            if (!inPhoto)
                return f;
            return compositeOver(f, load(photoAt(x)));
        }
        if (inPhoto)
            return load(photoAt(x));
        return kResultBackground;
    };

    const bool rowInterior = py >= m_interior.y0 && py < m_interior.y1;
    const int ix0 = std::clamp(rowInterior ? m_interior.x0 : RW, a, b);
    const int ix1 = std::clamp(rowInterior ? m_interior.x1 : RW, ix0, b);
    for (int x = a; x < ix0; ++x)
        store(row + size_t(x) * 4, generic(x));
    if (ix0 < ix1) {
        uint8_t* dst = row + size_t(ix0) * 4;
        if (photoAt(ix0) != dst)
            std::memcpy(dst, photoAt(ix0), size_t(ix1 - ix0) * 4);
        if (photoHasAlpha)
            for (int x = ix0; x < ix1; ++x, dst += 4)
                if (dst[3] != 255)
                    store(dst, compositeOver(kOpeningColor, load(dst)));
    }
    for (int x = ix1; x < b; ++x)
        store(row + size_t(x) * 4, generic(x));
}

Image composeFramedPhoto(Image photo, InsetOffsets insets, const FrameLayout& layout,
                         const FramePieces& pieces, const CanvasMargins& margins,
                         const std::function<void(int percent)>& progress, PixelRect* opaqueInterior)
{
    auto report = [&](int percent) {
        if (progress)
            progress(percent);
    };
    const FrameComposer composer(photo.width(), photo.height(), insets, layout, pieces, margins, progress);

    // --- The photo, shrunk by the insets ------------------------------------------------------
    if (insets.left != 0 || insets.top != 0)
        photo = resampleLanczos3(photo, composer.shrunkWidth(), composer.shrunkHeight());
    report(70);

    const PixelRect interior = composer.interior();
    const bool photoHasAlpha = photo.hasAlpha();
    bool interiorOpaque = !photoHasAlpha;
    if (photoHasAlpha && !interior.isEmpty()) {
        interiorOpaque = true;
        for (int y = interior.y0; y < interior.y1 && interiorOpaque; ++y) {
            const uint8_t* p = photo.row(y - insets.top) + size_t(interior.x0 - insets.left) * 4 + 3;
            for (int x = interior.x0; x < interior.x1; ++x, p += 4)
                if (*p != 255) {
                    interiorOpaque = false;
                    break;
                }
        }
    }

    // With no insets and no border the result has the photo's size and place: compose in the
    // photo's own pixels, so the untouched interior costs nothing at all.
    // A shadow's margins grow the photo's own buffer (the decoder reserves room for them).
    const bool inPlace = composer.inPlace();
    Image out;
    if (inPlace) {
        out = std::move(photo);
        out.growCanvas(margins.left, margins.top, margins.right, margins.bottom);
        out.setHasAlpha(true);
    } else {
        // Every pixel is written below (the margins with their fill, the rest composed), so
        // the buffer is not filled first; the first touch of its pages then happens on all
        // workers instead of in one single-threaded fill pass.
        out = Image::uninitialized(composer.width(), composer.height(), true);
    }
    out.setBitsPerPixel(32);
    const PixelRect picture = composer.pictureRect();
    parallelFor(0, composer.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* row = out.row(y);
            const uint8_t* photoRow = nullptr;
            if (inPlace)
                photoRow = y >= picture.y0 && y < picture.y1 ? row + size_t(picture.x0) * 4 : nullptr;
            else
                photoRow = composer.photoRowIn(photo, y);
            composer.composeRow(y, row, photoRow, photoHasAlpha);
        }
    }, 16);
    report(100);

    if (opaqueInterior)
        *opaqueInterior = interiorOpaque ? interior.adjusted(margins.left, margins.top, margins.left, margins.top)
                                         : PixelRect{};
    return out;
}

} // namespace mw

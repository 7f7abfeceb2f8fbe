#include "compose/frame_assembly.h"

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

namespace {

PixelRect rectOf(const PiecePlacement& p, const FramePieces& pieces)
{
    const Image& img = pieces[size_t(p.piece)];
    return PixelRect{p.x, p.y, p.x + img.width(), p.y + img.height()};
}

// How far the soft shadow reaches: a pixel's shadow depends on alpha within the blur radius
// (ceil(3r)) of the point the offset moves it from. One pixel more for safety.
int shadowReach(const SoftShadowParams& p)
{
    return int(std::ceil(3.0 * p.radius)) + std::max(std::abs(p.offsetX), std::abs(p.offsetY)) + 1;
}

// Copies `rect` (in img's coordinates) out of img.
Image crop(const Image& img, PixelRect rect)
{
    Image out(rect.width(), rect.height(), img.hasAlpha());
    for (int y = rect.y0; y < rect.y1; ++y)
        std::memcpy(out.row(y - rect.y0), img.row(y) + size_t(rect.x0) * 4, size_t(rect.width()) * 4);
    return out;
}

void fillPixels(uint8_t* out, int n, Rgba p)
{
    for (int i = 0; i < n; ++i, out += 4) {
        out[0] = p.r;
        out[1] = p.g;
        out[2] = p.b;
        out[3] = p.a;
    }
}

inline Rgba load(const uint8_t* p)
{
    return Rgba{p[0], p[1], p[2], p[3]};
}

inline void store(uint8_t* p, Rgba c)
{
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

// One band of a BandedImage: an image whose top-left pixel lies at (ox, oy). The image may be
// larger than the band (the window it was computed in); only the band's pixels are read.
struct Band {
    Image img;
    int ox = 0, oy = 0;
    const uint8_t* at(int x, int y) const { return img.row(y - oy) + size_t(x - ox) * 4; }
};

// An image known as up to four bands around a rectangle of one constant colour:
//   top    rows [0, inner.y0), full width      bottom rows [inner.y1, h), full width
//   left   rows of inner, columns [0, inner.x0) right  rows of inner, columns [inner.x1, w)
// With an empty inner rectangle the top band is the whole image.
struct BandedImage {
    int width = 0, height = 0;
    PixelRect inner;
    Rgba fill;
    Band top, bottom, left, right;

    static BandedImage layout(int w, int h, PixelRect inner, Rgba fill)
    {
        BandedImage b;
        b.width = w;
        b.height = h;
        b.fill = fill;
        b.inner = inner.intersected(PixelRect{0, 0, w, h});
        if (b.inner.isEmpty())
            b.inner = PixelRect{0, h, 0, h};
        return b;
    }
    PixelRect topRect() const { return {0, 0, width, inner.y0}; }
    PixelRect bottomRect() const { return {0, inner.y1, width, height}; }
    PixelRect leftRect() const { return {0, inner.y0, inner.x0, inner.y1}; }
    PixelRect rightRect() const { return {inner.x1, inner.y0, width, inner.y1}; }

    // Pixels x0..x1-1 of row y.
    void fetch(int y, int x0, int x1, uint8_t* out) const
    {
        if (y < inner.y0) {
            std::memcpy(out, top.at(x0, y), size_t(x1 - x0) * 4);
            return;
        }
        if (y >= inner.y1) {
            std::memcpy(out, bottom.at(x0, y), size_t(x1 - x0) * 4);
            return;
        }
        int x = x0;
        if (x < inner.x0) {
            const int e = std::min(x1, inner.x0);
            std::memcpy(out, left.at(x, y), size_t(e - x) * 4);
            out += size_t(e - x) * 4;
            x = e;
        }
        if (x < x1 && x < inner.x1) {
            const int e = std::min(x1, inner.x1);
            fillPixels(out, e - x, fill);
            out += size_t(e - x) * 4;
            x = e;
        }
        if (x < x1)
            std::memcpy(out, right.at(x, y), size_t(x1 - x) * 4);
    }

    Rgba pixel(int x, int y) const
    {
        if (y < inner.y0)
            return load(top.at(x, y));
        if (y >= inner.y1)
            return load(bottom.at(x, y));
        if (x < inner.x0)
            return load(left.at(x, y));
        if (x >= inner.x1)
            return load(right.at(x, y));
        return fill;
    }
};

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
    Image img(region.width(), region.height(), true, kOpeningColor);
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
    const int reach = shadowReach(params);
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

Image composeFramedPhoto(Image photo, InsetOffsets insets, const FrameLayout& layout,
                         const FramePieces& pieces, const CanvasMargins& margins,
                         const std::function<void(int percent)>& progress, PixelRect* opaqueInterior)
{
    auto report = [&](int percent) {
        if (progress)
            progress(percent);
    };
    const int PW = photo.width(), PH = photo.height();
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
    const int reach = shadowReach(shade);
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
    BandedImage fitted = BandedImage::layout(PW, PH, fittedCalm, kOpeningColor);
    if (plan.isIdentity()) {
        fitted = std::move(frame);  // the canvas has the photo's size: the fit changes nothing
    } else {
        const RowFetch fetch = [&frame](int y, int x0, int x1, uint8_t* out) { frame.fetch(y, x0, x1, out); };
        Band* targets[4] = {&fitted.top, &fitted.bottom, &fitted.left, &fitted.right};
        const PixelRect rects[4] = {fitted.topRect(), fitted.bottomRect(), fitted.leftRect(), fitted.rightRect()};
        for (int i = 0; i < 4; ++i)
            *targets[i] = Band{plan.resampleRegion(fetch, rects[i], true), rects[i].x0, rects[i].y0};
    }
    frame = BandedImage{};
    report(40);

    // --- The photo, shrunk by the insets ------------------------------------------------------
    if (L != 0 || T != 0)
        photo = resampleLanczos3(photo, int(shrunkW), int(shrunkH));
    report(70);

    // --- Merge: frame (upper, at its own position) over photo (lower, at (L, T)) -------------
    // The merge with the photo's layer 0 starts at (0, 0) and reaches the farther right and
    // bottom edge; whatever lies left of or above the origin is cut off.
    const PixelRect photoRect{L, T, L + int(shrunkW), T + int(shrunkH)};
    const PixelRect frameRect{fb.x0, fb.y0, fb.x0 + PW, fb.y0 + PH};
    const int RW = std::max(photoRect.x1, frameRect.x1);
    const int RH = std::max(photoRect.y1, frameRect.y1);
    const int64_t outW = int64_t(RW) + margins.left + margins.right;
    const int64_t outH = int64_t(RH) + margins.top + margins.bottom;
    if (auto why = checkImageSize(outW, outH))
        throw Error("Cannot frame the photo: " + *why);
    // Where the frame is its calm opening colour over the photo, the photo shows unchanged.
    PixelRect interior = fitted.inner.isEmpty()
                             ? PixelRect{}
                             : PixelRect{fitted.inner.x0 + fb.x0, fitted.inner.y0 + fb.y0,
                                         fitted.inner.x1 + fb.x0, fitted.inner.y1 + fb.y0};
    interior = interior.intersected(photoRect).intersected(PixelRect{0, 0, RW, RH});

    const bool photoHasAlpha = photo.hasAlpha();
    bool interiorOpaque = !photoHasAlpha;
    if (photoHasAlpha && !interior.isEmpty()) {
        interiorOpaque = true;
        for (int y = interior.y0; y < interior.y1 && interiorOpaque; ++y) {
            const uint8_t* p = photo.row(y - T) + size_t(interior.x0 - L) * 4 + 3;
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
    const bool inPlace = L == 0 && T == 0 && RW == PW && RH == PH;
    Image out;
    if (inPlace) {
        out = std::move(photo);
        out.growCanvas(margins.left, margins.top, margins.right, margins.bottom);
        out.setHasAlpha(true);
    } else {
        // Every pixel is written below (the margins with their fill, the rest composed), so
        // the buffer is not filled first; the first touch of its pages then happens on all
        // workers instead of in one single-threaded fill pass.
        out = Image::uninitialized(int(outW), int(outH), true);
    }
    out.setBitsPerPixel(32);
    const Image& src = inPlace ? out : photo;
    // Where photo pixel (x, y) is read from: in place it already sits at its final position.
    const int srcDX = inPlace ? margins.left : -L;
    const int srcDY = inPlace ? margins.top : -T;
    auto photoAt = [&src, srcDX, srcDY](int x, int y) { return src.row(y + srcDY) + size_t(x + srcDX) * 4; };

    auto generic = [&](int x, int y) -> Rgba {
        const bool inPhoto = photoRect.contains(x, y);
        const bool inFrame = frameRect.contains(x, y);
        if (inFrame) {
            const Rgba f = fitted.pixel(x - fb.x0, y - fb.y0);
            if (!inPhoto)
                return f;
            return compositeOver(f, load(photoAt(x, y)));
        }
        if (inPhoto)
            return load(photoAt(x, y));
        return kResultBackground;
    };

    const Rgba marginFill = margins.fill;
    auto fillSpan = [&marginFill](uint8_t* p, int64_t n) {
        for (int64_t i = 0; i < n; ++i, p += 4)
            store(p, marginFill);
    };
    const int outWidth = int(outW), outHeight = int(outH);
    const int64_t rightMargin = outWidth - int64_t(margins.left) - RW;
    parallelFor(0, outHeight, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            if (y < margins.top || y >= margins.top + RH)
                fillSpan(out.row(y), outWidth);
    }, 64);
    parallelFor(0, RH, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            fillSpan(out.row(y + margins.top), margins.left);
            fillSpan(out.row(y + margins.top) + (size_t(margins.left) + size_t(RW)) * 4, rightMargin);
            uint8_t* row = out.row(y + margins.top) + size_t(margins.left) * 4;
            const bool rowInterior = y >= interior.y0 && y < interior.y1;
            const int ix0 = rowInterior ? interior.x0 : RW;
            const int ix1 = rowInterior ? interior.x1 : RW;
            for (int x = 0; x < ix0; ++x)
                store(row + size_t(x) * 4, generic(x, y));
            if (ix0 < ix1) {
                uint8_t* dst = row + size_t(ix0) * 4;
                if (!inPlace)
                    std::memcpy(dst, src.row(y - T) + size_t(ix0 - L) * 4, size_t(ix1 - ix0) * 4);
                if (photoHasAlpha)
                    for (int x = ix0; x < ix1; ++x, dst += 4)
                        if (dst[3] != 255)
                            store(dst, compositeOver(kOpeningColor, load(dst)));
            }
            for (int x = ix1; x < RW; ++x)
                store(row + size_t(x) * 4, generic(x, y));
        }
    }, 16);
    report(100);

    if (opaqueInterior)
        *opaqueInterior = interiorOpaque ? interior.adjusted(margins.left, margins.top, margins.left, margins.top)
                                         : PixelRect{};
    return out;
}

} // namespace mw

#pragma once
// A picture known only along its edges: up to four bands around a rectangle of one constant
// colour. The assembled frame is held this way, so its untouched opening is never stored.
#include "imaging/band_ops.h"
#include "imaging/image.h"

#include <algorithm>
#include <cstring>

namespace mw::compose_detail {

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

inline void fillPixels(uint8_t* out, int64_t n, Rgba p)
{
    for (int64_t i = 0; i < n; ++i, out += 4)
        store(out, p);
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

} // namespace mw::compose_detail

#include "imaging/orientation.h"

#include <cstring>

namespace mw {

Image orientImage(const Image& src, int orientation)
{
    if (orientation < 2 || orientation > 8 || src.isEmpty())
        return src;
    const int w = src.width(), h = src.height();
    const bool swap = orientation >= 5;
    Image out(swap ? h : w, swap ? w : h, src.hasAlpha());
    out.setBitsPerPixel(src.bitsPerPixel());
    // For each destination pixel (x, y) find its source pixel.
    for (int y = 0; y < out.height(); ++y) {
        uint8_t* d = out.row(y);
        for (int x = 0; x < out.width(); ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;                       // mirrored horizontally
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;       // rotated 180
            case 4: sy = h - 1 - y; break;                       // mirrored vertically
            case 5: sx = y; sy = x; break;                       // transposed
            case 6: sx = y; sy = h - 1 - x; break;               // rotate 90 clockwise to view
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;       // transverse
            case 8: sx = w - 1 - y; sy = x; break;               // rotate 270 clockwise to view
            }
            std::memcpy(d + size_t(x) * 4, src.row(sy) + size_t(sx) * 4, 4);
        }
    }
    return out;
}

} // namespace mw

#include "imaging/orientation.h"

#include "imaging/parallel.h"

#include <cstring>

namespace mw {

namespace {

bool swapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

} // namespace

int orientedWidth(const Image& image, int orientation)
{
    return swapsSides(orientation) ? image.height() : image.width();
}

int orientedHeight(const Image& image, int orientation)
{
    return swapsSides(orientation) ? image.width() : image.height();
}

void orientedRow(const Image& src, int orientation, int y, uint8_t* out)
{
    const int w = src.width(), h = src.height();
    // Destination pixel x of row y comes from source (sx, sy) = (x0 + x * dx, y0 + x * dy).
    int sx = 0, sy = y, dx = 1, dy = 0;
    switch (orientation) {
    case 2: sx = w - 1; dx = -1; break;                        // mirrored horizontally
    case 3: sx = w - 1; sy = h - 1 - y; dx = -1; break;        // rotated 180
    case 4: sy = h - 1 - y; break;                             // mirrored vertically
    case 5: sx = y; sy = 0; dx = 0; dy = 1; break;             // transposed
    case 6: sx = y; sy = h - 1; dx = 0; dy = -1; break;        // rotate 90 clockwise to view
    case 7: sx = w - 1 - y; sy = h - 1; dx = 0; dy = -1; break; // transverse
    case 8: sx = w - 1 - y; sy = 0; dx = 0; dy = 1; break;     // rotate 270 clockwise to view
    default: break;                                            // upright
    }
    const int n = orientedWidth(src, orientation);
    if (dy == 0 && dx == 1) {
        std::memcpy(out, src.row(sy) + size_t(sx) * 4, size_t(n) * 4);
        return;
    }
    if (dy == 0) {
        const uint8_t* p = src.row(sy) + size_t(sx) * 4;
        for (int x = 0; x < n; ++x, p -= 4, out += 4)
            std::memcpy(out, p, 4);
        return;
    }
    const ptrdiff_t step = ptrdiff_t(src.stride()) * dy;
    const uint8_t* p = src.row(sy) + size_t(sx) * 4;
    for (int x = 0; x < n; ++x, p += step, out += 4)
        std::memcpy(out, p, 4);
}

Image orientImage(const Image& src, int orientation)
{
    if (orientation < 2 || orientation > 8 || src.isEmpty())
        return src;
    Image out = Image::uninitialized(orientedWidth(src, orientation), orientedHeight(src, orientation),
                                     src.hasAlpha());
    out.setBitsPerPixel(src.bitsPerPixel());
    parallelFor(0, out.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            orientedRow(src, orientation, y, out.row(y));
    }, 16);
    return out;
}

} // namespace mw

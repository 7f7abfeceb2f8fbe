#include "imaging/canvas.h"

#include "imaging/parallel.h"
#include "imaging/status.h"

#include <algorithm>
#include <cstring>

namespace mw {

namespace {

// Copies the whole of src into dst with its top-left at (dx, dy), clipped to dst.
void blit(const Image& src, Image& dst, int dx, int dy)
{
    const int x0 = std::max(0, dx);
    const int y0 = std::max(0, dy);
    const int x1 = std::min(dst.width(), dx + src.width());
    const int y1 = std::min(dst.height(), dy + src.height());
    if (x0 >= x1 || y0 >= y1)
        return;
    const size_t bytes = size_t(x1 - x0) * 4;
    parallelFor(y0, y1, [&](int b, int e) {
        for (int y = b; y < e; ++y)
            std::memcpy(dst.row(y) + size_t(x0) * 4, src.row(y - dy) + size_t(x0 - dx) * 4, bytes);
    }, 64);
}

} // namespace

Image resizeCanvas(const Image& src, int newWidth, int newHeight, Rgba fill)
{
    if (newWidth < 0 || newHeight < 0)
        throw Error("Cannot resize the canvas to " + std::to_string(newWidth) + " x " +
                    std::to_string(newHeight) + " pixels");
    Image dst(newWidth, newHeight, src.hasAlpha(), fill);
    dst.setBitsPerPixel(src.bitsPerPixel());
    blit(src, dst, 0, 0);
    return dst;
}

Image enlargeCentered(const Image& src, int grow, Rgba fill)
{
    if (grow < 0)
        throw Error("Cannot enlarge the canvas by a negative amount");
    const int64_t w = int64_t(src.width()) + grow;
    const int64_t h = int64_t(src.height()) + grow;
    if (auto why = checkImageSize(w, h))
        throw Error("Cannot enlarge the canvas: " + *why);
    fill.a = 0;
    Image dst(int(w), int(h), true, fill);
    blit(src, dst, grow / 2, grow / 2);
    return dst;
}

namespace {

// Blends rows of src over the background into dst; src and dst may be the same image.
void flattenRows(const Image& src, Image& dst, Color background)
{
    const int bg[3] = {background.r, background.g, background.b};
    const size_t n = size_t(src.width());
    parallelFor(0, src.height(), [&](int b, int e) {
        for (int y = b; y < e; ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = dst.row(y);
            for (size_t x = 0; x < n; ++x, s += 4, d += 4) {
                const int a = s[3];
                // Photos are mostly opaque and frames mostly opaque or clear: skip the blend.
                if (a == 255) {
                    if (d != s)
                        std::memcpy(d, s, 4);
                    continue;
                }
                if (a == 0) {
                    d[0] = uint8_t(bg[0]), d[1] = uint8_t(bg[1]), d[2] = uint8_t(bg[2]), d[3] = 255;
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    // c*a + bg*(255-a), divided by 255 with rounding (exact for 0..65025).
                    const int v = s[c] * a + bg[c] * (255 - a) + 128;
                    d[c] = uint8_t((v + (v >> 8)) >> 8);
                }
                d[3] = 255;
            }
        }
    }, 32);
}

} // namespace

Image flattenOnto(const Image& src, Color background)
{
    if (src.isEmpty())
        return Image(src.width(), src.height(), false);
    if (!src.hasAlpha())
        return src.copyWithoutAlpha();
    Image dst = Image::uninitialized(src.width(), src.height(), false);
    flattenRows(src, dst, background);
    return dst;
}

void flattenInPlace(Image& image, Color background)
{
    if (image.hasAlpha() && !image.isEmpty())
        flattenRows(image, image, background);
    image.markOpaque();
}

} // namespace mw

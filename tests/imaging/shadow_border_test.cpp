#include "imaging/shadow_border.h"

#include "imaging/canvas.h"
#include "imaging/status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace mw {
namespace {

// The whole-canvas computation the border stands in for: an opaque picture in a transparent
// border, shaded and flattened.
Image shadedAndFlattened(int w, int h, PixelRect picture, const SoftShadowParams& p, Rgba fill, Color bg,
                         unsigned seed)
{
    Image img(w, h, true, fill);
    std::mt19937 rng(seed);
    for (int y = picture.y0; y < picture.y1; ++y)
        for (int x = picture.x0; x < picture.x1; ++x)
            img.setPixel(x, y, Rgba{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 255});
    applySoftShadow(img, p);
    flattenInPlace(img, bg);
    return img;
}

// Every border pixel of every row equals the whole computation's; the picture's pixels are
// left alone. Shadow directions, depths from 1 to 25, pictures from one pixel to wider than
// the stand-in, asymmetric borders.
TEST(FlatShadowBorder, MatchesShadingTheWholeCanvas)
{
    struct Case {
        int picW, picH;
        int left, top, right, bottom;
        int ox, oy;
    };
    const Case cases[] = {
        {200, 150, 15, 15, 15, 15, 5, 5},    {200, 150, 15, 15, 15, 15, -5, -5},
        {200, 150, 15, 15, 15, 15, 5, -5},   {200, 150, 15, 15, 15, 15, -5, 5},
        {300, 90, 35, 35, 35, 35, 25, 25},   {90, 300, 35, 35, 35, 35, -25, 25},
        {60, 40, 11, 11, 11, 11, 1, 1},      {1, 1, 15, 15, 15, 15, 5, 5},
        {3, 120, 15, 15, 15, 15, 5, 5},      {57, 57, 15, 15, 15, 15, 5, 5},
        {58, 59, 15, 15, 15, 15, 5, 5},      {400, 301, 3, 20, 9, 0, 5, 5},
        {500, 200, 0, 0, 0, 0, 5, 5},
    };
    const Rgba fill{30, 60, 90, 0};
    const Color bg{250, 240, 200};
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.picW << "x" << c.picH << " border " << c.left << "," << c.top
                                          << "," << c.right << "," << c.bottom << " offset " << c.ox << ","
                                          << c.oy);
        const int w = c.left + c.picW + c.right, h = c.top + c.picH + c.bottom;
        const PixelRect picture{c.left, c.top, c.left + c.picW, c.top + c.picH};
        const SoftShadowParams p{4.0, c.ox, c.oy, false, Color{fill.r, fill.g, fill.b}, 90};
        const Image want = shadedAndFlattened(w, h, picture, p, fill, bg, seed++);
        const FlatShadowBorder border(w, h, picture, p, fill, bg);
        std::vector<uint8_t> row(size_t(w) * 4);
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
            std::memset(row.data(), 0xAB, row.size());
            border.paintRow(y, row.data());
            for (int x = 0; x < w; ++x) {
                const uint8_t* got = row.data() + size_t(x) * 4;
                if (picture.contains(x, y)) {
                    const uint8_t untouched[4] = {0xAB, 0xAB, 0xAB, 0xAB};
                    if (std::memcmp(got, untouched, 4) != 0 && wrong++ < 5)
                        ADD_FAILURE() << "picture pixel written at " << x << "," << y;
                    continue;
                }
                const Rgba e = want.pixel(x, y);
                if ((got[0] != e.r || got[1] != e.g || got[2] != e.b) && wrong++ < 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << int(got[0]) << "," << int(got[1]) << ","
                                  << int(got[2]) << " instead of " << int(e.r) << "," << int(e.g) << ","
                                  << int(e.b);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(FlatShadowBorder, RefusesAPictureOutsideItsCanvasOrAnEnlargingShadow)
{
    const SoftShadowParams p{4.0, 5, 5, false, Color{0, 0, 0}, 90};
    EXPECT_THROW(FlatShadowBorder(50, 50, PixelRect{40, 40, 60, 60}, p, Rgba{}, Color{}), Error);
    EXPECT_THROW(FlatShadowBorder(50, 50, PixelRect{}, p, Rgba{}, Color{}), Error);
    SoftShadowParams enlarging = p;
    enlarging.enlarge = true;
    EXPECT_THROW(FlatShadowBorder(50, 50, PixelRect{10, 10, 40, 40}, enlarging, Rgba{}, Color{}), Error);
}

} // namespace
} // namespace mw

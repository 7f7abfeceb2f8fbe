#include "imaging/canvas.h"
#include "imaging/status.h"

#include <gtest/gtest.h>

#include <random>

namespace mw {
namespace {

Image numbered(int w, int h, bool alpha)
{
    Image img(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, Rgba{uint8_t(x), uint8_t(y), 7, uint8_t(alpha ? 100 + x : 255)});
    return img;
}

TEST(Canvas, ResizeKeepsTheTopLeftAndFillsTheRest)
{
    const Image src = numbered(4, 3, true);
    for (auto [w, h] : {std::pair{6, 5}, std::pair{2, 2}, std::pair{4, 7}, std::pair{0, 3}}) {
        const Image out = resizeCanvas(src, w, h, Rgba{1, 2, 3, 4});
        ASSERT_EQ(out.width(), w);
        ASSERT_EQ(out.height(), h);
        EXPECT_TRUE(out.hasAlpha());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(out.pixel(x, y), (x < 4 && y < 3) ? src.pixel(x, y) : (Rgba{1, 2, 3, 4})) << x << "," << y;
    }
    EXPECT_THROW(resizeCanvas(src, -1, 3, Rgba{}), Error);
}

TEST(Canvas, EnlargeCentresThePictureOnATransparentBorder)
{
    const Image src = numbered(3, 2, false);
    for (int grow : {0, 1, 4, 7}) {
        const Image out = enlargeCentered(src, grow, Rgba{9, 9, 9, 255});
        ASSERT_EQ(out.width(), 3 + grow);
        ASSERT_EQ(out.height(), 2 + grow);
        EXPECT_TRUE(out.hasAlpha());
        const int at = grow / 2;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const bool inside = x >= at && x < at + 3 && y >= at && y < at + 2;
                EXPECT_EQ(out.pixel(x, y), inside ? src.pixel(x - at, y - at) : (Rgba{9, 9, 9, 0}));
            }
    }
}

TEST(Canvas, FlattenBlendsOverTheBackground)
{
    struct Case {
        Rgba in;
        Rgba out;
    };
    // background (0, 0, 255): channel = (c*a + bg*(255 - a)) / 255, rounded.
    const Case cases[] = {
        {{200, 100, 0, 128}, {100, 50, 127, 255}},  // 100.4, 50.2, 127.0
        {{200, 100, 0, 0}, {0, 0, 255, 255}},
        {{200, 100, 0, 255}, {200, 100, 0, 255}},
        {{255, 255, 255, 1}, {1, 1, 255, 255}},
        {{3, 0, 0, 170}, {2, 0, 85, 255}},          // 2.0, 0, 85.0
    };
    Image src(5, 1, true);
    for (int i = 0; i < 5; ++i)
        src.setPixel(i, 0, cases[i].in);
    const Image out = flattenOnto(src, Color{0, 0, 255});
    EXPECT_FALSE(out.hasAlpha());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(out.pixel(i, 0), cases[i].out) << i;
    const Image opaque = numbered(5, 4, false);
    EXPECT_EQ(flattenOnto(opaque, Color{1, 2, 3}), opaque);
}

TEST(FlattenTest, InPlaceMatchesTheCopyingFlatten)
{
    std::mt19937 rng(7);
    mw::Image img(37, 23, true);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const uint32_t v = rng();
            // Include the fully transparent and fully opaque ends.
            const uint8_t a = x == 0 ? 0 : (x == 1 ? 255 : uint8_t(v >> 24));
            img.setPixel(x, y, mw::Rgba{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), a});
        }
    const mw::Color bg{10, 200, 77};
    const mw::Image expected = mw::flattenOnto(img, bg);
    mw::flattenInPlace(img, bg);
    EXPECT_FALSE(img.hasAlpha());
    EXPECT_TRUE(img == expected);
}

} // namespace
} // namespace mw

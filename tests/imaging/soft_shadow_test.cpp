#include "imaging/soft_shadow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace mw {
namespace {

TEST(SoftShadow, GrowthRule)
{
    struct Case {
        double r;
        int ox, oy, growth;
    };
    for (const Case c : {Case{4, 5, 5, 30}, Case{4, 25, -25, 70}, Case{3, 3, 3, 21}, Case{0, 0, 0, 1},
                         Case{0.3, 0, 0, 1}, Case{2.5, -1, 0, 14}, Case{4, -2, 7, 34}}) {
        SoftShadowParams p;
        p.radius = c.r;
        p.offsetX = c.ox;
        p.offsetY = c.oy;
        p.enlarge = true;
        EXPECT_EQ(softShadowGrowth(p), c.growth) << c.r << " " << c.ox << " " << c.oy;
    }
}

// The drop shadow of a framed picture: radius 4, intensity 90, depth d towards the lower right.
TEST(SoftShadow, DropShadowGrowsAndCentresThePicture)
{
    Image photo(1000, 800, false);
    std::mt19937 rng(5);
    for (size_t i = 0; i < photo.byteCount(); i += 4)
        photo.data()[i] = uint8_t(rng()), photo.data()[i + 1] = uint8_t(rng()), photo.data()[i + 2] = uint8_t(rng());
    for (auto [depth, w, h, at] : {std::tuple{5, 1030, 830, 15}, std::tuple{25, 1070, 870, 35}}) {
        Image img = photo;
        SoftShadowParams p{4.0, depth, depth, true, Color{0, 0, 0}, 90};
        applySoftShadow(img, p);
        ASSERT_EQ(img.width(), w);
        ASSERT_EQ(img.height(), h);
        EXPECT_TRUE(img.hasAlpha());
        for (int y : {0, 400, 799})
            for (int x : {0, 500, 999})
                EXPECT_EQ(img.pixel(x + at, y + at), photo.pixel(x, y));
        // Transparent above-left of the picture, shadow below-right of it.
        EXPECT_EQ(img.pixel(0, 0).a, 0);
        EXPECT_EQ(img.pixel(w - 1, 0).a, 0);
        // Right of the picture the shadow equals the one below it (same offsets both ways);
        // with depth 25 the blur there sees only the opaque picture: 255 / 1.2, truncated.
        const Rgba right = img.pixel(at + 1000 + 2, at + 400), below = img.pixel(at + 500, at + 800 + 2);
        EXPECT_EQ(right, below);
        EXPECT_EQ(right.r + right.g + right.b, 0);
        if (depth == 25) {
            EXPECT_EQ(right.a, 212);
        } else {
            EXPECT_GT(right.a, 100);
        }
        EXPECT_EQ(img.pixel(w - 1, h - 1).a, 0);
    }
}

Image constantBlocks()
{
    // 40 x 40, columns 0..19 opaque (200,100,50), columns 20..39 alpha 100 colour (10,20,30).
    Image img(40, 40, true);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            img.setPixel(x, y, x < 20 ? Rgba{200, 100, 50, 255} : Rgba{10, 20, 30, 100});
    return img;
}

// Where the alpha under the kernel is flat the blur is exact, so the per-pixel rule can be
// checked against numbers worked out by hand.
TEST(SoftShadow, PerPixelRuleByHand)
{
    Image img = constantBlocks();
    SoftShadowParams p{1.0, 8, 0, false, Color{255, 0, 128}, 90};
    applySoftShadow(img, p);
    ASSERT_EQ(img.width(), 40);
    // Opaque pixels never change.
    EXPECT_EQ(img.pixel(5, 20), (Rgba{200, 100, 50, 255}));
    // x = 22 sees the opaque block moved 8 right: q = 255, a = 100.
    //   R = (100*10*255 + 155*(255*255 + 0*10)) / 65025 = 40525/255 = 158.9 -> 158
    //   G = (100*20*255 + 155*(255*0))        / 65025 = 2000/255  = 7.8   -> 7
    //   B = (100*30*255 + 155*(255*128))      / 65025 = 22840/255 = 89.6  -> 89
    //   alpha = (100*255 + 255*155) / 255 = 255 exactly (not 254)
    EXPECT_EQ(img.pixel(22, 20), (Rgba{158, 7, 89, 255}));
    // x = 35 sees the alpha-100 block: q = 100.
    //   R = (255000 + 155*(100*255 + 155*10)) / 65025 = 4447750/65025 = 68.4 -> 68
    //   G = (510000 + 155*(0 + 155*20)) / 65025 = 990500/65025 = 15.2 -> 15
    //   B = (765000 + 155*(100*128 + 155*30)) / 65025 = 3469750/65025 = 53.4 -> 53
    //   alpha = (100*255 + 100*155) / 255 = 41000/255 = 160.8 -> 160
    EXPECT_EQ(img.pixel(35, 20), (Rgba{68, 15, 53, 160}));
}

TEST(SoftShadow, TransparentPixelsTakeTheShadowColourAndScaledAlpha)
{
    struct Case {
        int intensity, alpha;  // alpha of a pixel under a full shadow (q = 255)
    };
    // h = 3 - 2I/100: I = 100 -> q; 90 -> q/1.2; 0 and below -> q/3; above 100 counts as 100.
    for (const Case c : {Case{100, 255}, Case{90, 212}, Case{50, 127}, Case{0, 85}, Case{-20, 85}, Case{150, 255}}) {
        Image img(40, 40, true, Rgba{9, 9, 9, 0});
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 20; ++x)
                img.setPixel(x, y, Rgba{1, 2, 3, 255});
        applySoftShadow(img, SoftShadowParams{1.0, 8, 0, false, Color{40, 50, 60}, c.intensity});
        EXPECT_EQ(img.pixel(22, 20), (Rgba{40, 50, 60, uint8_t(c.alpha)})) << "intensity " << c.intensity;
        // Far from the moved edge q = 0: unchanged, colour included.
        EXPECT_EQ(img.pixel(36, 20), (Rgba{9, 9, 9, 0}));
    }
}

// One opaque pixel: the shadow around it is the Gaussian itself, compared with the real
// numbers (the fixed-point blur may differ by one step).
TEST(SoftShadow, SinglePixelSpreadsAsAGaussian)
{
    for (double r : {1.0, 1.5}) {
        Image img(21, 21, true, Rgba{0, 0, 0, 0});
        img.setPixel(10, 10, Rgba{255, 255, 255, 255});
        applySoftShadow(img, SoftShadowParams{r, 2, -1, false, Color{0, 0, 255}, 100});
        const int R = int(std::ceil(3 * r));
        double sum = 0;
        for (int i = -R; i <= R; ++i)
            sum += std::exp(-i * i / (2 * r * r));
        auto g = [&](int i) { return std::abs(i) > R ? 0.0 : std::exp(-i * i / (2 * r * r)) / sum; };
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 21; ++x) {
                if (x == 10 && y == 10)
                    continue;
                const double q = 255.0 * g(x - 2 - 10) * g(y + 1 - 10);
                const Rgba p = img.pixel(x, y);
                EXPECT_NEAR(p.a, q, 1.0) << "r " << r << " at " << x << "," << y;
                if (p.a > 0) {
                    EXPECT_EQ(p, (Rgba{0, 0, 255, p.a}));
                }
            }
        EXPECT_EQ(img.pixel(10, 10), (Rgba{255, 255, 255, 255}));
    }
}

TEST(SoftShadow, ImageWithoutAlphaCountsAsOpaque)
{
    Image img(30, 20, false, Rgba{7, 8, 9, 255});
    applySoftShadow(img, SoftShadowParams{3.0, 3, 3, false, Color{0, 0, 0}, 100});
    EXPECT_TRUE(img.hasAlpha());
    EXPECT_EQ(img, Image(30, 20, true, Rgba{7, 8, 9, 255}));
}

// The fast path skips opaque tiles and takes flat areas as constants; on random images with
// holes, soft edges and every offset sign it must agree with the plain full computation.
using FastCase = std::tuple<double, int, int, bool, int>;
class SoftShadowFastPath : public ::testing::TestWithParam<FastCase> {};

Image holeyImage(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    Image img(w, h, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t a = 255;
            if (x > w / 3 && x < w / 2 && y > 10 && y < h - 12)
                a = 0;  // a hole
            else if (y > h * 2 / 3 && x > w * 2 / 3)
                a = uint8_t(x * 7 + y);  // a soft area
            else if (rng() % 23 == 0)
                a = uint8_t(rng());  // specks
            img.setPixel(x, y, Rgba{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), a});
        }
    return img;
}

TEST_P(SoftShadowFastPath, MatchesTheFullComputation)
{
    const auto [radius, ox, oy, enlarge, intensity] = GetParam();
    const SoftShadowParams p{radius, ox, oy, enlarge, Color{30, 60, 90}, intensity};
    for (unsigned seed : {1u, 2u}) {
        const Image src = holeyImage(seed == 1 ? 97 : 70, seed == 1 ? 75 : 131, seed);
        Image fast = src, slow = src;
        applySoftShadow(fast, p);
        detail::applySoftShadowReference(slow, p);
        ASSERT_EQ(fast.width(), slow.width());
        ASSERT_EQ(fast.height(), slow.height());
        EXPECT_TRUE(fast == slow) << "seed " << seed;
    }
    // A fully opaque picture: only the enlarged border band may change.
    const Image opaque(90, 70, false, Rgba{200, 150, 100, 255});
    Image fast = opaque, slow = opaque;
    applySoftShadow(fast, p);
    detail::applySoftShadowReference(slow, p);
    EXPECT_TRUE(fast == slow) << "opaque";
}

INSTANTIATE_TEST_SUITE_P(Cases, SoftShadowFastPath,
                         ::testing::Combine(::testing::Values(0.0, 1.0, 4.0), ::testing::Values(-5, 0, 3, 40),
                                            ::testing::Values(-3, 5), ::testing::Bool(),
                                            ::testing::Values(90, 100)));

} // namespace
} // namespace mw

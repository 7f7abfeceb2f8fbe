#include "imaging/layers.h"
#include "imaging/status.h"

#include <gtest/gtest.h>

#include <random>

namespace mw {
namespace {

constexpr Color kBg{192, 220, 192};

TEST(CompositeOver, HandComputedPixels)
{
    struct Case {
        Rgba upper, lower, expect;
    };
    const Case cases[] = {
        {{1, 2, 3, 255}, {9, 9, 9, 200}, {1, 2, 3, 255}},       // opaque upper wins
        {{1, 2, 3, 0}, {9, 8, 7, 77}, {9, 8, 7, 77}},           // transparent upper leaves lower
        {{1, 2, 3, 0}, {9, 8, 7, 0}, {1, 2, 3, 0}},             // both clear: the upper pixel
        {{10, 20, 30, 90}, {9, 8, 7, 0}, {10, 20, 30, 90}},     // over nothing: itself
        // au = 128 over opaque red: alpha 255; R = 255*127/255 = 127; B = 255*128/255 = 128.
        {{0, 0, 255, 128}, {255, 0, 0, 255}, {127, 0, 128, 255}},
        // au = 100, al = 50: alpha = (100*255 + 50*155)/255 = 130.4 -> 130;
        // R = 200*100*255 / (100*255 + 50*155) = 5100000/33250 = 153.4 -> 153.
        {{200, 0, 0, 100}, {0, 0, 0, 50}, {153, 0, 0, 130}},
        // Half-way colour rounds up: au = 255/2 cases aside, 1 over 0 with equal weights.
        // au = 85, al = 255: wu = 21675, wl = 43350, num = 65025; R = (3*21675 + 0)/65025 = 1.0
        {{3, 0, 0, 85}, {0, 0, 0, 255}, {1, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        const Rgba r = compositeOver(c.upper, c.lower);
        EXPECT_EQ(r, c.expect) << int(r.r) << " " << int(r.g) << " " << int(r.b) << " " << int(r.a);
    }
}

Layer solid(int x, int y, int w, int h, Rgba colour, bool alpha = true)
{
    Layer l;
    l.x = x;
    l.y = y;
    l.image = Image(w, h, alpha, colour);
    return l;
}

// Lower 3x2 opaque red at (2,1), upper 3x3 half-transparent blue at (4,2): the merge covers
// their bounding box (2,1)-(7,5), 5x4.
TEST(LayeredImage, MergeOfTwoLayersByHand)
{
    LayeredImage view(kBg);
    view.layer(0).image = Image(1, 1, false);
    view.addLayer(solid(2, 1, 3, 2, Rgba{255, 0, 0, 255}, false));
    view.addLayer(solid(4, 2, 3, 3, Rgba{0, 0, 255, 128}));
    ASSERT_EQ(view.count(), 3);
    view.mergeLayers(1, 2);
    ASSERT_EQ(view.count(), 2);
    EXPECT_EQ(view.currentIndex(), 1);
    const Layer& m = view.layer(1);
    EXPECT_EQ(m.x, 2);
    EXPECT_EQ(m.y, 1);
    ASSERT_EQ(m.image.width(), 5);
    ASSERT_EQ(m.image.height(), 4);
    EXPECT_TRUE(m.image.hasAlpha());
    EXPECT_EQ(m.drawnWidth, 5);
    EXPECT_EQ(m.drawnHeight, 4);
    const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 128}, both{127, 0, 128, 255}, none{192, 220, 192, 0};
    const Rgba expect[4][5] = {
        {red, red, red, none, none},
        {red, red, both, blue, blue},
        {none, none, blue, blue, blue},
        {none, none, blue, blue, blue},
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(m.image.pixel(x, y), expect[y][x]) << x << "," << y;
}

// Merging into layer 0 starts at (0,0): what lies left of or above it is cut off.
TEST(LayeredImage, MergeIntoLayerZeroCutsOffNegativePositions)
{
    LayeredImage view(kBg);
    view.layer(0).image = Image(2, 2, false, Rgba{10, 10, 10, 255});
    view.addLayer(solid(-3, -1, 4, 4, Rgba{0, 255, 0, 255}));
    view.mergeLayers(0, 1);
    ASSERT_EQ(view.count(), 1);
    const Layer& m = view.layer(0);
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 0);
    // Right edge max(2, 1) = 2, bottom max(2, 3) = 3.
    ASSERT_EQ(m.image.width(), 2);
    ASSERT_EQ(m.image.height(), 3);
    const Rgba g{0, 255, 0, 255}, d{10, 10, 10, 255}, none{192, 220, 192, 0};
    const Rgba expect[3][2] = {{g, d}, {g, d}, {g, none}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(m.image.pixel(x, y), expect[y][x]) << x << "," << y;
}

// The frame builder paints pieces onto one transparent canvas instead of making a layer per
// tile. With pieces whose alpha is 0 or 255 that gives exactly the pixels of merging the
// layers from the top down; "over" rounded to 8 bits is not associative, so where partly
// transparent pieces overlap the two ways may differ by a rounding step. (The colour kept
// under alpha 0 may differ too: an intermediate merge fills its gaps with the background.)
TEST(LayeredImage, PaintingInOrderMatchesMergingFromTheTop)
{
    for (bool partial : {false, true}) {
        std::mt19937 rng(42);
        LayeredImage view(kBg);
        view.layer(0).image = Image(40, 30, false);
        std::vector<Layer> pieces;
        for (int i = 0; i < 12; ++i) {
            Layer l;
            l.x = int(rng() % 50) - 10;
            l.y = int(rng() % 40) - 10;
            l.image = Image(int(rng() % 15) + 1, int(rng() % 15) + 1, true);
            for (size_t k = 0; k < l.image.byteCount(); ++k) {
                const bool isAlpha = k % 4 == 3;
                const uint8_t v = uint8_t(rng());
                l.image.data()[k] = (isAlpha && (!partial || rng() % 3 == 0)) ? uint8_t(v & 1 ? 255 : 0) : v;
            }
            pieces.push_back(l);
            view.addLayer(l);
        }
        while (view.count() > 2)
            view.mergeLayers(view.count() - 2, view.count() - 1);
        const Layer& merged = view.layer(1);

        Image canvas(merged.image.width(), merged.image.height(), true, Rgba{kBg.r, kBg.g, kBg.b, 0});
        for (const Layer& l : pieces)
            paintOver(canvas, l.image, l.x - merged.x, l.y - merged.y);
        int worst = 0;
        for (size_t k = 0; k < canvas.byteCount(); ++k) {
            const size_t alphaAt = k | 3;
            if (canvas.data()[alphaAt] == 0 && merged.image.data()[alphaAt] == 0)
                continue;
            worst = std::max(worst, std::abs(int(canvas.data()[k]) - int(merged.image.data()[k])));
        }
        EXPECT_LE(worst, partial ? 2 : 0) << (partial ? "partial alpha" : "binary alpha");
    }
}

TEST(LayeredImage, MergeAllFlattensOverTheBackground)
{
    LayeredImage view(Color{0, 0, 255});
    view.layer(0).image = Image(3, 2, true, Rgba{255, 0, 0, 0});
    view.layer(0).image.setPixel(0, 0, Rgba{255, 0, 0, 255});
    view.addLayer(solid(2, 1, 2, 2, Rgba{0, 255, 0, 102}));
    const Image out = view.mergeAll();
    EXPECT_FALSE(out.hasAlpha());
    ASSERT_EQ(out.width(), 4);
    ASSERT_EQ(out.height(), 3);
    EXPECT_EQ(out.pixel(0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(out.pixel(1, 0), (Rgba{0, 0, 255, 255}));  // transparent layer 0 pixel
    // 40 % green over blue: G = 255*102/255 = 102, B = 255*153/255 = 153.
    EXPECT_EQ(out.pixel(3, 2), (Rgba{0, 102, 153, 255}));
    EXPECT_EQ(out.pixel(0, 2), (Rgba{0, 0, 255, 255}));  // no layer at all
}

TEST(LayeredImage, AddRemoveClearKeepTheCurrentLayerValid)
{
    LayeredImage view;
    EXPECT_EQ(view.count(), 1);
    EXPECT_EQ(view.addLayer(solid(1, 1, 2, 2, Rgba{})), 1);
    EXPECT_EQ(view.addLayer(), 2);
    EXPECT_EQ(view.currentIndex(), 2);
    view.removeLayer(2);
    EXPECT_EQ(view.currentIndex(), 1);
    EXPECT_THROW(view.removeLayer(0), Error);
    EXPECT_THROW(view.removeLayer(5), Error);
    EXPECT_THROW(view.setCurrentIndex(2), Error);
    EXPECT_THROW(view.mergeLayers(0, 3), Error);
    view.layer(0).image = Image(4, 4, false);
    view.layer(0).x = 3;
    view.clear();
    EXPECT_EQ(view.count(), 1);
    EXPECT_EQ(view.currentIndex(), 0);
    EXPECT_TRUE(view.layer(0).image.isEmpty());
    EXPECT_EQ(view.layer(0).x, 0);
}

} // namespace
} // namespace mw

#include "imaging/band_ops.h"
#include "imaging/parallel.h"
#include "imaging/resample.h"
#include "imaging/status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>
#include <tuple>

namespace mw {
namespace {

Image randomImage(int w, int h, unsigned seed)
{
    Image img(w, h, true);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < img.byteCount(); ++i)
        img.data()[i] = uint8_t(rng());
    return img;
}

struct SizeCase {
    int srcW, srcH, dstW, dstH;
};

class ResampleConstant : public ::testing::TestWithParam<SizeCase> {};

// Weights that do not sum to exactly one show up as a drift of a flat colour.
TEST_P(ResampleConstant, FlatColourStaysExactlyFlat)
{
    const SizeCase c = GetParam();
    for (Rgba colour : {Rgba{10, 200, 77, 133}, Rgba{255, 255, 255, 255}, Rgba{0, 1, 254, 0}}) {
        const Image src(c.srcW, c.srcH, true, colour);
        const Image out = resampleLanczos3(src, c.dstW, c.dstH);
        ASSERT_EQ(out.width(), c.dstW);
        ASSERT_EQ(out.height(), c.dstH);
        EXPECT_EQ(out, Image(c.dstW, c.dstH, true, colour));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResampleConstant,
                         ::testing::Values(SizeCase{7, 5, 20, 13}, SizeCase{100, 80, 33, 21}, SizeCase{64, 48, 63, 47},
                                           SizeCase{50, 50, 1, 1}, SizeCase{3, 3, 100, 2}, SizeCase{601, 401, 600, 400},
                                           SizeCase{1, 1, 9, 4}, SizeCase{40, 30, 40, 90}));

// A fine pattern shrunk by 8 must come out near its mean; a kernel that is not widened when
// shrinking samples the pattern and aliases it into stripes.
TEST(Resample, ShrinkingFinePatternsAveragesThem)
{
    for (int period : {1, 2}) {
        Image src(64, 64, false);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uint8_t v = ((x / period + y / period) % 2) ? 255 : 0;
                src.setPixel(x, y, Rgba{v, v, v, 255});
            }
        const Image out = resampleLanczos3(src, 8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                SCOPED_TRACE(testing::Message() << "period " << period << " at " << x << "," << y);
                const Rgba p = out.pixel(x, y);
                EXPECT_NEAR(p.r, 127.5, 6);
                EXPECT_EQ(p.a, 255);
            }
    }
}

// A step edge keeps its place and its flat sides; ringing stays small.
TEST(Resample, StepEdgeStaysInPlace)
{
    const int srcW = 40, edge = 20;
    Image src(srcW, 3, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < srcW; ++x) {
            const uint8_t v = x < edge ? 0 : 255;
            src.setPixel(x, y, Rgba{v, v, v, 255});
        }
    for (int dstW : {23, 57, 80}) {
        SCOPED_TRACE(dstW);
        const Image out = resampleLanczos3(src, dstW, 3);
        const double scale = double(dstW) / srcW;
        const double edgeAt = edge * scale;  // output coordinate of the edge
        int crossing = -1;
        for (int x = 0; x < dstW; ++x) {
            const int v = out.pixel(x, 1).r;
            const double centre = x + 0.5;
            if (centre < edgeAt - 3.0 * std::max(1.0, scale)) {
                EXPECT_EQ(v, 0) << "x " << x;
            }
            if (centre > edgeAt + 3.0 * std::max(1.0, scale)) {
                EXPECT_EQ(v, 255) << "x " << x;
            }
            if (x > 0) {
                EXPECT_GE(v, out.pixel(x - 1, 1).r - 40) << "ringing too strong at " << x;
            }
            if (crossing < 0 && v >= 128)
                crossing = x;
        }
        EXPECT_NEAR(crossing + 0.5, edgeAt, 1.0);
    }
}

// Straight alpha: the alpha channel goes through exactly the same filter as the colour.
TEST(Resample, AlphaIsFilteredLikeColour)
{
    Image src = randomImage(37, 29, 7);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            Rgba p = src.pixel(x, y);
            p.g = p.a;
            src.setPixel(x, y, p);
        }
    for (auto [w, h] : {std::pair{80, 61}, std::pair{12, 10}, std::pair{37, 50}}) {
        const Image out = resampleLanczos3(src, w, h);
        EXPECT_TRUE(out.hasAlpha());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out.pixel(x, y).g, out.pixel(x, y).a) << x << "," << y;
    }
}

TEST(Resample, SameSizeIsAnExactCopy)
{
    const Image src = randomImage(31, 17, 3);
    EXPECT_EQ(resampleLanczos3(src, 31, 17), src);
    EXPECT_EQ(resampleLanczos3(src, 31, -1), src);
}

TEST(Resample, MinusOneHeightKeepsTheAspect)
{
    struct Case {
        int w, h, newW, expectH;
    };
    for (const Case c : {Case{300, 200, 150, 100}, Case{3, 1000, 1, 333}, Case{1000, 3, 10, 1}, Case{7, 5, 3, 2}}) {
        const Image out = resampleLanczos3(Image(c.w, c.h, false), c.newW, -1);
        EXPECT_EQ(out.width(), c.newW);
        EXPECT_EQ(out.height(), c.expectH) << c.w << "x" << c.h << " -> " << c.newW;
    }
}

TEST(Resample, RefusesImpossibleSizes)
{
    const Image src(4, 4, false);
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-3, 4}, std::pair{4, -2}, std::pair{70000, 1},
                        std::pair{40000, 40000}})
        EXPECT_THROW(resampleLanczos3(src, w, h), Error) << w << "x" << h;
    EXPECT_THROW(resampleLanczos3(Image(), 4, 4), Error);
}

// Rows are split across workers, each with its own cache of filtered source rows; the split
// must not change a single pixel.
TEST(Resample, ResultDoesNotDependOnTheNumberOfWorkers)
{
    const Image src = randomImage(123, 301, 11);
    setWorkerCount(1);
    const Image one = resampleLanczos3(src, 77, 173);
    const Image oneUp = resampleLanczos3(src, 200, 450);
    setWorkerCount(3);
    const Image three = resampleLanczos3(src, 77, 173);
    const Image threeUp = resampleLanczos3(src, 200, 450);
    setWorkerCount(0);
    EXPECT_EQ(one, three);
    EXPECT_EQ(oneUp, threeUp);
}

// The vector row filter reads whole blocks of taps; it must match the plain loop everywhere,
// near both ends of a row and for rows too narrow for a block.
TEST(Resample, VectorPathMatchesPlainPath)
{
    const Image wide = randomImage(211, 9, 13);
    const Image narrow = randomImage(5, 7, 17);
    for (auto [src, w, h] : {std::tuple{&wide, 200, 9}, std::tuple{&wide, 57, 20}, std::tuple{&wide, 500, 3}, std::tuple{&wide, 203, 4},
                             std::tuple{&narrow, 2, 7}, std::tuple{&narrow, 9, 9}}) {
        const Image fast = resampleLanczos3(*src, w, h);
        detail::setResampleSimd(false);
        const Image plain = resampleLanczos3(*src, w, h);
        detail::setResampleSimd(true);
        EXPECT_TRUE(fast == plain) << src->width() << " -> " << w << "x" << h;
    }
}

// Fed a row at a time and asked for each output row as soon as its source rows are in, the
// stream gives the whole-image resample's rows: shrinking, enlarging, one direction only, the
// same size, and a kernel wider than the picture.
TEST(Resample, RowStreamGivesTheWholeImageRows)
{
    struct Case {
        int sw, sh, dw, dh;
    };
    for (const Case c : {Case{100, 80, 97, 61}, Case{100, 80, 100, 61}, Case{100, 80, 97, 80}, Case{100, 80, 100, 80},
                         Case{13, 9, 40, 30}, Case{300, 200, 17, 11}, Case{1, 1, 5, 3}, Case{5, 1, 1, 7},
                         Case{6, 400, 6, 399}}) {
        SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh);
        const Image src = randomImage(c.sw, c.sh, unsigned(c.sw * 7 + c.dh));
        const Image whole = resampleLanczos3(src, c.dw, c.dh);
        Lanczos3RowStream stream(c.sw, c.sh, c.dw, c.dh);
        std::vector<uint8_t> row(size_t(c.dw) * 4);
        int wrongRows = 0;
        for (int y = 0; y < c.dh; ++y) {
            while (stream.sourceRowsTaken() < stream.sourceRowsFor(y))
                stream.takeSourceRow(src.row(stream.sourceRowsTaken()));
            stream.outputRow(y, row.data());
            wrongRows += std::memcmp(row.data(), whole.row(y), row.size()) != 0;
        }
        EXPECT_EQ(wrongRows, 0);
    }
}

TEST(Resample, RowStreamRefusesRowsNotThereOrGone)
{
    const Image src = randomImage(40, 40, 5);
    Lanczos3RowStream stream(40, 40, 20, 20);
    std::vector<uint8_t> row(20 * 4);
    EXPECT_THROW(stream.outputRow(0, row.data()), Error);  // nothing taken yet
    for (int y = 0; y < 40; ++y)
        stream.takeSourceRow(src.row(y));
    EXPECT_THROW(stream.outputRow(0, row.data()), Error);  // its rows were overwritten
    EXPECT_THROW(stream.takeSourceRow(src.row(0)), Error);  // more rows than the picture has
    EXPECT_THROW(Lanczos3RowStream(40, 40, 0, 5), Error);
}

// A region of the resample, computed from fetched source rows only, is the same region of the
// whole resample: full width, narrow edge columns, single pixels at the corners, with and
// without the vector row filter, shrinking and enlarging.
TEST(Resample, RegionMatchesTheWholeResample)
{
    const Image src = randomImage(211, 97, 23);
    const RowFetch fetch = [&src](int y, int x0, int x1, uint8_t* out) {
        ASSERT_GE(x0, 0);
        ASSERT_LE(x1, src.width());
        std::memcpy(out, src.row(y) + size_t(x0) * 4, size_t(x1 - x0) * 4);
    };
    for (const bool simd : {true, false}) {
        detail::setResampleSimd(simd);
        for (const auto [w, h] : {std::pair{200, 90}, std::pair{240, 97}, std::pair{57, 130}}) {
            const Image whole = resampleLanczos3(src, w, h);
            const Lanczos3Plan plan(src.width(), src.height(), w, h);
            for (const PixelRect r : {PixelRect{0, 0, w, h}, PixelRect{0, 0, w, 9}, PixelRect{0, 5, 7, h - 5},
                                      PixelRect{w - 6, 3, w, h}, PixelRect{0, 0, 1, 1}, PixelRect{w - 1, h - 1, w, h},
                                      PixelRect{20, 30, 41, 44}}) {
                SCOPED_TRACE(::testing::Message() << "simd " << simd << ", " << w << "x" << h << ", region " << r.x0
                                                  << "," << r.y0 << "-" << r.x1 << "," << r.y1);
                const Image part = plan.resampleRegion(fetch, r, false);
                ASSERT_EQ(part.width(), r.width());
                int wrongRows = 0;
                for (int y = r.y0; y < r.y1; ++y)
                    wrongRows += std::memcmp(part.row(y - r.y0), whole.row(y) + size_t(r.x0) * 4, part.stride()) != 0;
                EXPECT_EQ(wrongRows, 0);
            }
        }
    }
    detail::setResampleSimd(true);
}

} // namespace
} // namespace mw

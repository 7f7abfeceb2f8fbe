// The assembly arithmetic, each case checked on a frame built from small solid-colour pieces:
// tile counts, canvas size, where each piece lands and which lies on top, where the photo lies.
#include "compose/mitrebox.h"
#include "test_frames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

const mw::Rgba kPhotoColor{17, 34, 51, 255};
const mw::Rgba kOpening{192, 220, 192, 0};

struct PieceScaleCase {
    int w, h;
    double scale;
    int expectedW, expectedH;
};

class PieceScaling : public ::testing::TestWithParam<PieceScaleCase> {};

TEST_P(PieceScaling, WidthRoundsHalvesToEvenAndHeightFollowsTheAspect)
{
    const auto& c = GetParam();
    const mw::PieceSize s = mw::scaledPieceSize(c.w, c.h, c.scale);
    EXPECT_EQ(s.width, c.expectedW);
    EXPECT_EQ(s.height, c.expectedH);
}

INSTANTIATE_TEST_SUITE_P(Cases, PieceScaling,
                         ::testing::Values(PieceScaleCase{25, 37, 0.5, 12, 17},   // round(12.5) = 12, 12*37 div 25
                                           PieceScaleCase{27, 40, 0.5, 14, 20},   // round(13.5) = 14
                                           PieceScaleCase{30, 7, 1.0, 30, 7},
                                           PieceScaleCase{40, 3, 0.25, 10, 1},    // height at least 1
                                           PieceScaleCase{2, 9, 0.25, 2, 9},      // width 0: stored size kept
                                           PieceScaleCase{10, 10, 0.75, 8, 8})); // round(7.5) = 8

struct TileCase {
    int span, tile, expected;
};

class TileCount : public ::testing::TestWithParam<TileCase> {};

TEST_P(TileCount, CoversTheSpanWithTruncatingDivision)
{
    EXPECT_EQ(mw::edgeTileCount(GetParam().span, GetParam().tile), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TileCount,
                         ::testing::Values(TileCase{800, 30, 27}, TileCase{600, 50, 12}, TileCase{-50, 30, -1},
                                           TileCase{0, 30, 0}, TileCase{-60, 30, -2}, TileCase{1, 30, 1}));

// What a pixel of the built picture must be.
struct Expect {
    int x, y;
    int piece;  // 1..9: that piece's colour; 0: the photo; -1: the opening colour, alpha 0
};

struct BuildCase {
    const char* name;
    mwtest::PieceSizes pieces;
    double scale;
    int photoW, photoH;
    const char* ini;  // settings.ini of the group, or nullptr
    // expected
    int tilesX, tilesY, canvasW, canvasH;
    int frameX, frameY;
    int outW, outH;
    std::vector<Expect> pixels;
};

mwtest::PieceSizes withPiece(mwtest::PieceSizes s, int k, int w, int h)
{
    s[size_t(k)] = {w, h};
    return s;
}

class FrameAssembly : public ::testing::TestWithParam<BuildCase> {};

TEST_P(FrameAssembly, BuildsTheExpectedLayout)
{
    const BuildCase& c = GetParam();
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "oak", c.pieces);
    if (c.ini)
        mwtest::writeText(dir.filePath("settings.ini"), c.ini);

    mw::TFrameForm form;
    form.iev2.layer(0).image = mw::Image(c.photoW, c.photoH, false, kPhotoColor);
    form.BuildFramedImage(dir.path() + "/oak_thumb.png", c.scale);

    const mw::FrameGeometry& g = form.geometry();
    EXPECT_EQ(g.tilesX, c.tilesX);
    EXPECT_EQ(g.tilesY, c.tilesY);
    EXPECT_EQ(g.canvasWidth, c.canvasW);
    EXPECT_EQ(g.canvasHeight, c.canvasH);
    EXPECT_EQ(g.frameX, c.frameX);
    EXPECT_EQ(g.frameY, c.frameY);
    ASSERT_EQ(form.iev2.count(), 1);
    const mw::Image& out = form.iev2.layer(0).image;
    ASSERT_EQ(out.width(), c.outW);
    ASSERT_EQ(out.height(), c.outH);
    EXPECT_TRUE(out.hasAlpha());
    for (const Expect& e : c.pixels) {
        const mw::Rgba want = e.piece > 0 ? mwtest::pieceColor(e.piece) : (e.piece == 0 ? kPhotoColor : kOpening);
        const mw::Rgba got = out.pixel(e.x, e.y);
        EXPECT_EQ(got, want) << "at (" << e.x << "," << e.y << ") expected "
                             << (e.piece > 0 ? "piece " + std::to_string(e.piece) : e.piece == 0 ? "photo" : "opening")
                             << ", got " << int(got.r) << "," << int(got.g) << "," << int(got.b) << "," << int(got.a);
    }
}

const auto kBig = mwtest::uniformPieces(100, 100, 30, 30);

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameAssembly,
    ::testing::Values(
        // Span 800 with 30-pixel tiles: 27 tiles, canvas 1010 squeezed to 1000.
        BuildCase{"Span800Tile30", kBig, 1.0, 1000, 1000, nullptr, 27, 27, 1010, 1010, 0, 0, 1000, 1000,
                  {{50, 50, 1}, {500, 50, 2}, {950, 50, 3}, {50, 500, 4}, {950, 500, 6},
                   {50, 950, 7}, {500, 950, 8}, {950, 950, 9}, {500, 500, 0}}},
        // Span 600 with 50-pixel tiles: exactly 12 tiles, canvas = photo, piece edges exact.
        BuildCase{"Span600Tile50", mwtest::uniformPieces(100, 100, 50, 50), 1.0, 800, 800, nullptr, 12, 12, 800, 800,
                  0, 0, 800, 800,
                  {{99, 0, 1}, {100, 0, 2}, {699, 99, 2}, {700, 0, 3}, {0, 100, 4}, {799, 699, 6},
                   {0, 700, 7}, {100, 799, 8}, {799, 799, 9}, {150, 150, 0}, {649, 649, 0}}},
        // Span -50: no tiles, canvas 170, corner 03 at x = 70 over the right of corner 01, and
        // the bottom corners over the top ones in rows 70..99; 03 was placed last.
        BuildCase{"SpanMinus50", kBig, 1.0, 150, 150, nullptr, -1, -1, 170, 170, 0, 0, 150, 150,
                  {{40, 40, 1}, {75, 40, 3}, {40, 75, 7}, {75, 75, 3}, {75, 115, 9}, {115, 40, 3}}},
        // Span 0: corners only, canvas = photo.
        BuildCase{"SpanZero", kBig, 1.0, 200, 200, nullptr, 0, 0, 200, 200, 0, 0, 200, 200,
                  {{99, 99, 1}, {100, 0, 3}, {0, 100, 7}, {100, 100, 9}}},
        // 25 x 37 pieces at 50 % are 12 x 17, 27-wide edges 14: 6 tiles over 76, 4 over 66.
        BuildCase{"HalfScale", withPiece(withPiece(mwtest::uniformPieces(25, 37, 27, 37), 2, 27, 37), 8, 27, 37), 0.5,
                  100, 100, nullptr, 6, 4, 108, 102, 0, 0, 100, 100, {{5, 5, 1}, {50, 50, 0}}},
        // Piece 06 taller than 04 and 08 wider than 02: their rows run longer than the canvas,
        // enlarging the frame's box to the right and down before the fit.
        BuildCase{"LongerRightAndBottomRows",
                  withPiece(withPiece(mwtest::uniformPieces(20, 20, 10, 10), 6, 20, 15), 8, 16, 20), 1.0, 100, 100,
                  nullptr, 6, 6, 100, 100, 0, 0, 100, 100, {{5, 5, 1}, {50, 50, 0}}},
        // Corner 03 wider than the canvas: placed at a negative x, the frame's box starts at
        // -10, and after the fit what lies left of 0 is cut off; the right half is bare photo.
        BuildCase{"NegativePositionCutOff", withPiece(mwtest::uniformPieces(10, 10, 5, 5), 3, 30, 10), 1.0, 20, 20,
                  nullptr, 0, 0, 20, 20, -10, 0, 20, 20, {{15, 10, 0}, {19, 0, 0}, {15, 19, 0}}},
        // Offsets 40 leave a gap between the frame's inner edge and the photo: the opening
        // shows there, pale green and transparent, out of the inner shadow's reach.
        BuildCase{"OpeningColour", mwtest::uniformPieces(10, 10, 10, 10), 1.0, 200, 200,
                  "[transparent offsets]\noffsetLeft=40\noffsetTop=40\n", 18, 18, 200, 200, 0, 0, 200, 200,
                  {{30, 100, -1}, {100, 30, -1}, {165, 100, -1}, {100, 165, -1}, {45, 45, 0}, {100, 100, 0},
                   {5, 5, 1}, {195, 195, 9}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the photo lies for scaled offsets (halves to even). Fully transparent pieces hide
// nothing, so the photo's rectangle shows in the alpha channel.
struct OffsetCase {
    int offsetLeft, offsetTop;
    double scale;
    int L, T;
};

class ScaledInsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(ScaledInsets, PhotoIsShrunkAndPlacedAtTheRoundedOffsets)
{
    const OffsetCase& c = GetParam();
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "oak", mwtest::uniformPieces(8, 8, 4, 4),
                        [](int k, int, int) { return mw::Rgba{uint8_t(k * 20), 0, 0, 0}; });
    mwtest::writeText(dir.filePath("settings.ini"), "[oak]\noffsetLeft=" + QByteArray::number(c.offsetLeft) +
                                                        "\noffsetTop=" + QByteArray::number(c.offsetTop) + "\n");
    const int PW = 60, PH = 50;
    mw::TFrameForm form;
    form.iev2.layer(0).image = mw::Image(PW, PH, false, kPhotoColor);
    form.BuildFramedImage(dir.path() + "/oak_thumb.png", c.scale);
    EXPECT_EQ(form.geometry().insets, (mw::InsetOffsets{c.L, c.T}));
    const mw::Image& out = form.iev2.layer(0).image;
    ASSERT_EQ(out.width(), PW);
    ASSERT_EQ(out.height(), PH);
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x) {
            const bool inPhoto = x >= c.L && x < PW - c.L && y >= c.T && y < PH - c.T;
            ASSERT_EQ(out.pixel(x, y).a, inPhoto ? 255 : 0) << x << "," << y;
            if (inPhoto) {
                ASSERT_EQ(out.pixel(x, y), kPhotoColor) << x << "," << y;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScaledInsets,
                         ::testing::Values(OffsetCase{5, 7, 0.5, 2, 4}, OffsetCase{10, 6, 0.75, 8, 4},
                                           OffsetCase{10, 3, 0.25, 2, 1}, OffsetCase{9, 0, 1.0, 9, 0}));

TEST(FrameAssembly, EveryPieceFileIsReadOnceAndProgressCountsThem)
{
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "oak", mwtest::uniformPieces(10, 10, 3, 3));
    mw::TFrameForm form;
    form.iev2.layer(0).image = mw::Image(300, 200, false, kPhotoColor);
    std::vector<std::pair<int, int>> seen;
    form.setProgressCallback([&](int position, int maximum) { seen.emplace_back(position, maximum); });
    form.BuildFramedImage(dir.path() + "/oak_thumb.png", 1.0);

    std::vector<std::pair<int, int>> pieces;
    for (const auto& s : seen)
        if (s.second == 8)
            pieces.push_back(s);
    EXPECT_EQ(pieces, (std::vector<std::pair<int, int>>{{0, 8}, {1, 8}, {2, 8}, {3, 8}, {4, 8}, {5, 8}, {6, 8}, {7, 8}, {8, 8}}));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (std::pair<int, int>{100, 100}));
    // ievSide keeps the last piece loaded, corner 03.
    EXPECT_EQ(form.ievSide.layer(0).image.pixel(0, 0), mwtest::pieceColor(3));
}

} // namespace

// The framing computes pixels only in the band along the edges where the frame, its shadow,
// the fit and the drop shadow can change anything. Here it is checked, pixel for pixel,
// against the plain computation: one layer per tile merged from the top, the frame shadow over
// the whole frame, the whole frame resampled, a full layer merge and a full drop shadow.
#include "compose/frame_assembly.h"
#include "compose/framing.h"
#include "framelib/frame_library.h"
#include "framelib/inset_offsets.h"
#include "imaging/image_io.h"
#include "imaging/layers.h"
#include "imaging/resample.h"
#include "imaging/soft_shadow.h"
#include "test_frames.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace {

struct Reference {
    mw::Image image;
    mw::Image beforeShadow;
};

Reference referenceFraming(const mw::Image& photo, const QString& framePath, double scale, const mw::DropShadow& shadow)
{
    mw::FramePieces pieces;
    for (int k : mw::kPieceNumbers) {
        mw::Image img;
        const mw::Status st = mw::readImage(mw::piecePath(framePath, k).toStdString(), img);
        EXPECT_TRUE(st.isOk()) << st.reason();
        const mw::PieceSize size = mw::scaledPieceSize(img.width(), img.height(), scale);
        pieces[size_t(k)] = mw::resampleLanczos3(img, size.width, size.height);
    }
    const mw::InsetOffsets stored = mw::readInsetOffsets(mw::folderOf(framePath), mw::frameName(framePath));
    const int L = int(std::nearbyint(stored.left * scale));  // ties to even
    const int T = int(std::nearbyint(stored.top * scale));
    const int PW = photo.width(), PH = photo.height();
    const mw::FrameLayout layout = mw::layoutFrame(PW, PH, pieces);

    // One layer per placed piece over the canvas, merged from the top down.
    mw::LayeredImage mask(mw::Color{192, 220, 192});
    mask.layer(0).image = mw::Image(layout.geometry.canvasWidth, layout.geometry.canvasHeight, true,
                                    mw::Rgba{192, 220, 192, 255});
    for (const auto& pl : layout.placements) {
        mw::Layer layer;
        layer.image = pieces[size_t(pl.piece)];
        layer.x = pl.x;
        layer.y = pl.y;
        mask.addLayer(layer);
    }
    while (mask.count() > 2)
        mask.mergeLayers(mask.count() - 2, mask.count() - 1);
    mw::Layer frame = mask.layer(1);
    mw::detail::applySoftShadowReference(frame.image, mw::frameShadowParams());
    frame.image = mw::resampleLanczos3(frame.image, PW, PH);

    mw::LayeredImage view(mw::Color{255, 255, 255});
    view.layer(0).image = (L != 0 || T != 0) ? mw::resampleLanczos3(photo, PW - 2 * L, PH - 2 * T) : photo;
    view.layer(0).x = L;
    view.layer(0).y = T;
    view.addLayer(frame);
    view.mergeLayers(0, 1);

    Reference r;
    r.image = view.layer(0).image;
    if (auto params = mw::dropShadowParams(shadow)) {
        r.beforeShadow = r.image;
        mw::detail::applySoftShadowReference(r.image, *params);
    }
    return r;
}

// First differing pixel, for a readable failure.
std::string firstDifference(const mw::Image& a, const mw::Image& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return "size " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + " vs " +
               std::to_string(b.width()) + "x" + std::to_string(b.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y))) {
                const mw::Rgba p = a.pixel(x, y), q = b.pixel(x, y);
                return "pixel (" + std::to_string(x) + "," + std::to_string(y) + "): " + std::to_string(p.r) + "," +
                       std::to_string(p.g) + "," + std::to_string(p.b) + "," + std::to_string(p.a) + " vs " +
                       std::to_string(q.r) + "," + std::to_string(q.g) + "," + std::to_string(q.b) + "," +
                       std::to_string(q.a);
            }
    return {};
}

enum class Pieces { Even, Unequal, WideRightCorner, Lacy };

struct Photo {
    int width, height;
    bool alpha;
};

// Frame pieces with texture and partial transparency, in several size mixes.
void makeFrame(const QString& folder, Pieces kind)
{
    mwtest::PieceSizes sizes = mwtest::uniformPieces(16, 14, 9, 7);
    if (kind == Pieces::Unequal) {
        sizes[3] = {11, 19};
        sizes[6] = {13, 10};  // taller than piece 4: the right column runs longer
        sizes[7] = {20, 12};
        sizes[8] = {12, 15};  // wider than piece 2: the bottom row runs longer
        sizes[9] = {9, 9};
    } else if (kind == Pieces::WideRightCorner) {
        sizes[3] = {40, 10};   // wider than small canvases: negative x
        sizes[9] = {18, 45};   // taller than small canvases: negative y
    }
    const bool lacy = kind == Pieces::Lacy;
    mwtest::writePieces(folder, "test", sizes, [lacy](int k, int x, int y) {
        const mw::Rgba base = mwtest::pieceColor(k);
        mw::Rgba p{uint8_t(base.r + 3 * x), uint8_t(base.g + 5 * y), uint8_t(base.b + x * y), 255};
        // An inner lip that fades out, and (lacy) holes right through the pieces.
        if ((x + y) % 5 == 0)
            p.a = 128;
        if (lacy && (x * 7 + y * 3) % 4 == 0)
            p.a = 0;
        return p;
    });
}

using Case = std::tuple<Pieces, Photo, double, int /*inset*/, mw::DropShadow>;

class BandedFraming : public ::testing::TestWithParam<Case> {};

TEST_P(BandedFraming, MatchesThePlainComputationExactly)
{
    const auto& [kind, photoSize, scale, inset, shadow] = GetParam();
    QTemporaryDir dir;
    makeFrame(dir.path(), kind);
    if (inset != 0)
        mwtest::writeText(dir.filePath("settings.ini"),
                          "[transparent offsets]\noffsetLeft=" + QByteArray::number(inset) +
                              "\noffsetTop=" + QByteArray::number(inset / 2 + 1) + "\n");
    const QString framePath = dir.path() + "/test_thumb.png";
    const mw::Image photo = mwtest::patternImage(photoSize.width, photoSize.height, photoSize.alpha, 7);

    mw::FramingRequest request;
    request.framePath = framePath;
    request.scale = scale;
    request.shadow = shadow;
    mw::FramingResult fast;
    Reference plain;
    try {
        plain = referenceFraming(photo, framePath, scale, shadow);
    } catch (const mw::Error& e) {
        // The plain computation cannot make this picture (the photo is smaller than twice the
        // inset); the framing must then refuse too.
        EXPECT_THROW(mw::framePhoto(photo, request), mw::Error) << e.what();
        return;
    }
    ASSERT_NO_THROW(fast = mw::framePhoto(photo, request));
    EXPECT_EQ(firstDifference(fast.image, plain.image), "");
    EXPECT_TRUE(fast.image.hasAlpha());
    if (mw::dropShadowParams(shadow)) {
        ASSERT_TRUE(fast.beforeShadow.has_value());
        EXPECT_EQ(firstDifference(*fast.beforeShadow, plain.beforeShadow), "");
    } else {
        EXPECT_FALSE(fast.beforeShadow.has_value());
    }
}

const mw::DropShadow kNone{0, 5, {0, 0, 0}};
const mw::DropShadow kLowerRight{4, 5, {10, 20, 30}};
const mw::DropShadow kUpperLeftDeep{1, 25, {0, 0, 0}};
const mw::DropShadow kUpperRight{2, 1, {255, 0, 0}};
const mw::DropShadow kLowerLeft{3, 9, {0, 0, 0}};

INSTANTIATE_TEST_SUITE_P(
    UsualPhotos, BandedFraming,
    ::testing::Combine(::testing::Values(Pieces::Even, Pieces::Unequal, Pieces::Lacy),
                       ::testing::Values(Photo{203, 151, false}, Photo{160, 190, true}),
                       ::testing::Values(1.0, 0.75, 0.25), ::testing::Values(0, 9),
                       ::testing::Values(kNone, kLowerRight, kUpperLeftDeep)));

INSTANTIATE_TEST_SUITE_P(
    OtherShadows, BandedFraming,
    ::testing::Combine(::testing::Values(Pieces::Even), ::testing::Values(Photo{120, 97, false}),
                       ::testing::Values(0.5), ::testing::Values(0, -4),
                       ::testing::Values(kUpperRight, kLowerLeft, mw::DropShadow{7, 5, {}}, mw::DropShadow{-1, 5, {}})));

INSTANTIATE_TEST_SUITE_P(
    SmallAndOddPhotos, BandedFraming,
    ::testing::Combine(::testing::Values(Pieces::Even, Pieces::Unequal, Pieces::WideRightCorner),
                       ::testing::Values(Photo{1, 1, false}, Photo{12, 9, false}, Photo{31, 20, true},
                                         Photo{150, 33, false}, Photo{45, 300, false}),
                       ::testing::Values(1.0, 0.5), ::testing::Values(0, 5),
                       ::testing::Values(kNone, kLowerRight)));

} // namespace

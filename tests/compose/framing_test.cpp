// The framing operation: drop shadow size and placement, the single undo picture, and the
// errors that end a framing with a message instead of a crash.
#include "compose/framing.h"
#include "imaging/image_io.h"
#include "imaging/status.h"
#include "test_frames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const mw::Rgba kPhotoColor{90, 120, 150, 255};

class FramingFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        mwtest::writePieces(m_dir.path(), "oak", mwtest::uniformPieces(40, 40, 25, 25));
    }
    QString framePath() const { return m_dir.path() + "/oak_thumb.png"; }
    QTemporaryDir m_dir;
};

struct ShadowCase {
    int position, depth;
    int outW, outH;
    int pictureX, pictureY;  // where the framed photo's top-left lands
    int shadowDx, shadowDy;  // which way the shadow falls (-1, 0, +1)
};

class DropShadowPlacement : public FramingFixture, public ::testing::WithParamInterface<ShadowCase> {};

TEST_P(DropShadowPlacement, GrowsTheCanvasAndPlacesPictureAndShadow)
{
    const ShadowCase& c = GetParam();
    mw::FramingRequest request;
    request.framePath = framePath();
    request.shadow = mw::DropShadow{c.position, c.depth, mw::Color{0, 0, 0}};
    const mw::FramingResult r = mw::framePhoto(mw::Image(1000, 800, false, kPhotoColor), request);
    ASSERT_EQ(r.image.width(), c.outW);
    ASSERT_EQ(r.image.height(), c.outH);
    if (c.outW == 1000) {
        EXPECT_FALSE(r.beforeShadow.has_value());
        return;
    }
    // The picture is opaque, so the shadow leaves it as it was before the shadow: the undo
    // picture, 1000 x 800, sits at (pictureX, pictureY) unchanged.
    ASSERT_TRUE(r.beforeShadow.has_value());
    const mw::Image& before = *r.beforeShadow;
    ASSERT_EQ(before.width(), 1000);
    ASSERT_EQ(before.height(), 800);
    for (int y = 0; y < 800; y += 7)
        for (int x = 0; x < 1000; x += 7)
            ASSERT_EQ(r.image.pixel(x + c.pictureX, y + c.pictureY), before.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(r.image.pixel(c.pictureX, c.pictureY).a, 255);
    EXPECT_EQ(r.image.pixel(c.pictureX + 999, c.pictureY + 799).a, 255);

    // Beside the picture, mid-side, `depth` pixels out: the shadow is stronger on the side it
    // falls to (the blur reaches a little way round the other sides too).
    const int midY = c.pictureY + 400, midX = c.pictureX + 500;
    const int right = r.image.pixel(c.pictureX + 1000 + c.depth, midY).a;
    const int left = r.image.pixel(c.pictureX - 1 - c.depth, midY).a;
    const int below = r.image.pixel(midX, c.pictureY + 800 + c.depth).a;
    const int above = r.image.pixel(midX, c.pictureY - 1 - c.depth).a;
    EXPECT_EQ(right > left, c.shadowDx > 0) << right << " " << left;
    EXPECT_EQ(below > above, c.shadowDy > 0) << below << " " << above;
    EXPECT_GT(std::max(right, left), 0);
    // The corner away from the shadow stays transparent.
    EXPECT_EQ(r.image.pixel(c.shadowDx > 0 ? 0 : c.outW - 1, c.shadowDy > 0 ? 0 : c.outH - 1).a, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropShadowPlacement,
                         ::testing::Values(ShadowCase{4, 5, 1030, 830, 15, 15, 1, 1},
                                           ShadowCase{4, 25, 1070, 870, 35, 35, 1, 1},
                                           ShadowCase{1, 5, 1030, 830, 15, 15, -1, -1},
                                           ShadowCase{2, 10, 1040, 840, 20, 20, 1, -1},
                                           ShadowCase{3, 1, 1022, 822, 11, 11, -1, 1},
                                           ShadowCase{0, 5, 1000, 800, 0, 0, 0, 0},
                                           ShadowCase{5, 5, 1000, 800, 0, 0, 0, 0},
                                           ShadowCase{-2, 5, 1000, 800, 0, 0, 0, 0}));

TEST_F(FramingFixture, WithoutShadowTheResultHasThePhotosSize)
{
    mw::FramingRequest request;
    request.framePath = framePath();
    const mw::FramingResult r = mw::framePhoto(mw::Image(1000, 800, false, kPhotoColor), request);
    EXPECT_EQ(r.image.width(), 1000);
    EXPECT_EQ(r.image.height(), 800);
    EXPECT_EQ(r.image.pixel(500, 400), kPhotoColor);
    EXPECT_EQ(r.image.pixel(10, 10), mwtest::pieceColor(1));
}

TEST_F(FramingFixture, FramingTwiceGivesTheSamePicture)
{
    mw::FramingRequest request;
    request.framePath = framePath();
    request.scale = 0.75;
    request.shadow = mw::DropShadow{4, 5, mw::Color{0, 0, 0}};
    const mw::Image photo = mwtest::patternImage(300, 200, false, 3);
    EXPECT_EQ(mw::framePhoto(photo, request).image, mw::framePhoto(photo, request).image);
}

TEST_F(FramingFixture, AMissingPieceNamesItsFullPath)
{
    const QString missing = m_dir.path() + "/oak_07.png";
    ASSERT_TRUE(QFile::remove(missing));
    mw::FramingRequest request;
    request.framePath = framePath();
    try {
        mw::framePhoto(mw::Image(200, 200, false, kPhotoColor), request);
        FAIL() << "framing without piece 07 succeeded";
    } catch (const mw::FileError& e) {
        const std::string prefix = "Cannot open file \"" + missing.toStdString() + "\". ";
        EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix) << e.what();
        EXPECT_GT(std::string(e.what()).size(), prefix.size());  // the system's reason follows
    }
}

TEST(Framing, TheFrameNameEndsAtTheFirstUnderscore)
{
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "gilt", mwtest::uniformPieces(12, 12, 6, 6));
    mw::FramingRequest request;
    request.framePath = dir.path() + "/gilt_oak_thumb.png";
    const mw::FramingResult r = mw::framePhoto(mw::Image(100, 100, false, kPhotoColor), request);
    EXPECT_EQ(r.image.pixel(2, 2), mwtest::pieceColor(1));
}

TEST(Framing, PiecesAreFoundWithoutRegardToCase)
{
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "OAK", mwtest::uniformPieces(12, 12, 6, 6));
    for (int k : {1, 2, 3, 4, 6, 7, 8, 9}) {
        const QString from = dir.path() + "/OAK_0" + QString::number(k) + ".png";
        ASSERT_TRUE(QFile::rename(from, dir.path() + "/OAK_0" + QString::number(k) + ".PNG"));
    }
    mw::FramingRequest request;
    request.framePath = dir.path() + "/oak_thumb.png";
    const mw::FramingResult r = mw::framePhoto(mw::Image(100, 100, false, kPhotoColor), request);
    EXPECT_EQ(r.image.pixel(99, 99), mwtest::pieceColor(9));
}

// Faults that must end the framing with a message naming the cause, never a crash.
struct FaultCase {
    const char* name;
    int photoW, photoH;
    const char* ini;
    QByteArray brokenPiece;  // bytes written over piece 04, or empty
    const char* messagePart;
};

class FramingFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FramingFaults, EndWithAClearError)
{
    const FaultCase& c = GetParam();
    QTemporaryDir dir;
    mwtest::writePieces(dir.path(), "oak", mwtest::uniformPieces(12, 12, 6, 6));
    if (c.ini)
        mwtest::writeText(dir.filePath("settings.ini"), c.ini);
    if (!c.brokenPiece.isEmpty())
        mwtest::writeText(dir.filePath("oak_04.png"), c.brokenPiece);
    mw::FramingRequest request;
    request.framePath = dir.path() + "/oak_thumb.png";
    request.shadow = mw::DropShadow{4, 5, mw::Color{}};
    mw::Image photo;
    if (c.photoW > 0)
        photo = mw::Image(c.photoW, c.photoH, false, kPhotoColor);
    try {
        mw::framePhoto(photo, request);
        FAIL() << "framing succeeded";
    } catch (const mw::Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
    }
}

// A PNG header claiming a 0-pixel-wide image.
const char kZeroWidthPngBytes[] =
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\0\0\0\0\x10\x08\x06\0\0\0\0\0\0\0";
const QByteArray kZeroWidthPng(kZeroWidthPngBytes, sizeof kZeroWidthPngBytes - 1);

INSTANTIATE_TEST_SUITE_P(
    Cases, FramingFaults,
    ::testing::Values(FaultCase{"EmptyPhoto", 0, 0, nullptr, {}, "empty"},
                      FaultCase{"PhotoNotWiderThanTwiceTheInset", 40, 100,
                                "[transparent offsets]\noffsetLeft=20\noffsetTop=5\n", {}, "too small"},
                      FaultCase{"PhotoNotTallerThanTwiceTheInset", 100, 39,
                                "[transparent offsets]\noffsetLeft=0\noffsetTop=25\n", {}, "too small"},
                      FaultCase{"PieceThatDoesNotDecode", 100, 100, nullptr, "not a picture at all",
                                "Cannot read frame piece"},
                      FaultCase{"PieceOfZeroWidth", 100, 100, nullptr, kZeroWidthPng, "oak_04.png"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

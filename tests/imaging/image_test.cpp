#include "imaging/image.h"
#include "imaging/image_io.h"
#include "imaging/status.h"

#include <gtest/gtest.h>

namespace mw {
namespace {

TEST(ImageTest, AlphaOffMakesEveryPixelOpaqueAndCopyWithoutAlphaDropsIt)
{
    Image img(3, 2, true, Rgba{10, 20, 30, 40});
    EXPECT_EQ(img.pixel(2, 1), (Rgba{10, 20, 30, 40}));
    Image flat = img.copyWithoutAlpha();
    EXPECT_FALSE(flat.hasAlpha());
    EXPECT_EQ(flat.pixel(0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_TRUE(img.hasAlpha()) << "the source keeps its alpha";
}

TEST(ImageTest, RefusesSizesBeyondTheLimitsBeforeAllocating)
{
    EXPECT_TRUE(checkImageSize(65535, 4097).has_value());   // just over 2^28 pixels
    EXPECT_TRUE(checkImageSize(65536, 1).has_value());
    EXPECT_TRUE(checkImageSize(-1, 5).has_value());
    EXPECT_FALSE(checkImageSize(16384, 16384).has_value()); // exactly 2^28
    EXPECT_THROW(Image(70000, 2), Error);
}

TEST(ImageTest, GrowCanvasMovesThePictureWithOrWithoutReservedRoom)
{
    for (size_t reserve : {size_t(0), size_t(7 * 6 * 4)}) {
        Image img = Image::uninitialized(4, 3, true, reserve);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                img.setPixel(x, y, Rgba{uint8_t(x), uint8_t(y), uint8_t(10 * x + y), uint8_t(200 + x)});
        const uint8_t* before = img.data();
        img.growCanvas(2, 1, 1, 2);
        ASSERT_EQ(img.width(), 7);
        ASSERT_EQ(img.height(), 6);
        if (reserve) {
            EXPECT_EQ(img.data(), before) << "reserved room is used in place";
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(img.pixel(x + 2, y + 1), (Rgba{uint8_t(x), uint8_t(y), uint8_t(10 * x + y), uint8_t(200 + x)}));
    }
}

TEST(ImageIoTest, MissingFileRaisesCannotOpenWithQuotedPathAndReason)
{
    Image img;
    try {
        (void)readImage("/nonexistent/dir/photo.JPG", img);
        FAIL() << "expected FileError";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"/nonexistent/dir/photo.JPG\". No such file or directory");
    }
}

TEST(ImageIoTest, UncreatableTargetRaisesCannotCreate)
{
    try {
        writeFileAtomically("/nonexistent/dir/out.png", std::vector<uint8_t>{1, 2, 3});
        FAIL() << "expected FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"/nonexistent/dir/out.png\". ", 0), 0u);
    }
}

TEST(ImageIoTest, ExtensionsAreMatchedWithoutRegardToCase)
{
    EXPECT_EQ(fileExtension("/a.b/photo.JPeG"), "jpeg");
    EXPECT_EQ(fileExtension("/a.b/photo"), "");
    EXPECT_TRUE(canRead("PNG"));
    EXPECT_TRUE(canRead("wbmp"));
    EXPECT_FALSE(canWrite("wbmp"));
    EXPECT_FALSE(canRead("psd"));
    EXPECT_FALSE(canRead(""));
}

} // namespace
} // namespace mw

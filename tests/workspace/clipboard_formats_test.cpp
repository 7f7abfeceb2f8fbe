#include "workspace/clipboard_formats.h"
#include "workspace/output.h"
#include "workspace/qimage_convert.h"

#include "imaging/image_io.h"
#include "test_images.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace mw {
namespace {

using test::positionImage;

QByteArray pngBytes(const Image& image)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(encodeImage(image, "png", out).isOk());
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
}

// Which picture a paste takes when the data offers several (each tagged differently).
struct PasteCase {
    const char* name;
    bool raw;        // a valid raw payload, tag 1
    bool rawBroken;  // a raw entry holding garbage
    bool png;        // tag 2
    bool image;      // tag 3
    int expectedTag; // 0: nothing to paste
};

class PastePreferenceTest : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PastePreferenceTest, TakesTheFirstUsableFormat)
{
    const PasteCase c = GetParam();
    QMimeData data;
    if (c.raw)
        data.setData(kRawImageMimeType, encodeRawImage(positionImage(5, 4, 1)));
    if (c.rawBroken)
        data.setData(kRawImageMimeType, QByteArray("MWRAW\0\1\0garbage", 15));
    if (c.png)
        data.setData(kPngMimeType, pngBytes(positionImage(6, 4, 2)));
    if (c.image)
        data.setImageData(toQImage(positionImage(7, 4, 3)));

    EXPECT_EQ(mimeOffersImage(&data), c.raw || c.rawBroken || c.png || c.image);
    const std::optional<Image> pasted = imageFromMimeData(&data);
    if (c.expectedTag == 0) {
        EXPECT_FALSE(pasted.has_value());
        return;
    }
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->pixel(4, 3), (Rgba{4, 3, uint8_t(c.expectedTag), 255}));
    EXPECT_EQ(pasted->width(), 4 + c.expectedTag);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PastePreferenceTest,
    ::testing::Values(PasteCase{"all_three", true, false, true, true, 1},
                      PasteCase{"png_and_image", false, false, true, true, 2},
                      PasteCase{"only_png", false, false, true, false, 2},
                      PasteCase{"only_image", false, false, false, true, 3},
                      PasteCase{"broken_raw_falls_back", false, true, true, true, 2},
                      PasteCase{"broken_raw_alone", false, true, false, false, 0},
                      PasteCase{"nothing", false, false, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawFormatTest, RoundTripKeepsPixelsAndAlpha)
{
    Image img = positionImage(9, 7, 4, true, 77);
    img.setPixel(8, 6, Rgba{1, 2, 3, 0});
    const std::optional<Image> back = decodeRawImage(encodeRawImage(img));
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->hasAlpha());
    EXPECT_EQ(*back, img);
}

// Every malformed payload is refused before anything is allocated from its header.
TEST(RawFormatTest, MalformedPayloadsAreRefused)
{
    const QByteArray good = encodeRawImage(positionImage(3, 2));
    auto with = [&](int offset, QByteArray bytes) {
        QByteArray p = good;
        p.replace(offset, bytes.size(), bytes);
        return p;
    };
    const QByteArray cases[] = {
        QByteArray(),
        good.left(10),                                   // header cut short
        good.left(good.size() - 1),                      // last pixel byte missing
        good + QByteArray(1, '\0'),                      // trailing byte
        with(0, QByteArray("XXRAW")),                    // wrong magic
        with(6, QByteArray("\x02\x00", 2)),              // unknown version
        with(8, QByteArray("\x02\x00", 2)),              // unknown flag
        with(12, QByteArray("\x00\x00\x00\x00", 4)),     // zero width
        with(12, QByteArray("\xff\xff\x00\x00", 4)) + QByteArray(1, 0),  // 65535 wide, wrong length
        with(12, QByteArray("\xff\xff\xff\x7f", 4)),     // absurd width
        with(16, QByteArray("\x00\x00\x01\x00", 4)),     // 65536 high
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_FALSE(decodeRawImage(cases[i]).has_value()) << "case " << i;
}

TEST(RawFormatTest, PayloadWithoutAlphaFlagIsOpaque)
{
    QByteArray p = encodeRawImage(positionImage(2, 2, 1, true, 10));
    p[8] = 0;  // clear the alpha flag, leaving the stray alpha bytes
    const std::optional<Image> back = decodeRawImage(p);
    ASSERT_TRUE(back.has_value());
    EXPECT_FALSE(back->hasAlpha());
    EXPECT_EQ(back->pixel(1, 1).a, 255);
}

// What Copy hands out is the flattened result; pasting it back gives exactly that picture,
// with no alpha channel, whichever of the offered formats is taken.
TEST(CopyPasteTest, PasteOfCopiedResultIsTheOutputImageWithoutAlpha)
{
    Image framed = positionImage(12, 8, 50, true, 255);
    framed.setPixel(0, 0, Rgba{200, 0, 0, 0});
    framed.setPixel(1, 0, Rgba{200, 0, 0, 128});
    const Image output = prepareFinalImage(framed, Color{0, 0, 255});
    ASSERT_FALSE(output.hasAlpha());

    const std::unique_ptr<QMimeData> copied(mimeDataForImage(output));
    EXPECT_TRUE(copied->hasImage());
    EXPECT_TRUE(copied->hasFormat(kRawImageMimeType));
    EXPECT_TRUE(copied->hasFormat(kPngMimeType));

    const std::optional<Image> pasted = imageFromMimeData(copied.get());
    ASSERT_TRUE(pasted.has_value());
    EXPECT_FALSE(pasted->hasAlpha());
    EXPECT_EQ(*pasted, output);
    EXPECT_EQ(pasted->pixel(0, 0), (Rgba{0, 0, 255, 255})) << "fully transparent shows the background";

    // The same picture comes through the other two formats too.
    for (const QString& keep : {kPngMimeType, QStringLiteral("application/x-qt-image")}) {
        QMimeData only;
        if (keep == kPngMimeType)
            only.setData(kPngMimeType, copied->data(kPngMimeType));
        else
            only.setImageData(copied->imageData());
        const std::optional<Image> p = imageFromMimeData(&only);
        ASSERT_TRUE(p.has_value()) << keep.toStdString();
        EXPECT_FALSE(p->hasAlpha());
        EXPECT_EQ(*p, output) << keep.toStdString();
    }
}

} // namespace
} // namespace mw

// The codecs built on libpng, libjpeg-turbo, OpenJPEG, libtiff, giflib and libwebp: exact
// round trips for the lossless formats, the kinds of file each reader must understand (made
// here with the same libraries), EXIF orientation, and each format's own failure modes.
#include "imaging/codecs/codec.h"
#include "imaging/codecs/exif.h"
#include "imaging/image.h"
#include "imaging/image_io.h"
#include "support/jpeg_fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <gif_lib.h>
#include <openjpeg-2.5/openjpeg.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace mw {
namespace {

using mwtest::exifPayload;
using mwtest::makeJpeg;
using mwtest::withApp1;

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// Odd sizes so that row padding, partial JPEG blocks and interlace passes all come into play.
Image patternImage(int w, int h, bool alpha)
{
    Image img(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, Rgba{uint8_t(x * 37 + y), uint8_t(y * 53 + 7), uint8_t((x ^ y) * 29),
                                    alpha ? uint8_t((x * 11 + y * 17) % 256) : uint8_t(255)});
    return img;
}

// Smooth gradients plus a little noise: what a photo looks like to a codec.
Image photoImage(int w, int h)
{
    Image img(w, h);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28) - 8;
            img.setPixel(x, y, Rgba{uint8_t(std::clamp(x * 255 / w + n, 0, 255)),
                                    uint8_t(std::clamp(y * 255 / h + n, 0, 255)),
                                    uint8_t(std::clamp(128 + int(60 * std::sin(x * 0.05 + y * 0.03)) + n, 0, 255))});
        }
    return img;
}

double meanAbsDiff(const Image& a, const Image& b)
{
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x)
            sum += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
    return sum / (double(a.width()) * a.height() * 4);
}

Bytes encodeOk(const Image& img, const std::string& ext)
{
    Bytes out;
    Status st = encodeImage(img, ext, out);
    EXPECT_TRUE(st) << ext << ": " << st.reason();
    return out;
}

Image decodeOk(const Bytes& data, const std::string& ext, ReadOptions options = {})
{
    Image img;
    Status st = decodeImage(data, ext, img, options);
    EXPECT_TRUE(st) << ext << ": " << st.reason();
    return img;
}

// ---- lossless round trips ------------------------------------------------------------------

struct RoundTripCase {
    const char* name;
    const char* ext;
    std::function<Image()> make;
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

// A picture of a few colours and a transparent hole, fit for a palette.
Image fewColours(bool withHole)
{
    const Rgba colours[] = {{255, 0, 0, 255}, {0, 200, 0, 255}, {10, 20, 250, 255}, {250, 250, 250, 255}, {1, 2, 3, 255}};
    Image img(23, 17, withHole);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, colours[(x / 3 + y / 2) % 5]);
    if (withHole)
        for (int y = 4; y < 9; ++y)
            for (int x = 5; x < 12; ++x)
                img.setPixel(x, y, Rgba{0, 0, 0, 0});
    return img;
}

// Exactly 256 distinct opaque colours: the palette is full but still exact.
Image full256()
{
    Image img(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            img.setPixel(x, y, Rgba{uint8_t(x * 16), uint8_t(y * 16), uint8_t(x * y), 255});
    return img;
}

class LosslessRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LosslessRoundTrip, PixelsComeBackIdentical)
{
    const Image original = GetParam().make();
    const Image decoded = decodeOk(encodeOk(original, GetParam().ext), GetParam().ext);
    ASSERT_EQ(decoded.width(), original.width());
    ASSERT_EQ(decoded.height(), original.height());
    EXPECT_EQ(decoded.hasAlpha(), original.hasAlpha());
    EXPECT_TRUE(decoded == original) << "pixels differ";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LosslessRoundTrip,
    ::testing::Values(RoundTripCase{"PngRgb", "png", [] { return patternImage(31, 19, false); }},
                      RoundTripCase{"PngRgba", "png", [] { return patternImage(31, 19, true); }},
                      RoundTripCase{"TiffRgb", "tif", [] { return patternImage(31, 19, false); }},
                      RoundTripCase{"TiffRgba", "tiff", [] { return patternImage(31, 19, true); }},
                      RoundTripCase{"Jp2Rgb", "jp2", [] { return patternImage(31, 19, false); }},
                      RoundTripCase{"Jp2Rgba", "jp2", [] { return patternImage(31, 19, true); }},
                      RoundTripCase{"J2kRgb", "j2k", [] { return patternImage(31, 19, false); }},
                      RoundTripCase{"JpcTiny", "jpc", [] { return patternImage(3, 2, false); }},
                      RoundTripCase{"GifFewColours", "gif", [] { return fewColours(false); }},
                      RoundTripCase{"GifTransparent", "gif", [] { return fewColours(true); }},
                      RoundTripCase{"Gif256Colours", "gif", full256}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- lossy writers ---------------------------------------------------------------------------

TEST(JpegCodec, RoundTripStaysCloseAndQualityTradesSize)
{
    const Image photo = photoImage(97, 61);
    Bytes q90, q30;
    ASSERT_TRUE(encodeImage(photo, "jpg", q90, WriteOptions{90, 6}));
    ASSERT_TRUE(encodeImage(photo, "jpg", q30, WriteOptions{30, 6}));
    const Image back90 = decodeOk(q90, "jpg");
    const Image back30 = decodeOk(q30, "jpg");
    EXPECT_LT(meanAbsDiff(photo, back90), 3.0);
    EXPECT_LT(meanAbsDiff(photo, back90), meanAbsDiff(photo, back30));
    EXPECT_LT(q30.size() * 3 / 2, q90.size());
    EXPECT_FALSE(back90.hasAlpha());
    EXPECT_EQ(back90.bitsPerPixel(), 24);
}

TEST(JpegCodec, DefaultQualityIsNinety)
{
    const Image photo = photoImage(64, 48);
    Bytes byDefault, at90;
    ASSERT_TRUE(encodeImage(photo, "jpg", byDefault));
    ASSERT_TRUE(codecs::encodeJpeg(photo, at90, 90));
    EXPECT_EQ(byDefault, at90);
}

TEST(GifCodec, ManyColoursAreReducedToADecentPalette)
{
    const Image photo = photoImage(120, 80);
    const Image back = decodeOk(encodeOk(photo, "gif"), "gif");
    std::set<uint32_t> colours;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) {
            const Rgba p = back.pixel(x, y);
            colours.insert(uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b);
        }
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 64u);  // the palette is actually used, not a handful of greys
    EXPECT_LT(meanAbsDiff(photo, back), 4.0);
    EXPECT_FALSE(back.hasAlpha());
}

// ---- extensions in any case ------------------------------------------------------------------

class UpperCaseExtension : public ::testing::TestWithParam<const char*> {};

TEST_P(UpperCaseExtension, WritesAndReadsLikeLowerCase)
{
    const std::string ext = GetParam();
    const fs::path dir = fs::temp_directory_path() / ("mw_codec_case_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const Image img = patternImage(20, 12, false);
    const std::string upper = (dir / ("picture." + ext)).string();
    std::string lowerExt = ext;
    std::transform(lowerExt.begin(), lowerExt.end(), lowerExt.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const std::string lower = (dir / ("picture_lower." + lowerExt)).string();
    ASSERT_TRUE(writeImage(upper, img));
    ASSERT_TRUE(writeImage(lower, img));
    EXPECT_EQ(readFileBytes(upper), readFileBytes(lower));
    Image fromUpper, fromLower;
    ASSERT_TRUE(readImage(upper, fromUpper));
    ASSERT_TRUE(readImage(lower, fromLower));
    EXPECT_TRUE(fromUpper == fromLower);
    EXPECT_EQ(fromUpper.width(), 20);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Formats, UpperCaseExtension,
                         ::testing::Values("PNG", "JPG", "JPEG", "TIF", "GIF", "JP2", "J2K", "Tiff"));

// ---- PNG kinds made with libpng --------------------------------------------------------------

struct PngSpec {
    int width, height;
    int colorType, bitDepth;
    bool interlaced;
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;  // tRNS for palettes
    bool colourKey = false;             // tRNS for grey / RGB
    png_color_16 key{};
    std::function<std::vector<unsigned>(int x, int y)> samples;  // one value per channel
};

extern "C" void testPngWrite(png_structp png, png_bytep data, size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
extern "C" void testPngFlush(png_structp) {}

// libpng jumps back here on error; the frame holds nothing with a destructor.
bool writePngRaw(png_structp png, png_infop info, const PngSpec* spec, png_bytepp rows, Bytes* out)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, testPngWrite, testPngFlush);
    png_set_IHDR(png, info, png_uint_32(spec->width), png_uint_32(spec->height), spec->bitDepth, spec->colorType,
                 spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec->palette.empty())
        png_set_PLTE(png, info, spec->palette.data(), int(spec->palette.size()));
    if (!spec->paletteAlpha.empty())
        png_set_tRNS(png, info, spec->paletteAlpha.data(), int(spec->paletteAlpha.size()), nullptr);
    if (spec->colourKey)
        png_set_tRNS(png, info, nullptr, 0, &spec->key);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

Bytes makePng(const PngSpec& spec)
{
    const int channels = spec.colorType == PNG_COLOR_TYPE_GRAY || spec.colorType == PNG_COLOR_TYPE_PALETTE ? 1
                         : spec.colorType == PNG_COLOR_TYPE_GRAY_ALPHA                                      ? 2
                         : spec.colorType == PNG_COLOR_TYPE_RGB                                             ? 3
                                                                                                            : 4;
    const size_t rowBits = size_t(spec.width) * channels * spec.bitDepth;
    std::vector<Bytes> rowData(size_t(spec.height), Bytes((rowBits + 7) / 8));
    for (int y = 0; y < spec.height; ++y) {
        size_t bit = 0;
        for (int x = 0; x < spec.width; ++x)
            for (unsigned v : spec.samples(x, y)) {
                Bytes& row = rowData[size_t(y)];
                if (spec.bitDepth == 16) {
                    row[bit / 8] = uint8_t(v >> 8);
                    row[bit / 8 + 1] = uint8_t(v);
                } else {
                    row[bit / 8] |= uint8_t(v << (8 - spec.bitDepth - bit % 8));
                }
                bit += size_t(spec.bitDepth);
            }
    }
    std::vector<png_bytep> rows;
    for (Bytes& r : rowData)
        rows.push_back(r.data());
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = writePngRaw(png, info, &spec, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(ok);
    return out;
}

struct PngKindCase {
    const char* name;
    PngSpec spec;
    std::function<Rgba(int x, int y)> expected;
    bool hasAlpha;
    int bitsPerPixel;
};
void PrintTo(const PngKindCase& c, std::ostream* os) { *os << c.name; }

const std::vector<png_color> kPalette4 = {{0, 0, 0}, {255, 0, 0}, {0, 128, 255}, {250, 240, 10}};

std::vector<PngKindCase> pngKinds()
{
    auto grey = [](unsigned v) { return Rgba{uint8_t(v), uint8_t(v), uint8_t(v), 255}; };
    std::vector<PngKindCase> cases;
    cases.push_back({"Grey1Bit", {9, 7, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, false, {}, [](int x, int y) {
                                      return std::vector<unsigned>{unsigned((x + y) & 1)}; }},
                     [=](int x, int y) { return grey((x + y) & 1 ? 255 : 0); }, false, 1});
    cases.push_back({"Grey4BitInterlaced", {9, 7, PNG_COLOR_TYPE_GRAY, 4, true, {}, {}, false, {}, [](int x, int y) {
                                                return std::vector<unsigned>{unsigned((x * 3 + y) % 16)}; }},
                     [=](int x, int y) { return grey(unsigned((x * 3 + y) % 16) * 17); }, false, 8});
    cases.push_back({"Grey16Bit", {9, 7, PNG_COLOR_TYPE_GRAY, 16, false, {}, {}, false, {}, [](int x, int y) {
                                       return std::vector<unsigned>{unsigned((x * 40 + y * 7) % 256) * 257}; }},
                     [=](int x, int y) { return grey(unsigned((x * 40 + y * 7) % 256)); }, false, 8});
    cases.push_back({"GreyAlpha", {9, 7, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {}, {}, false, {}, [](int x, int y) {
                                       return std::vector<unsigned>{unsigned(x * 30), unsigned(y * 40)}; }},
                     [](int x, int y) { return Rgba{uint8_t(x * 30), uint8_t(x * 30), uint8_t(x * 30), uint8_t(y * 40)}; },
                     true, 32});
    cases.push_back({"Rgb16BitInterlaced", {9, 7, PNG_COLOR_TYPE_RGB, 16, true, {}, {}, false, {}, [](int x, int y) {
                                                return std::vector<unsigned>{unsigned(x * 25) * 257, unsigned(y * 30) * 257, 0x8080u}; }},
                     [](int x, int y) { return Rgba{uint8_t(x * 25), uint8_t(y * 30), 0x80, 255}; }, false, 24});
    cases.push_back({"Palette2Bit", {9, 7, PNG_COLOR_TYPE_PALETTE, 2, false, kPalette4, {}, false, {}, [](int x, int y) {
                                         return std::vector<unsigned>{unsigned(x + y) % 4}; }},
                     [](int x, int y) {
                         const png_color c = kPalette4[size_t(x + y) % 4];
                         return Rgba{c.red, c.green, c.blue, 255};
                     },
                     false, 8});
    cases.push_back({"PaletteWithTrns", {9, 7, PNG_COLOR_TYPE_PALETTE, 8, true, kPalette4, {255, 0, 128}, false, {},
                                         [](int x, int y) { return std::vector<unsigned>{unsigned(x * y) % 4}; }},
                     [](int x, int y) {
                         const size_t i = size_t(x * y) % 4;
                         const png_color c = kPalette4[i];
                         const uint8_t a = i == 1 ? 0 : i == 2 ? 128 : 255;  // entries past tRNS are opaque
                         return Rgba{c.red, c.green, c.blue, a};
                     },
                     true, 8});
    {
        png_color_16 key{};
        key.gray = 50;
        cases.push_back({"GreyColourKey", {9, 7, PNG_COLOR_TYPE_GRAY, 8, false, {}, {}, true, key, [](int x, int y) {
                                               return std::vector<unsigned>{(x + y) % 3 == 0 ? 50u : unsigned(x * 20)}; }},
                         [](int x, int y) {
                             const uint8_t v = (x + y) % 3 == 0 ? 50 : uint8_t(x * 20);
                             return Rgba{v, v, v, uint8_t(v == 50 ? 0 : 255)};
                         },
                         true, 32});
    }
    {
        png_color_16 key{};
        key.red = 10;
        key.green = 20;
        key.blue = 30;
        cases.push_back({"RgbColourKey", {9, 7, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, true, key, [](int x, int y) {
                                              return x == y ? std::vector<unsigned>{10, 20, 30}
                                                            : std::vector<unsigned>{unsigned(x * 9), 20, 30}; }},
                         [](int x, int y) {
                             return x == y ? Rgba{10, 20, 30, 0} : Rgba{uint8_t(x * 9), 20, 30, uint8_t(x * 9 == 10 ? 0 : 255)};
                         },
                         true, 32});
    }
    return cases;
}

class PngKinds : public ::testing::TestWithParam<PngKindCase> {};

TEST_P(PngKinds, DecodeToTheExpectedPixels)
{
    const PngKindCase& c = GetParam();
    const Image img = decodeOk(makePng(c.spec), "png");
    ASSERT_EQ(img.width(), c.spec.width);
    ASSERT_EQ(img.height(), c.spec.height);
    EXPECT_EQ(img.hasAlpha(), c.hasAlpha);
    EXPECT_EQ(img.bitsPerPixel(), c.bitsPerPixel);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, y), c.expected(x, y)) << "at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngKinds, ::testing::ValuesIn(pngKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- JPEG kinds made with libjpeg ------------------------------------------------------------

// Test inputs are valid, so libjpeg's default error handler (which exits) never fires.

TEST(JpegCodec, GreyDecodesAsEightBitGrey)
{
    Bytes grey(40 * 24);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t((i % 40) * 6);
    const Image img = decodeOk(makeJpeg(40, 24, JCS_GRAYSCALE, 1, grey, false), "jpg");
    EXPECT_EQ(img.bitsPerPixel(), 8);
    for (int x = 0; x < 40; ++x) {
        const Rgba p = img.pixel(x, 10);
        EXPECT_EQ(p.r, p.g);
        EXPECT_EQ(p.g, p.b);
        EXPECT_NEAR(p.r, x * 6, 4);
    }
}

TEST(JpegCodec, AdobeCmykBecomesRgb)
{
    // Left half red, right half blue, stored with Adobe's inverted inks (255 = no ink).
    const int w = 32, h = 16;
    Bytes cmyk(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &cmyk[(size_t(y) * w + x) * 4];
            const bool red = x < w / 2;
            p[0] = red ? 255 : 0;    // cyan: none for red, full for blue
            p[1] = 0;                // magenta: full in both
            p[2] = red ? 0 : 255;    // yellow: full for red, none for blue
            p[3] = 255;              // no black
        }
    const Image img = decodeOk(makeJpeg(w, h, JCS_CMYK, 4, cmyk, false), "jpg");
    const Rgba left = img.pixel(4, 8), right = img.pixel(w - 5, 8);
    EXPECT_GT(left.r, 230);
    EXPECT_LT(left.g, 25);
    EXPECT_LT(left.b, 25);
    EXPECT_LT(right.r, 25);
    EXPECT_LT(right.g, 25);
    EXPECT_GT(right.b, 230);
}

TEST(JpegCodec, ProgressiveDecodesLikeBaseline)
{
    const Image photo = photoImage(50, 34);
    Bytes rgb;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            const Rgba p = photo.pixel(x, y);
            rgb.insert(rgb.end(), {p.r, p.g, p.b});
        }
    const Image baseline = decodeOk(makeJpeg(50, 34, JCS_RGB, 3, rgb, false), "jpg");
    const Image progressive = decodeOk(makeJpeg(50, 34, JCS_RGB, 3, rgb, true), "jpg");
    EXPECT_LT(meanAbsDiff(baseline, progressive), 1.0);
    EXPECT_LT(meanAbsDiff(photo, progressive), 3.0);
}

// ---- EXIF orientation ------------------------------------------------------------------------



class ExifOrientation : public ::testing::TestWithParam<bool> {};

TEST_P(ExifOrientation, SixTurnsAFourByTwoPhotoUpright)
{
    // Left half red, right half blue; orientation 6 means "turn 90 degrees clockwise to view".
    Image img(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            img.setPixel(x, y, x < 2 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 255, 255});
    Bytes plain;
    ASSERT_TRUE(codecs::encodeJpeg(img, plain, 100));
    const Bytes tagged = withApp1(plain, exifPayload(GetParam(), {{0x010F, 2, 1, 0}, {0x0112, 3, 1, 6}}));

    const Image upright = decodeOk(tagged, "jpg");
    ASSERT_EQ(upright.width(), 2);
    ASSERT_EQ(upright.height(), 4);
    EXPECT_GT(upright.pixel(0, 0).r, 150);  // the left (red) side is now on top
    EXPECT_GT(upright.pixel(1, 3).b, 150);

    const Image asStored = decodeOk(tagged, "jpg", ReadOptions{false});
    EXPECT_EQ(asStored.width(), 4);
    EXPECT_EQ(asStored.height(), 2);
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifOrientation, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST(ExifParser, DamagedOrMisleadingSegmentsGiveOne)
{
    const Bytes good = exifPayload(false, {{0x0112, 3, 1, 8}});
    ASSERT_EQ(codecs::exifOrientation(good), 8);
    struct Case {
        const char* name;
        Bytes payload;
    };
    Bytes badCount = exifPayload(false, {{0x010F, 2, 1, 0}});
    badCount[6 + 8] = 0xFF;  // claims 255 entries; the Orientation would lie past the end
    Bytes badOffset = good;
    badOffset[6 + 4] = 0xF0;  // IFD0 beyond the segment
    Bytes noIdentifier = good;
    noIdentifier[0] = 'X';
    const Case cases[] = {
        {"cut inside the entry", Bytes(good.begin(), good.begin() + 6 + 8 + 2 + 6)},
        {"entry count past the end", badCount},
        {"IFD offset past the end", badOffset},
        {"not EXIF", noIdentifier},
        {"value out of range", exifPayload(true, {{0x0112, 3, 1, 9}})},
        {"wrong type", exifPayload(false, {{0x0112, 4, 1, 6}})},
        {"header only", Bytes(good.begin(), good.begin() + 8)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(codecs::exifOrientation(c.payload), 1) << c.name;
}

// ---- TIFF kinds made with libtiff ------------------------------------------------------------

struct TiffSpec {
    int width = 11, height = 7;
    uint16_t bits = 8, spp = 3, photometric = PHOTOMETRIC_RGB, orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
    uint16_t extra = 0;  // EXTRASAMPLE_* of a 4th/2nd sample, 0 for none
    std::function<std::vector<unsigned>(int x, int y)> samples;
};

Bytes makeTiff(const TiffSpec& spec)
{
    const std::string path = (fs::temp_directory_path() / ("mw_codec_tiff_" + std::to_string(::getpid()) + ".tif")).string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tif, nullptr);
    if (!tif)
        return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(spec.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(spec.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spec.spp);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spec.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, spec.orientation);
    if (spec.extra) {
        const uint16_t extra[1] = {spec.extra};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (spec.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> r(256), g(256), b(256);
        for (int i = 0; i < 256; ++i) {
            r[size_t(i)] = uint16_t(i * 257);
            g[size_t(i)] = uint16_t((255 - i) * 257);
            b[size_t(i)] = 0x8080;
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    auto packRow = [&](int y, int x0, int count, Bytes& out) {
        size_t bit = 0;
        out.assign((size_t(count) * spec.spp * spec.bits + 7) / 8, 0);
        for (int x = x0; x < x0 + count; ++x)
            for (unsigned v : spec.samples(std::min(x, spec.width - 1), std::min(y, spec.height - 1))) {
                if (spec.bits == 16) {
                    out[bit / 8] = uint8_t(v);  // native (little-endian) order
                    out[bit / 8 + 1] = uint8_t(v >> 8);
                } else {
                    out[bit / 8] |= uint8_t(v << (8 - spec.bits - bit % 8));
                }
                bit += spec.bits;
            }
    };
    Bytes row;
    if (spec.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16u);
        Bytes tile;
        for (int ty = 0; ty < spec.height; ty += 16)
            for (int tx = 0; tx < spec.width; tx += 16) {
                tile.clear();
                for (int y = ty; y < ty + 16; ++y) {
                    packRow(y, tx, 16, row);
                    tile.insert(tile.end(), row.begin(), row.end());
                }
                TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0);
            }
    } else {
        for (int y = 0; y < spec.height; ++y) {
            packRow(y, 0, spec.width, row);
            TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
        }
    }
    TIFFClose(tif);
    Bytes bytes = readFileBytes(path);
    fs::remove(path);
    return bytes;
}

struct TiffKindCase {
    const char* name;
    TiffSpec spec;
    std::function<Rgba(int x, int y)> expected;
    bool hasAlpha;
    int bitsPerPixel;
    int tolerance;
};
void PrintTo(const TiffKindCase& c, std::ostream* os) { *os << c.name; }

std::vector<TiffKindCase> tiffKinds()
{
    std::vector<TiffKindCase> cases;
    TiffSpec rgb16;
    rgb16.bits = 16;
    rgb16.samples = [](int x, int y) { return std::vector<unsigned>{unsigned(x * 20) * 257, unsigned(y * 30) * 257, 0xFFFFu}; };
    cases.push_back({"Rgb16Bit", rgb16, [](int x, int y) { return Rgba{uint8_t(x * 20), uint8_t(y * 30), 255, 255}; }, false, 24, 1});

    TiffSpec palette;
    palette.spp = 1;
    palette.photometric = PHOTOMETRIC_PALETTE;
    palette.samples = [](int x, int y) { return std::vector<unsigned>{unsigned(x * 20 + y)}; };
    cases.push_back({"Palette", palette, [](int x, int y) {
                         const int i = x * 20 + y;
                         return Rgba{uint8_t(i), uint8_t(255 - i), 0x80, 255};
                     }, false, 8, 0});

    TiffSpec bilevel;
    bilevel.spp = 1;
    bilevel.bits = 1;
    bilevel.photometric = PHOTOMETRIC_MINISWHITE;
    bilevel.samples = [](int x, int y) { return std::vector<unsigned>{unsigned((x + y) % 2)}; };
    cases.push_back({"BilevelMinIsWhite", bilevel, [](int x, int y) {
                         const uint8_t v = (x + y) % 2 ? 0 : 255;
                         return Rgba{v, v, v, 255};
                     }, false, 1, 0});

    TiffSpec greyAlpha;
    greyAlpha.spp = 2;
    greyAlpha.photometric = PHOTOMETRIC_MINISBLACK;
    greyAlpha.extra = EXTRASAMPLE_UNASSALPHA;
    greyAlpha.samples = [](int x, int y) { return std::vector<unsigned>{unsigned(x * 23), unsigned(y * 40)}; };
    cases.push_back({"GreyUnassociatedAlpha", greyAlpha, [](int x, int y) {
                         return Rgba{uint8_t(x * 23), uint8_t(x * 23), uint8_t(x * 23), uint8_t(y * 40)};
                     }, true, 32, 0});

    // Tiles go through the library's RGBA path, which premultiplies; colour comes back to
    // within rounding where alpha is not tiny.
    TiffSpec tiled;
    tiled.spp = 4;
    tiled.tiled = true;
    tiled.extra = EXTRASAMPLE_UNASSALPHA;
    tiled.width = 20;
    tiled.height = 18;
    tiled.samples = [](int x, int y) {
        return std::vector<unsigned>{unsigned(x * 12), unsigned(y * 14), 200u, unsigned(128 + x * 6)};
    };
    cases.push_back({"TiledRgbaUnassociated", tiled, [](int x, int y) {
                         return Rgba{uint8_t(x * 12), uint8_t(y * 14), 200, uint8_t(128 + x * 6)};
                     }, true, 32, 1});
    return cases;
}

class TiffKinds : public ::testing::TestWithParam<TiffKindCase> {};

TEST_P(TiffKinds, DecodeToTheExpectedPixels)
{
    const TiffKindCase& c = GetParam();
    const Image img = decodeOk(makeTiff(c.spec), "tif");
    ASSERT_EQ(img.width(), c.spec.width);
    ASSERT_EQ(img.height(), c.spec.height);
    EXPECT_EQ(img.hasAlpha(), c.hasAlpha);
    EXPECT_EQ(img.bitsPerPixel(), c.bitsPerPixel);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const Rgba got = img.pixel(x, y), want = c.expected(x, y);
            ASSERT_NEAR(got.r, want.r, c.tolerance) << "at " << x << "," << y;
            ASSERT_NEAR(got.g, want.g, c.tolerance) << "at " << x << "," << y;
            ASSERT_NEAR(got.b, want.b, c.tolerance) << "at " << x << "," << y;
            ASSERT_EQ(got.a, want.a) << "at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TiffKinds, ::testing::ValuesIn(tiffKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffCodec, OrientationTagTurnsThePicture)
{
    TiffSpec spec;
    spec.width = 4;
    spec.height = 2;
    spec.orientation = ORIENTATION_RIGHTTOP;  // 6
    spec.samples = [](int x, int) { return x < 2 ? std::vector<unsigned>{255, 0, 0} : std::vector<unsigned>{0, 0, 255}; };
    const Bytes file = makeTiff(spec);
    const Image upright = decodeOk(file, "tif");
    ASSERT_EQ(upright.width(), 2);
    ASSERT_EQ(upright.height(), 4);
    EXPECT_EQ(upright.pixel(0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(upright.pixel(1, 3), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(decodeOk(file, "tif", ReadOptions{false}).width(), 4);
}

// ---- JPEG 2000 with sub-sampled chroma, made with OpenJPEG ---------------------------------

struct OpjSink {
    Bytes bytes;
    size_t pos = 0;
};

extern "C" OPJ_SIZE_T testOpjWrite(void* buf, OPJ_SIZE_T n, void* user)
{
    auto* s = static_cast<OpjSink*>(user);
    if (s->pos + n > s->bytes.size())
        s->bytes.resize(s->pos + n);
    std::memcpy(s->bytes.data() + s->pos, buf, n);
    s->pos += n;
    return n;
}
extern "C" OPJ_OFF_T testOpjSkip(OPJ_OFF_T n, void* user)
{
    static_cast<OpjSink*>(user)->pos += size_t(n);
    return n;
}
extern "C" OPJ_BOOL testOpjSeek(OPJ_OFF_T to, void* user)
{
    static_cast<OpjSink*>(user)->pos = size_t(to);
    return OPJ_TRUE;
}

// 16 x 12 YCbCr with Cb and Cr at half resolution both ways: grey on the left, Cr raised
// (red) on the right half.
Bytes makeSubsampledJ2k(bool fileFormat)
{
    opj_image_cmptparm_t cp[3];
    std::memset(cp, 0, sizeof cp);
    for (int c = 0; c < 3; ++c) {
        cp[c].dx = cp[c].dy = c == 0 ? 1 : 2;
        cp[c].w = c == 0 ? 16 : 8;
        cp[c].h = c == 0 ? 12 : 6;
        cp[c].prec = 8;
    }
    opj_image_t* image = opj_image_create(3, cp, OPJ_CLRSPC_SYCC);
    image->x0 = image->y0 = 0;
    image->x1 = 16;
    image->y1 = 12;
    for (int i = 0; i < 16 * 12; ++i)
        image->comps[0].data[i] = 100;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            image->comps[1].data[y * 8 + x] = 128;
            image->comps[2].data[y * 8 + x] = x < 4 ? 128 : 200;
        }
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = 0;
    params.cp_disto_alloc = 1;
    params.numresolution = 2;
    params.tcp_mct = 0;
    opj_codec_t* codec = opj_create_compress(fileFormat ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    OpjSink out;
    opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, testOpjWrite);
    opj_stream_set_skip_function(stream, testOpjSkip);
    opj_stream_set_seek_function(stream, testOpjSeek);
    const bool ok = opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    EXPECT_TRUE(ok);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return out.bytes;
}

class Jp2Subsampled : public ::testing::TestWithParam<const char*> {};

TEST_P(Jp2Subsampled, ChromaIsUpsampledAndConverted)
{
    const std::string ext = GetParam();
    const Image img = decodeOk(makeSubsampledJ2k(ext == "jp2"), ext);
    ASSERT_EQ(img.width(), 16);
    ASSERT_EQ(img.height(), 12);
    EXPECT_EQ(img.pixel(2, 5), (Rgba{100, 100, 100, 255}));
    // Cr 200 is 72 over neutral: red gains 1.402 * 72, green loses 0.714 * 72.
    const Rgba right = img.pixel(13, 5);
    EXPECT_NEAR(right.r, 201, 1);
    EXPECT_NEAR(right.g, 49, 1);
    EXPECT_EQ(right.b, 100);
}

// A .jp2 says YCbCr in its colour box; a bare code stream is recognised by its sampling.
INSTANTIATE_TEST_SUITE_P(Containers, Jp2Subsampled, ::testing::Values("jp2", "j2k"));

// ---- GIF kinds made with giflib --------------------------------------------------------------

extern "C" int testGifWrite(GifFileType* gif, const GifByteType* data, int n)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

// A 4-colour GIF on a screen larger than its frame, optionally interlaced and with index 3
// transparent. Pixel index = (x + 2y) % 4 within the frame.
Bytes makeGif(int screenW, int screenH, int left, int top, int w, int h, bool interlaced, bool transparent)
{
    Bytes out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, testGifWrite, &err);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenW, screenH, 2, 0, map);
    if (transparent) {
        const GifByteType gce[4] = {0x01, 0, 0, 3};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EGifPutImageDesc(gif, left, top, w, h, interlaced, nullptr);
    std::vector<int> order;
    if (interlaced) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < h; y += step[pass])
                order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y : order) {
        for (int x = 0; x < w; ++x)
            line[size_t(x)] = GifPixelType((x + 2 * y) % 4);
        EGifPutLine(gif, line.data(), w);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &err);
    return out;
}

struct GifKindCase {
    const char* name;
    int screenW, screenH, left, top, w, h;
    bool interlaced, transparent;
    bool expectAlpha;
};
void PrintTo(const GifKindCase& c, std::ostream* os) { *os << c.name; }

class GifKinds : public ::testing::TestWithParam<GifKindCase> {};

TEST_P(GifKinds, FirstFrameIsComposedOnTheScreen)
{
    const GifKindCase& c = GetParam();
    const Image img = decodeOk(makeGif(c.screenW, c.screenH, c.left, c.top, c.w, c.h, c.interlaced, c.transparent), "gif");
    ASSERT_EQ(img.width(), c.screenW);
    ASSERT_EQ(img.height(), c.screenH);
    EXPECT_EQ(img.hasAlpha(), c.expectAlpha);
    EXPECT_EQ(img.bitsPerPixel(), 8);
    const Rgba colours[4] = {{0, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const bool inside = x >= c.left && x < c.left + c.w && y >= c.top && y < c.top + c.h;
            const int index = inside ? (x - c.left + 2 * (y - c.top)) % 4 : -1;
            if (index < 0 || (c.transparent && index == 3))
                ASSERT_EQ(img.pixel(x, y).a, 0) << "at " << x << "," << y;
            else
                ASSERT_EQ(img.pixel(x, y), colours[index]) << "at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GifKinds,
    ::testing::Values(GifKindCase{"WholeScreen", 13, 11, 0, 0, 13, 11, false, false, false},
                      GifKindCase{"Interlaced", 13, 11, 0, 0, 13, 11, true, false, false},
                      GifKindCase{"TransparentIndex", 13, 11, 0, 0, 13, 11, false, true, true},
                      GifKindCase{"FrameInsideScreen", 20, 15, 3, 2, 13, 11, true, false, true},
                      GifKindCase{"FrameOverhangingScreen", 10, 8, 4, 3, 13, 11, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- failure modes ---------------------------------------------------------------------------

// Finds the first chunk of the given type in a PNG; returns its data offset.
size_t pngChunk(const Bytes& png, const char* type)
{
    size_t pos = 8;
    while (pos + 8 <= png.size()) {
        const size_t len = size_t(png[pos]) << 24 | size_t(png[pos + 1]) << 16 | size_t(png[pos + 2]) << 8 | png[pos + 3];
        if (std::memcmp(&png[pos + 4], type, 4) == 0)
            return pos + 8;
        pos += 12 + len;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

struct DamageCase {
    const char* name;
    const char* ext;
    std::function<Bytes()> make;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

Bytes cut(Bytes b, double keep)
{
    b.resize(size_t(double(b.size()) * keep));
    return b;
}

std::vector<DamageCase> damageCases()
{
    auto photoFile = [](const char* ext) { return encodeOk(photoImage(64, 48), ext); };
    return {
        {"PngBadCrcInImageData", "png", [=] {
             Bytes b = photoFile("png");
             b[pngChunk(b, "IDAT") + 20] ^= 0x55;
             return b;
         }},
        {"PngCutInHalf", "png", [=] { return cut(photoFile("png"), 0.5); }},
        {"PngGarbageAfterSignature", "png", [=] {
             Bytes b = photoFile("png");
             for (size_t i = 8; i < b.size(); ++i)
                 b[i] = uint8_t(i * 7);
             return b;
         }},
        {"JpegCutInHalf", "jpg", [=] { return cut(photoFile("jpg"), 0.5); }},
        {"JpegHeaderOnly", "jpg", [=] { return cut(photoFile("jpg"), 0.05); }},
        {"JpegGarbageAfterSoi", "jpg", [] { return Bytes{0xFF, 0xD8, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A}; }},
        {"Jp2CutInHalf", "jp2", [=] { return cut(photoFile("jp2"), 0.5); }},
        {"J2kCutInHalf", "j2k", [=] { return cut(photoFile("j2k"), 0.5); }},
        {"TiffCutInHalf", "tif", [=] { return cut(photoFile("tif"), 0.5); }},
        {"TiffBadFirstDirectory", "tif", [] { return Bytes{'I', 'I', 42, 0, 0xF0, 0xFF, 0, 0, 1, 2, 3, 4}; }},
        {"GifCutInHalf", "gif", [=] { return cut(photoFile("gif"), 0.5); }},
        {"GifWithoutImage", "gif", [] {
             Bytes b = makeGif(4, 4, 0, 0, 4, 4, false, false);
             const size_t descriptor = 13 + 4 * 3;  // header, screen, 4-entry colour table
             b.resize(descriptor);
             b.push_back(0x3B);  // trailer straight away
             return b;
         }},
        {"WebpCutInHalf", "webp", [] {
             const Bytes good = readFileBytes(std::string(MW_TEST_DATA_DIR) + "/robustness/tiny.webp");
             return cut(good, 0.5);
         }},
    };
}

class DamagedFiles : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFiles, FailWithAReason)
{
    const Bytes data = GetParam().make();
    Image img;
    Status st = decodeImage(data, GetParam().ext, img);
    EXPECT_FALSE(st);
    EXPECT_FALSE(st.reason().empty());
    EXPECT_TRUE(img.isEmpty()) << "a failed read must leave the output alone";
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFiles, ::testing::ValuesIn(damageCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngCodec, ProgramWrittenFileReadsBackWithItsAlphaFlag)
{
    // Opaque images are written without an alpha channel; transparent ones keep it.
    const Bytes opaque = encodeOk(patternImage(8, 8, false), "png");
    const Bytes clear = encodeOk(patternImage(8, 8, true), "png");
    EXPECT_EQ(opaque[8 + 8 + 9], PNG_COLOR_TYPE_RGB);  // IHDR colour type byte
    EXPECT_EQ(clear[8 + 8 + 9], PNG_COLOR_TYPE_RGB_ALPHA);
}

} // namespace
} // namespace mw

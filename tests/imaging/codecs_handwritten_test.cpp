// Round trips through the writers, and hand-built files for the variants we only read.
#include "imaging/codecs/codec.h"
#include "imaging/image.h"
#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace mw {
namespace {

// ---------------------------------------------------------------------------------------------
// Round trips

enum class Content { Colour, Alpha, Grey, TwoColours, FewColours };

Image makeImage(Content content, int w, int h)
{
    Image img(w, h, content == Content::Alpha);
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return uint8_t(seed >> 16);
    };
    const Rgba few[5] = {{200, 10, 10, 255}, {10, 200, 10, 255}, {10, 10, 200, 255},
                         {250, 250, 0, 255}, {0, 0, 0, 255}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgba p;
            switch (content) {
            case Content::Colour: p = {next(), next(), next(), 255}; break;
            case Content::Alpha: p = {next(), next(), next(), next()}; break;
            case Content::Grey: { const uint8_t v = next(); p = {v, v, v, 255}; break; }
            case Content::TwoColours: p = ((x * 7 + y * 3) % 5 < 2) ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255}; break;
            case Content::FewColours: p = few[(x + 2 * y) % 5]; break;
            }
            img.setPixel(x, y, p);
        }
    }
    // Keep one pixel fully transparent and one opaque so alpha edge values travel too.
    if (content == Content::Alpha && w > 1) {
        img.setPixel(0, 0, Rgba{1, 2, 3, 0});
        img.setPixel(1, 0, Rgba{4, 5, 6, 255});
    }
    return img;
}

struct RoundTrip {
    const char* name;
    const char* ext;
    Content content;
    int bitsPerPixel;      // the depth asked of the writer
    int expectBitsPerPixel;  // what the reader reports back: proves the compact form was written
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTripTest, PixelsComeBackIdentical)
{
    const RoundTrip& c = GetParam();
    // Odd sizes exercise row padding, and more than 63 equal bytes in a row exercise PCX runs.
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{130, 5}}) {
        Image img = makeImage(c.content, w, h);
        img.setBitsPerPixel(c.bitsPerPixel);
        if (w == 130)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, 2, img.pixel(0, 2));
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(encodeImage(img, c.ext, bytes)) << c.name;
        Image back;
        Status st = decodeImage(bytes, c.ext, back);
        ASSERT_TRUE(st) << c.name << ": " << st.reason();
        EXPECT_EQ(back.width(), w);
        EXPECT_EQ(back.height(), h);
        EXPECT_EQ(back.hasAlpha(), img.hasAlpha()) << c.name;
        EXPECT_TRUE(back == img) << c.name << " " << w << "x" << h;
        EXPECT_EQ(back.bitsPerPixel(), c.expectBitsPerPixel) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, RoundTripTest,
    ::testing::Values(RoundTrip{"bmp24", "bmp", Content::Colour, 24, 24},
                      RoundTrip{"bmp32", "bmp", Content::Alpha, 32, 32},
                      RoundTrip{"bmp8", "bmp", Content::FewColours, 8, 8},
                      RoundTrip{"bmp1", "bmp", Content::TwoColours, 1, 1},
                      RoundTrip{"tga24", "tga", Content::Colour, 24, 24},
                      RoundTrip{"tga32", "tga", Content::Alpha, 32, 32},
                      RoundTrip{"ppm", "ppm", Content::Colour, 24, 24},
                      RoundTrip{"pgm", "pgm", Content::Grey, 8, 8},
                      RoundTrip{"pbm", "pbm", Content::TwoColours, 1, 1},
                      RoundTrip{"pnm_follows_depth", "pnm", Content::Grey, 8, 8},
                      RoundTrip{"pcx24", "pcx", Content::Colour, 24, 24},
                      RoundTrip{"pcx8", "pcx", Content::FewColours, 8, 8},
                      RoundTrip{"dcx", "dcx", Content::Colour, 24, 24}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpWriter, ManyColouredImageOfDepth8FallsBackToTrueColour)
{
    Image img = makeImage(Content::Colour, 40, 40);  // far more than 256 colours
    img.setBitsPerPixel(8);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeImage(img, "bmp", bytes));
    Image back;
    ASSERT_TRUE(decodeImage(bytes, "bmp", back));
    EXPECT_TRUE(back == img);
    EXPECT_EQ(back.bitsPerPixel(), 24);
}

TEST(PnmWriter, BitmapThresholdsAtMidGrey)
{
    Image img(4, 1);
    img.setPixel(0, 0, {0, 0, 0, 255});
    img.setPixel(1, 0, {127, 127, 127, 255});
    img.setPixel(2, 0, {128, 128, 128, 255});
    img.setPixel(3, 0, {255, 0, 0, 255});  // luma 76: dark
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeImage(img, "pbm", bytes));
    const std::string expected = std::string("P4\n4 1\n") + char(0xD0);  // 1 1 0 1
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

// ---------------------------------------------------------------------------------------------
// Hand-built files

struct Buf {
    std::vector<uint8_t> b;
    Buf& u8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
    Buf& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8); }
    Buf& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Buf& str(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
    Buf& bytes(std::initializer_list<unsigned> v) { for (unsigned x : v) u8(x); return *this; }
    Buf& zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
    Buf& append(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
    size_t size() const { return b.size(); }
};

// BITMAPFILEHEADER + BITMAPINFOHEADER (40 bytes).
Buf bmpHeader(int32_t w, int32_t h, unsigned bpp, uint32_t compression, uint32_t offBits, uint32_t colours = 0)
{
    Buf f;
    f.str("BM").u32(0).u32(0).u32(offBits);
    f.u32(40).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(bpp).u32(compression).u32(0).u32(2835).u32(2835)
        .u32(colours).u32(0);
    return f;
}

constexpr Rgba R{255, 0, 0, 255}, G{0, 255, 0, 255}, B{0, 0, 255, 255}, K{0, 0, 0, 255},
    W{255, 255, 255, 255};

struct HandBuilt {
    const char* name;
    const char* ext;
    std::vector<uint8_t> bytes;
    int width, height;
    std::vector<Rgba> pixels;  // row-major, top row first
    bool hasAlpha = false;
};

std::vector<HandBuilt> handBuiltFiles()
{
    std::vector<HandBuilt> cases;

    {  // RLE8, bottom-up: encoded runs, an absolute run with padding, end of line / bitmap.
        Buf f = bmpHeader(4, 2, 8, 1, 14 + 40 + 16, 4);
        f.bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});  // K R G B (BGRx)
        f.bytes({2, 2, 2, 3, 0, 0});                 // bottom: G G B B, end of line
        f.bytes({0, 3, 1, 2, 3, 0, 1, 1, 0, 1});     // top: R G B | R, end of bitmap
        cases.push_back({"bmp_rle8", "bmp", f.b, 4, 2, {R, G, B, R, G, G, B, B}});
    }
    {  // RLE4 with a delta: the skipped pixels stay black (index 0 here as well).
        Buf f = bmpHeader(5, 2, 4, 2, 14 + 40 + 16, 4);
        f.bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});
        f.bytes({5, 0x12, 0, 0});           // bottom: 1 2 1 2 1
        f.bytes({0, 2, 2, 0, 3, 0x30});     // top: skip 2, then 3 0 3
        f.bytes({0, 1});
        cases.push_back({"bmp_rle4_delta", "bmp", f.b, 5, 2, {K, K, B, K, B, R, G, R, G, R}});
    }
    {  // OS/2 1.x core header: 16-bit sizes, 3-byte palette entries, 1 bit per pixel.
        Buf f;
        f.str("BM").u32(0).u32(0).u32(14 + 12 + 6);
        f.u32(12).u16(3).u16(2).u16(1).u16(1);
        f.bytes({0, 0, 255, 255, 0, 0});            // palette: red, blue
        f.bytes({0xA0, 0, 0, 0, 0x40, 0, 0, 0});    // bottom: 1 0 1, top: 0 1 0
        cases.push_back({"bmp_os2_core", "bmp", f.b, 3, 2, {R, B, R, B, R, B}});
    }
    {  // OS/2 2.x 64-byte header, 24 bit.
        Buf f;
        f.str("BM").u32(0).u32(0).u32(14 + 64);
        f.u32(64).u32(2).u32(1).u16(1).u16(24).u32(0).zeros(64 - 20);
        f.bytes({255, 0, 0, 0, 255, 0, 0, 0});  // blue, green; row padded to 8
        cases.push_back({"bmp_os2_v2", "bmp", f.b, 2, 1, {B, G}});
    }
    {  // 16-bit 5-6-5 bit fields after a 40-byte header.
        Buf f = bmpHeader(3, 1, 16, 3, 14 + 40 + 12);
        f.u32(0xF800).u32(0x07E0).u32(0x001F);
        f.u16(0xF800).u16(0x07E0).u16(0x841F).u16(0);  // red, green, (132,130,255)
        cases.push_back({"bmp_bitfields_565", "bmp", f.b, 3, 1, {R, G, Rgba{132, 130, 255, 255}}});
    }
    {  // V5 header with bit fields and an alpha mask, top-down.
        Buf f;
        f.str("BM").u32(0).u32(0).u32(14 + 124);
        f.u32(124).u32(1).u32(uint32_t(-2)).u16(1).u16(32).u32(3).u32(0).u32(0).u32(0).u32(0).u32(0);
        f.u32(0x0000FF00).u32(0x00FF0000).u32(0xFF000000).u32(0x000000FF).zeros(124 - 56);
        f.u32(0x804020C8).u32(0x000000FF);  // top: r=0x20 g=0x40 b=0x80 a=0xC8; bottom: opaque black
        cases.push_back({"bmp_v5_alpha_topdown", "bmp", f.b, 1, 2,
                         {Rgba{0x20, 0x40, 0x80, 0xC8}, Rgba{0, 0, 0, 255}}, true});
    }
    {  // 32-bit BI_RGB whose fourth byte is zero everywhere: opaque, not invisible.
        Buf f = bmpHeader(2, 1, 32, 0, 14 + 40);
        f.bytes({0, 0, 255, 0, 0, 255, 0, 0});
        cases.push_back({"bmp32_zero_alpha_is_opaque", "bmp", f.b, 2, 1, {R, G}});
    }
    {  // TGA RLE, bottom-left origin: a run packet then a raw packet crossing into the top row.
        Buf f;
        f.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(3).u16(2).u8(24).u8(0);
        f.bytes({0x83, 255, 0, 0});                   // 4 x blue
        f.bytes({0x01, 0, 0, 255, 0, 255, 0});        // red, green
        cases.push_back({"tga_rle_bottom_up", "tga", f.b, 3, 2, {B, R, G, B, B, B}});
    }
    {  // Colour-mapped TGA, top-left origin, 24-bit map starting at index 1.
        Buf f;
        f.u8(2).u8(1).u8(1).u16(1).u16(2).u8(24).u16(0).u16(0).u16(2).u16(1).u8(8).u8(0x20);
        f.str("id");
        f.bytes({0, 0, 255, 0, 255, 0});   // index 1 red, index 2 green
        f.bytes({2, 1});
        cases.push_back({"tga_colour_mapped", "tga", f.b, 2, 1, {G, R}});
    }
    {  // Grey RLE TGA, top-right origin: rows run right to left.
        Buf f;
        f.u8(0).u8(0).u8(11).zeros(5).u16(0).u16(0).u16(3).u16(1).u8(8).u8(0x30);
        f.bytes({0x81, 77, 0x00, 200});
        const Rgba g77{77, 77, 77, 255}, g200{200, 200, 200, 255};
        cases.push_back({"tga_grey_rle_right_to_left", "tga", f.b, 3, 1, {g200, g77, g77}});
    }
    {  // 16-bit TGA with one attribute bit: that bit is alpha.
        Buf f;
        f.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(2).u16(1).u8(16).u8(0x21);
        f.u16(0x7C00).u16(0x801F);
        cases.push_back({"tga16_attribute_alpha", "tga", f.b, 2, 1, {Rgba{255, 0, 0, 0}, Rgba{0, 0, 255, 255}}, true});
    }
    {  // ASCII PPM with comments and maxval 15.
        Buf f;
        f.str("P3\n# made by hand\n2 1 # size\n15\n15 0 0  0 # mid-data comment\n 8 15\n");
        cases.push_back({"ppm_ascii_maxval15", "ppm", f.b, 2, 1, {R, Rgba{0, 136, 255, 255}}});
    }
    {  // ASCII PBM digits need no separators.
        Buf f;
        f.str("P1\n3 2\n101\n0 1 0");
        cases.push_back({"pbm_ascii", "pbm", f.b, 3, 2, {K, W, K, W, K, W}});
    }
    {  // 16-bit binary PGM, read through the .pxm extension.
        Buf f;
        f.str("P5 2 1 1000\n").bytes({0x03, 0xE8, 0x01, 0xF4});  // 1000, 500
        cases.push_back({"pgm16_as_pxm", "pxm", f.b, 2, 1, {W, Rgba{128, 128, 128, 255}}});
    }
    Buf pcx8;
    {  // 8-bit PCX: a run that carries over into the next scan line, palette trailer.
        pcx8.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(2).u16(1).zeros(65 - 12).u8(1).u16(3).zeros(128 - 68);
        pcx8.bytes({0xC4, 5, 7, 0xC1, 0xC7});  // 5 5 5 | 5 7 0xC7 (a literal >= 0xC0 needs a run)
        pcx8.u8(0x0C).zeros(768);
        pcx8.b[pcx8.size() - 768 + 15] = 10;
        pcx8.b[pcx8.size() - 768 + 16] = 20;
        pcx8.b[pcx8.size() - 768 + 17] = 30;
        pcx8.b[pcx8.size() - 768 + 21] = 255;
        pcx8.b[pcx8.size() - 768 + 0xC7 * 3 + 2] = 255;
        const Rgba p5{10, 20, 30, 255};
        cases.push_back({"pcx8_palette", "pcx", pcx8.b, 3, 2, {p5, p5, p5, p5, R, B}});
    }
    {  // 4-plane EGA PCX with the header palette.
        Buf f;
        f.u8(0x0A).u8(5).u8(0).u8(1).u16(0).u16(0).u16(1).u16(0).zeros(4);
        f.zeros(48);
        f.b[16 + 3 * 5] = 255;             // index 5: red
        f.b[16 + 3 * 10 + 1] = 255;        // index 10: green
        f.zeros(1).u8(4).u16(1).zeros(128 - 68);
        f.bytes({0x80, 0x40, 0x80, 0x40});  // planes 0..3: pixel 0 = 0101b, pixel 1 = 1010b
        cases.push_back({"pcx_ega_planar_uncompressed", "pcx", f.b, 2, 1, {R, G}});
    }
    {  // DCX: two pages, the first one is read.
        Buf other;
        other.append(pcx8.b);
        other.b[8] = 0;  // 1 x 2
        Buf f;
        const uint32_t first = 16, second = uint32_t(16 + pcx8.size());
        f.u32(0x3ADE68B1).u32(first).u32(second).u32(0).append(pcx8.b).append(other.b);
        const Rgba p5{10, 20, 30, 255};
        cases.push_back({"dcx_first_page", "dcx", f.b, 3, 2, {p5, p5, p5, p5, R, B}});
    }
    {  // WBMP: 10 pixels wide needs two bytes a row; a multi-byte width.
        Buf f;
        f.bytes({0, 0, 10, 2, 0xA5, 0x80, 0x00, 0x40});
        cases.push_back({"wbmp", "wbmp", f.b, 10, 2,
                         {W, K, W, K, K, W, K, W, W, K, K, K, K, K, K, K, K, K, K, W}});
        Buf wide;
        wide.bytes({0, 0, 0x81, 0x00, 1}).zeros(17);  // 128 x 1, all black
        cases.push_back({"wbmp_multibyte_width", "wbmp", wide.b, 128, 1, std::vector<Rgba>(128, K)});
    }
    {  // ICO with a 2x1 and a 3x2 entry: the larger one, its AND mask as alpha.
        Buf small;
        small.u32(40).u32(2).u32(2).u16(1).u16(24).zeros(24);
        small.bytes({0, 255, 0, 0, 255, 0, 0, 0}).zeros(4);
        Buf large;
        large.u32(40).u32(3).u32(4).u16(1).u16(24).zeros(24);
        large.bytes({255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0});  // bottom row: blue
        large.bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});  // top row: red
        large.bytes({0x20, 0, 0, 0, 0x80, 0, 0, 0});             // AND: bottom x=2, top x=0
        Buf f;
        f.u16(0).u16(1).u16(2);
        const uint32_t at1 = 6 + 32;
        f.u8(2).u8(1).u8(0).u8(0).u16(1).u16(24).u32(uint32_t(small.size())).u32(at1);
        f.u8(3).u8(2).u8(0).u8(0).u16(1).u16(24).u32(uint32_t(large.size())).u32(at1 + uint32_t(small.size()));
        f.append(small.b).append(large.b);
        const Rgba clear{255, 0, 0, 0}, clearB{0, 0, 255, 0};
        cases.push_back({"ico_largest_with_and_mask", "ico", f.b, 3, 2, {clear, R, R, B, B, clearB}, true});
    }
    {  // ICO whose larger entry holds PNG data, beside a smaller bitmap entry.
        Image png(3, 2, true, Rgba{200, 100, 50, 255});
        png.setPixel(1, 1, Rgba{9, 8, 7, 60});
        std::vector<uint8_t> pngBytes;
        EXPECT_TRUE(encodeImage(png, "png", pngBytes));
        Buf small;
        small.u32(40).u32(1).u32(2).u16(1).u16(24).zeros(24).bytes({0, 255, 0, 0}).zeros(4);
        Buf f;
        f.u16(0).u16(1).u16(2);
        f.u8(1).u8(1).u8(0).u8(0).u16(1).u16(24).u32(uint32_t(small.size())).u32(38);
        f.u8(3).u8(2).u8(0).u8(0).u16(1).u16(32).u32(uint32_t(pngBytes.size())).u32(38 + uint32_t(small.size()));
        f.append(small.b).append(pngBytes);
        const Rgba o{200, 100, 50, 255};
        cases.push_back({"ico_png_entry", "ico", f.b, 3, 2, {o, o, o, o, Rgba{9, 8, 7, 60}, o}, true});
    }
    {  // A cursor whose largest entry is damaged: the next largest is read instead.
        Buf small;
        small.u32(40).u32(1).u32(2).u16(1).u16(24).zeros(24).bytes({255, 0, 0, 0}).zeros(4);
        Buf broken;
        broken.u32(40).u32(8).u32(16).u16(1).u16(24).u32(7).zeros(20).zeros(64);
        Buf f;
        f.u16(0).u16(2).u16(2);
        f.u8(8).u8(8).u8(0).u8(0).u16(0).u16(0).u32(uint32_t(broken.size())).u32(38);
        f.u8(1).u8(1).u8(0).u8(0).u16(0).u16(0).u32(uint32_t(small.size())).u32(38 + uint32_t(broken.size()));
        f.append(broken.b).append(small.b);
        cases.push_back({"cur_damaged_largest_falls_back", "cur", f.b, 1, 1, {B}});
    }
    return cases;
}

void PrintTo(const HandBuilt& c, std::ostream* os) { *os << c.name; }

class HandBuiltTest : public ::testing::TestWithParam<HandBuilt> {};

TEST_P(HandBuiltTest, DecodesToTheExpectedPixels)
{
    const HandBuilt& c = GetParam();
    Image img;
    Status st = decodeImage(c.bytes, c.ext, img);
    ASSERT_TRUE(st) << st.reason();
    ASSERT_EQ(img.width(), c.width);
    ASSERT_EQ(img.height(), c.height);
    EXPECT_EQ(img.hasAlpha(), c.hasAlpha);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const Rgba want = c.pixels[size_t(y * c.width + x)];
            const Rgba got = img.pixel(x, y);
            EXPECT_EQ(got, want) << "at " << x << "," << y << ": got " << int(got.r) << " " << int(got.g)
                                 << " " << int(got.b) << " " << int(got.a);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyVariants, HandBuiltTest, ::testing::ValuesIn(handBuiltFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

// Damaged and hostile files: each must be refused with the reason that names the fault.
struct Refused {
    const char* name;
    const char* ext;
    std::vector<uint8_t> bytes;
    const char* reasonPart;
};

std::vector<Refused> refusedFiles()
{
    std::vector<Refused> cases;
    cases.push_back({"bmp_unknown_compression", "bmp", bmpHeader(2, 2, 24, 7, 54).zeros(16).b,
                     "unsupported BMP compression 7"});
    cases.push_back({"bmp_pixels_cut_off", "bmp", bmpHeader(4, 4, 24, 0, 54).zeros(40).b, "truncated"});
    cases.push_back({"bmp_offset_past_end", "bmp", bmpHeader(1, 1, 24, 0, 100000).zeros(4).b, "truncated"});
    // A tiny RLE stream may not make us allocate a huge bitmap.
    cases.push_back({"bmp_rle_claims_huge_size", "bmp", bmpHeader(16000, 16000, 8, 1, 54 + 1024).zeros(1024).bytes({0, 1}).b,
                     "too short"});
    cases.push_back({"tga_rle_cut_off", "tga",
                     Buf().u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(200).u16(200).u8(24).u8(0).bytes({0xFF, 1, 2, 3}).b,
                     "truncated"});
    cases.push_back({"pnm_maxval_too_large", "ppm", Buf().str("P6 1 1 70000\n").zeros(6).b, "maxval"});
    cases.push_back({"pnm_ascii_letter_in_data", "pgm", Buf().str("P2 2 1 255\n12 x\n").b, "malformed"});
    cases.push_back({"wbmp_five_byte_integer", "wbmp", Buf().bytes({0, 0, 0x81, 0x81, 0x81, 0x81, 0x01, 1}).b, "malformed"});
    cases.push_back({"ico_entry_past_end", "ico",
                     Buf().u16(0).u16(1).u16(1).u8(1).u8(1).u8(0).u8(0).u16(1).u16(24).u32(100).u32(22).zeros(10).b,
                     "truncated"});
    cases.push_back({"dcx_page_past_end", "dcx", Buf().u32(0x3ADE68B1).u32(5000).u32(0).b, "truncated"});
    return cases;
}

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

class RefusedTest : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedTest, FailsWithTheReason)
{
    const Refused& c = GetParam();
    Image img;
    Status st = decodeImage(c.bytes, c.ext, img);
    ASSERT_FALSE(st);
    EXPECT_NE(st.reason().find(c.reasonPart), std::string::npos) << st.reason();
    EXPECT_TRUE(img.isEmpty()) << "a failed decode leaves the output untouched";
}

INSTANTIATE_TEST_SUITE_P(Damaged, RefusedTest, ::testing::ValuesIn(refusedFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace mw

// Every reader against damaged and hostile input: cut-off files, garbage, an empty file,
// headers claiming no pixels or absurd sizes, and a good file under the wrong extension.
// Each must come back as a failure with a reason (a cut-off file may also come back as an
// image, for formats whose readers pad) and never crash; the sanitizer build runs this too.
#include "imaging/image.h"
#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mw {
namespace {

using Bytes = std::vector<uint8_t>;

struct Writer {
    Bytes b;
    Writer& u8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
    Writer& le16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Writer& le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
    Writer& be16(unsigned v) { return u8((v >> 8) & 0xFF).u8(v & 0xFF); }
    Writer& be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    Writer& str(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
    Writer& zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
    Writer& append(const Bytes& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
};

uint32_t crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// Sizes wider than a format's fields saturate at the field's maximum, which is still refused.
unsigned sat16(int64_t v) { return unsigned(std::min<int64_t>(v, 0xFFFF)); }

Bytes j2kCodestream(uint32_t w, uint32_t h)
{
    Writer c;
    c.be16(0xFF4F);                                  // SOC
    c.be16(0xFF51).be16(41).be16(0);                 // SIZ, one component
    c.be32(w).be32(h).be32(0).be32(0).be32(w ? w : 1).be32(h ? h : 1).be32(0).be32(0);
    c.be16(1).u8(7).u8(1).u8(1);
    c.be16(0xFFD9);                                  // EOC
    return c.b;
}

// A header that claims w x h and carries (almost) no pixel data.
Bytes headerClaiming(const std::string& ext, int64_t w, int64_t h)
{
    Writer f;
    const uint32_t w32 = uint32_t(w), h32 = uint32_t(h);
    if (ext == "png") {
        Writer ihdr;
        ihdr.str("IHDR").be32(w32).be32(h32).u8(8).u8(6).u8(0).u8(0).u8(0);
        f.u8(0x89).str("PNG\r\n\x1a\n").be32(13).append(ihdr.b).be32(crc32(ihdr.b.data(), ihdr.b.size()));
        f.be32(0).str("IEND").be32(crc32(reinterpret_cast<const uint8_t*>("IEND"), 4));
    } else if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jif" || ext == "jfif") {
        f.be16(0xFFD8).be16(0xFFC0).be16(17).u8(8).be16(sat16(h)).be16(sat16(w)).u8(3);
        f.u8(1).u8(0x22).u8(0).u8(2).u8(0x11).u8(1).u8(3).u8(0x11).u8(1).be16(0xFFD9);
    } else if (ext == "j2k" || ext == "jpc" || ext == "j2c") {
        f.append(j2kCodestream(w32, h32));
    } else if (ext == "jp2") {
        const Bytes cs = j2kCodestream(w32, h32);
        f.be32(12).str("jP  ").be32(0x0D0A870A);
        f.be32(20).str("ftyp").str("jp2 ").be32(0).str("jp2 ");
        f.be32(45).str("jp2h");
        f.be32(22).str("ihdr").be32(h32).be32(w32).be16(1).u8(7).u8(7).u8(0).u8(0);
        f.be32(15).str("colr").u8(1).u8(0).u8(0).be32(17);
        f.be32(uint32_t(8 + cs.size())).str("jp2c").append(cs);
    } else if (ext == "tif" || ext == "tiff" || ext == "fax" || ext == "g3n" || ext == "g3f" || ext == "xif") {
        f.str("II").le16(42).le32(8).le16(8);
        auto entry = [&f](unsigned tag, unsigned type, uint32_t value) { f.le16(tag).le16(type).le32(1).le32(value); };
        entry(256, 4, w32);  // width
        entry(257, 4, h32);  // height
        entry(258, 3, 8);    // bits per sample
        entry(259, 3, 1);    // no compression
        entry(262, 3, 1);    // grey
        entry(273, 4, 8 + 2 + 8 * 12 + 4);
        entry(278, 4, h32);
        entry(279, 4, 4);
        f.le32(0).zeros(4);
    } else if (ext == "gif") {
        f.str("GIF89a").le16(sat16(w)).le16(sat16(h)).u8(0).u8(0).u8(0);
        f.u8(0x2C).le16(0).le16(0).le16(sat16(w)).le16(sat16(h)).u8(0).u8(2).u8(0).u8(0x3B);
    } else if (ext == "webp") {
        // VP8X stores the canvas size minus one in 24 bits.
        auto put24 = [&f](int64_t v) {
            const uint32_t m = uint32_t(std::clamp<int64_t>(v - 1, 0, 0xFFFFFF));
            f.u8(m & 0xFF).u8((m >> 8) & 0xFF).u8(m >> 16);
        };
        f.str("RIFF").le32(4 + 18).str("WEBP").str("VP8X").le32(10).le32(0);
        put24(w);
        put24(h);
    } else if (ext == "bmp" || ext == "dib" || ext == "rle") {
        f.str("BM").le32(0).le32(0).le32(54).le32(40).le32(w32).le32(h32).le16(1).le16(24).le32(0).zeros(20).zeros(16);
    } else if (ext == "tga" || ext == "targa" || ext == "vda" || ext == "icb" || ext == "vst" || ext == "pix") {
        f.u8(0).u8(0).u8(2).zeros(5).le16(0).le16(0).le16(sat16(w)).le16(sat16(h)).u8(24).u8(0x20).zeros(16);
    } else if (ext == "pxm" || ext == "pnm" || ext == "pbm" || ext == "pgm" || ext == "ppm") {
        f.str("P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n").zeros(16);
    } else if (ext == "pcx" || ext == "dcx") {
        Writer p;
        // A zero width is xMax one below xMin.
        p.u8(0x0A).u8(5).u8(1).u8(8).le16(w ? 0 : 1).le16(h ? 0 : 1);
        p.le16(w ? sat16(w - 1) : 0).le16(h ? sat16(h - 1) : 0).zeros(65 - 12).u8(3).le16(sat16(w + 1)).zeros(60).zeros(16);
        if (ext == "dcx")
            f.le32(0x3ADE68B1).le32(12).le32(0).append(p.b);
        else
            f.append(p.b);
    } else if (ext == "wbmp") {
        auto multi = [&f](uint32_t v) {
            Bytes groups;
            do {
                groups.insert(groups.begin(), uint8_t(v & 0x7F));
                v >>= 7;
            } while (v);
            for (size_t i = 0; i + 1 < groups.size(); ++i)
                groups[i] |= 0x80;
            f.append(groups);
        };
        f.u8(0).u8(0);
        multi(w32);
        multi(h32);
        f.zeros(16);
    } else if (ext == "ico" || ext == "cur") {
        f.le16(0).le16(ext == "ico" ? 1 : 2).le16(1);
        f.u8(0).u8(0).u8(0).u8(0).le16(1).le16(32).le32(40 + 16).le32(22);
        f.le32(40).le32(w32).le32(h32 * 2).le16(1).le16(32).zeros(24).zeros(16);
    }
    return f.b;
}

Image sampleImage()
{
    Image img(13, 9, true);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, Rgba{uint8_t(x * 19), uint8_t(y * 27), uint8_t((x ^ y) * 11), uint8_t(100 + x * y)});
    return img;
}

// A small file the reader accepts: written by our own writer where there is one.
Bytes validFile(const std::string& ext)
{
    if (canWrite(ext)) {
        Bytes out;
        Status st = encodeImage(sampleImage(), ext, out);
        EXPECT_TRUE(st) << ext << ": " << st.reason();
        return out;
    }
    if (ext == "wbmp") {
        Writer f;
        f.u8(0).u8(0).u8(13).u8(9);
        for (int i = 0; i < 9 * 2; ++i)
            f.u8(uint8_t(0x5A + i * 7));
        return f.b;
    }
    if (ext == "ico" || ext == "cur") {
        Bytes dib;
        Writer d;
        d.le32(40).le32(13).le32(18).le16(1).le16(24).zeros(24);
        for (int i = 0; i < 9 * 40; ++i)
            d.u8(uint8_t(i * 13));
        d.zeros(9 * 4);
        Writer f;
        f.le16(0).le16(ext == "ico" ? 1 : 2).le16(1);
        f.u8(13).u8(9).u8(0).u8(0).le16(1).le16(24).le32(uint32_t(d.b.size())).le32(22).append(d.b);
        return f.b;
    }
    if (ext == "webp") {
        std::ifstream in(std::string(MW_TEST_DATA_DIR) + "/robustness/tiny.webp", std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ADD_FAILURE() << "no valid sample for " << ext;
    return {};
}

Bytes garbage(size_t n, uint32_t seed)
{
    Bytes b(n);
    for (auto& v : b) {
        seed = seed * 1664525u + 1013904223u;
        v = uint8_t(seed >> 24);
    }
    return b;
}

const char* const kReadable[] = {
    "png", "jpg", "jpeg", "jpe", "jif", "jfif", "jp2", "j2k", "jpc", "j2c", "tif", "tiff", "fax", "g3n",
    "g3f", "xif", "gif", "webp", "bmp", "dib", "rle", "tga", "targa", "vda", "icb", "vst", "pix", "pxm",
    "pnm", "pbm", "pgm", "ppm", "pcx", "dcx", "wbmp", "ico", "cur"};

class RobustnessTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RobustnessTest, HostileInputFailsWithAReasonAndNeverCrashes)
{
    const std::string ext = GetParam();
    ASSERT_TRUE(canRead(ext));

    struct Input {
        std::string what;
        Bytes bytes;
        bool mayDecode;  // a cut-off file may legitimately decode to a padded image
    };
    std::vector<Input> inputs;

    const Bytes valid = validFile(ext);
    ASSERT_FALSE(valid.empty());
    {
        Image img;
        Status st = decodeImage(valid, ext, img);
        ASSERT_TRUE(st) << "the sample itself must decode: " << st.reason();
    }
    for (size_t cut : {size_t(1), size_t(2), size_t(7), size_t(16), size_t(40), valid.size() / 3,
                       valid.size() / 2, valid.size() * 3 / 4, valid.size() - 1}) {
        if (cut > 0 && cut < valid.size())
            inputs.push_back({"cut to " + std::to_string(cut) + " bytes", Bytes(valid.begin(), valid.begin() + long(cut)), true});
    }
    inputs.push_back({"garbage 64 bytes", garbage(64, 1), false});
    inputs.push_back({"garbage 4000 bytes", garbage(4000, 2), false});
    inputs.push_back({"empty file", {}, false});
    inputs.push_back({"claims 0 x 0", headerClaiming(ext, 0, 0), false});
    inputs.push_back({"claims 100000 x 100000", headerClaiming(ext, 100000, 100000), false});
    inputs.push_back({"claims 65535 x 65535", headerClaiming(ext, 65535, 65535), false});
    // A good file of another kind: BMP for everyone, PNM for the BMP reader.
    const bool bmpFamily = ext == "bmp" || ext == "dib" || ext == "rle";
    Bytes other;
    ASSERT_TRUE(encodeImage(sampleImage(), bmpFamily ? "ppm" : "bmp", other));
    inputs.push_back({"a good file under the wrong extension", other, false});

    for (const Input& in : inputs) {
        Image img;
        Status st = Status::ok();
        EXPECT_NO_THROW(st = decodeImage(in.bytes, ext, img)) << in.what;
        if (st) {
            EXPECT_TRUE(in.mayDecode) << ext << ", " << in.what << ": decoded to " << img.width() << " x "
                                      << img.height() << " instead of failing";
            EXPECT_FALSE(img.isEmpty()) << ext << ", " << in.what;
        } else {
            EXPECT_FALSE(st.reason().empty()) << ext << ", " << in.what;
            EXPECT_TRUE(img.isEmpty()) << ext << ", " << in.what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryReader, RobustnessTest, ::testing::ValuesIn(kReadable),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace mw

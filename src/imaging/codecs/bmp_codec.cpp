// Windows and OS/2 bitmaps.
//
// Reading: 1/2/4/8-bit palettes, 16/24/32-bit colour, RLE8, RLE4, bit fields (16 and 32 bit,
// with or without an alpha mask), bottom-up and top-down rows, the 12-byte OS/2 1.x core
// header, OS/2 2.x headers (16..64 bytes) and the Windows 40/52/56/108/124-byte headers.
// A 32-bit alpha channel that is zero everywhere was never meant as alpha (many writers leave
// the fourth byte at 0), so such an image is read as opaque.
//
// Writing: 24-bit BI_RGB; 32-bit with a BITMAPV4HEADER and BI_BITFIELDS masks (alpha mask
// 0xFF000000) when the image has alpha, since that is the variant other readers honour;
// an image of depth 1 or 8 whose colours fit is written with a 2- or 256-entry palette.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"
#include "imaging/codecs/dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <unordered_map>

namespace mw::codecs {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }

    uint8_t get(uint32_t pixel, uint8_t whenAbsent) const
    {
        if (bits == 0)
            return whenAbsent;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return uint8_t(v >> (bits - 8));
        const uint32_t maxV = (uint32_t(1) << bits) - 1;
        return uint8_t((std::min(v, maxV) * 255 + maxV / 2) / maxV);
    }
};

struct DibHeader {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows of the image proper (icons: without the AND mask)
    bool topDown = false;
    int bpp = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    bool core = false;  // OS/2 1.x: 3-byte palette entries, 16-bit sizes
    bool os2 = false;
    std::array<uint32_t, 4> masks{};  // r, g, b, a
    size_t afterMasks = 0;            // where the palette starts
};

Status readHeader(ByteReader& r, size_t headerPos, bool icon, DibHeader& h)
{
    h.size = r.u32le();
    if (r.overrun())
        return truncated();
    if (h.size < 12 || (h.size > 12 && h.size < 16))
        return Status::fail("unsupported BMP header size " + std::to_string(h.size));
    if (!r.has(h.size - 4))
        return truncated();
    int64_t rawHeight = 0;
    if (h.size == 12) {
        h.core = h.os2 = true;
        h.width = r.u16le();
        rawHeight = r.u16le();
        r.u16le();  // planes
        h.bpp = r.u16le();
    } else {
        h.os2 = h.size < 40 || h.size == 64;
        h.width = r.i32le();
        rawHeight = r.i32le();
        r.u16le();  // planes
        h.bpp = r.u16le();
        if (h.size >= 20)
            h.compression = r.u32le();
        if (h.size >= 36) {
            r.skip(12);  // image size, resolution
            h.colorsUsed = r.u32le();
        }
    }
    h.topDown = rawHeight < 0;
    h.height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (icon)
        h.height /= 2;

    size_t pos = headerPos + h.size;
    if (h.os2 && !h.core && (h.compression == 3 || h.compression == 4))
        return Status::fail("unsupported OS/2 bitmap compression " + std::to_string(h.compression));
    switch (h.compression) {
    case kBiRgb:
        if (h.bpp == 16)
            h.masks = {0x7C00, 0x03E0, 0x001F, 0};
        else if (h.bpp == 24 || h.bpp == 32)
            h.masks = {0xFF0000, 0xFF00, 0xFF, 0};
        break;
    case kBiRle8:
        if (h.bpp != 8)
            return Status::fail("BMP RLE8 compression needs 8 bits per pixel, not " + std::to_string(h.bpp));
        break;
    case kBiRle4:
        if (h.bpp != 4)
            return Status::fail("BMP RLE4 compression needs 4 bits per pixel, not " + std::to_string(h.bpp));
        break;
    case kBiBitfields:
    case kBiAlphaBitfields: {
        if (h.bpp != 16 && h.bpp != 32)
            return Status::fail("BMP bit fields need 16 or 32 bits per pixel, not " + std::to_string(h.bpp));
        const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
        ByteReader m(r);
        if (h.size >= 52) {
            // V2 and later headers carry the masks themselves (the alpha mask from V3 on).
            m.seek(headerPos + 40);
            for (int i = 0; i < 3; ++i)
                h.masks[size_t(i)] = m.u32le();
            if (h.size >= 56)
                h.masks[3] = m.u32le();
        } else {
            // A 40-byte header is followed by the masks.
            m.seek(pos);
            for (int i = 0; i < count; ++i)
                h.masks[size_t(i)] = m.u32le();
            pos += size_t(count) * 4;
        }
        if (m.overrun())
            return truncated();
        break;
    }
    default:
        return Status::fail("unsupported BMP compression " + std::to_string(h.compression));
    }
    switch (h.bpp) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return Status::fail("unsupported BMP bit depth " + std::to_string(h.bpp));
    }
    h.afterMasks = pos;
    return Status::ok();
}

// Writes palette index `index` of an RLE or packed row into pixel x.
inline void putIndexed(uint8_t* row, int64_t x, unsigned index, const std::array<Rgba, 256>& pal)
{
    const Rgba c = pal[index & 0xFF];
    uint8_t* p = row + x * 4;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

// RLE8 / RLE4. Anything that would land outside the image is dropped; a stream that ends
// without its end-of-bitmap code keeps what it drew so far, as other readers do.
void decodeRle(ByteReader& r, bool four, Image& img, bool topDown, const std::array<Rgba, 256>& pal)
{
    const int64_t w = img.width();
    const int64_t h = img.height();
    int64_t x = 0;
    int64_t y = 0;  // in file order
    auto rowPtr = [&]() { return img.row(int(topDown ? y : h - 1 - y)); };
    while (y < h && r.has(2)) {
        const unsigned n = r.u8();
        const unsigned c = r.u8();
        if (n > 0) {
            uint8_t* row = rowPtr();
            for (unsigned i = 0; i < n && x < w; ++i, ++x)
                putIndexed(row, x, four ? ((i & 1) ? (c & 15) : (c >> 4)) : c, pal);
            continue;
        }
        if (c == 0) {  // end of line
            x = 0;
            ++y;
        } else if (c == 1) {  // end of bitmap
            break;
        } else if (c == 2) {  // delta
            if (!r.has(2))
                break;
            x += r.u8();
            y += r.u8();
        } else {  // absolute run of c pixels, padded to a 16-bit boundary
            const size_t bytes = four ? (c + 1) / 2 : c;
            if (!r.has(bytes))
                break;
            Bytes run = r.bytes(bytes);
            uint8_t* row = rowPtr();
            for (unsigned i = 0; i < c && x < w; ++i, ++x) {
                const unsigned b = run[four ? i / 2 : i];
                putIndexed(row, x, four ? ((i & 1) ? (b & 15) : (b >> 4)) : b, pal);
            }
            if (x >= w)
                x = w;  // keep x bounded however long the stream's runs are
            if (bytes & 1)
                r.skip(std::min<size_t>(1, r.remaining()));
        }
        if (x > w)
            x = w;
    }
}

} // namespace

Status decodeDib(Bytes in, size_t headerPos, const DibLayout& layout, Image& out)
{
    ByteReader r(in, headerPos);
    if (r.overrun())
        return truncated();
    DibHeader h;
    if (Status st = readHeader(r, headerPos, layout.icon, h); !st)
        return st;
    if (Status st = checkDecodeSize(h.width, h.height); !st)
        return st;
    const int w = int(h.width);
    const int ht = int(h.height);

    // Palette: missing entries stay grey ramps so every index is safe to look up.
    std::array<Rgba, 256> pal{};
    size_t palEnd = h.afterMasks;
    if (h.bpp <= 8) {
        const uint32_t full = uint32_t(1) << h.bpp;
        for (uint32_t i = 0; i < full; ++i) {
            const uint8_t v = uint8_t(i * 255 / (full - 1));
            pal[i] = Rgba{v, v, v, 255};
        }
        uint32_t count = h.colorsUsed == 0 ? full : std::min(h.colorsUsed, full);
        const size_t entry = h.core ? 3 : 4;
        size_t limit = in.size();
        if (layout.pixelOffset > h.afterMasks && layout.pixelOffset < limit)
            limit = layout.pixelOffset;
        const size_t room = limit > h.afterMasks ? (limit - h.afterMasks) / entry : 0;
        count = uint32_t(std::min<size_t>(count, room));
        ByteReader p(in, h.afterMasks);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t b = p.u8(), g = p.u8(), rr = p.u8();
            if (!h.core)
                p.u8();
            pal[i] = Rgba{rr, g, b, 255};
        }
        palEnd = h.afterMasks + count * entry;
    }

    size_t dataStart = palEnd;
    if (layout.pixelOffset != 0 && layout.pixelOffset >= h.afterMasks)
        dataStart = layout.pixelOffset;
    if (dataStart > in.size())
        return truncated();
    const size_t available = in.size() - dataStart;

    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    const uint64_t stride = (uint64_t(w) * uint64_t(h.bpp) + 31) / 32 * 4;
    if (rle) {
        // A few bytes of RLE may claim any size; refuse sizes no real stream this short draws
        // rather than allocate gigabytes for them. Even a blank row ended at once (two bytes)
        // rarely stands for more than a few thousand pixels per byte.
        if (uint64_t(w) * uint64_t(ht) > std::max<uint64_t>(available, 16) * 4096)
            return Status::fail("the compressed data is too short for a " + std::to_string(w) + " x " +
                                std::to_string(ht) + " bitmap");
    } else {
        const uint64_t lastRow = (uint64_t(w) * uint64_t(h.bpp) + 7) / 8;
        if (stride * uint64_t(ht - 1) + lastRow > available)
            return truncated();
    }

    const bool alphaPossible = (h.bpp == 32 && h.compression == kBiRgb) || h.masks[3] != 0;
    Image img(w, ht, alphaPossible || layout.icon, Rgba{0, 0, 0, 255});
    if (rle) {
        ByteReader data(in, dataStart);
        decodeRle(data, h.compression == kBiRle4, img, h.topDown, pal);
    } else {
        const Channel cr(h.masks[0]), cg(h.masks[1]), cb(h.masks[2]), ca(h.masks[3]);
        const bool alphaFromByte = h.bpp == 32 && h.compression == kBiRgb;
        const uint8_t* base = in.data() + dataStart;
        for (int i = 0; i < ht; ++i) {
            const uint8_t* src = base + stride * uint64_t(i);
            uint8_t* dst = img.row(h.topDown ? i : ht - 1 - i);
            switch (h.bpp) {
            case 1: case 2: case 4: case 8: {
                const int perByte = 8 / h.bpp;
                const unsigned mask = (1u << h.bpp) - 1;
                for (int x = 0; x < w; ++x) {
                    const unsigned byte = src[x / perByte];
                    const int shift = 8 - h.bpp * (x % perByte + 1);
                    putIndexed(dst, x, (byte >> shift) & mask, pal);
                }
                break;
            }
            case 16:
                for (int x = 0; x < w; ++x, dst += 4) {
                    const uint32_t v = uint32_t(src[2 * x] | (src[2 * x + 1] << 8));
                    dst[0] = cr.get(v, 0), dst[1] = cg.get(v, 0), dst[2] = cb.get(v, 0);
                    dst[3] = ca.get(v, 255);
                }
                break;
            case 24:
                for (int x = 0; x < w; ++x, dst += 4, src += 3)
                    dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
                break;
            case 32:
                for (int x = 0; x < w; ++x, dst += 4, src += 4) {
                    const uint32_t v = uint32_t(src[0]) | (uint32_t(src[1]) << 8) |
                                       (uint32_t(src[2]) << 16) | (uint32_t(src[3]) << 24);
                    dst[0] = cr.get(v, 0), dst[1] = cg.get(v, 0), dst[2] = cb.get(v, 0);
                    dst[3] = alphaFromByte ? src[3] : ca.get(v, 255);
                }
                break;
            }
        }
    }

    bool alphaUsed = false;
    if (alphaPossible) {
        const size_t n = size_t(w) * size_t(ht);
        const uint8_t* p = img.data();
        for (size_t i = 0; i < n && !alphaUsed; ++i)
            alphaUsed = p[i * 4 + 3] != 0;
    }
    if (alphaPossible && !alphaUsed) {
        for (int y = 0; y < ht; ++y) {
            uint8_t* p = img.row(y);
            for (int x = 0; x < w; ++x)
                p[x * 4 + 3] = 255;
        }
    }
    if (layout.icon) {
        // The AND mask: a set bit is a transparent pixel. 32-bit entries with real alpha
        // carry their transparency themselves; a missing mask leaves the icon opaque.
        const uint64_t maskStride = (uint64_t(w) + 31) / 32 * 4;
        const uint64_t maskStart = rle ? available : stride * uint64_t(ht);
        if (!alphaUsed && !rle && maskStart + maskStride * uint64_t(ht) <= available) {
            const uint8_t* base = in.data() + dataStart + maskStart;
            for (int i = 0; i < ht; ++i) {
                const uint8_t* src = base + maskStride * uint64_t(i);
                uint8_t* dst = img.row(h.topDown ? i : ht - 1 - i);
                for (int x = 0; x < w; ++x)
                    if ((src[x / 8] >> (7 - x % 8)) & 1)
                        dst[x * 4 + 3] = 0;
            }
        }
        bool anyTransparent = false;
        const size_t n = size_t(w) * size_t(ht);
        for (size_t i = 0; i < n && !anyTransparent; ++i)
            anyTransparent = img.data()[i * 4 + 3] != 255;
        img.setHasAlpha(anyTransparent);
    } else if (alphaPossible) {
        img.setHasAlpha(alphaUsed);
    }
    if (h.bpp == 1)
        img.setBitsPerPixel(1);
    else if (h.bpp <= 8)
        img.setBitsPerPixel(8);
    else
        img.setBitsPerPixel(img.hasAlpha() ? 32 : 24);
    out = std::move(img);
    return Status::ok();
}

Status decodeBmp(Bytes in, Image& out, DecodeExtras&)
{
    ByteReader r(in);
    if (in.size() < 2 || in[0] != 'B' || in[1] != 'M')
        return Status::fail("not a BMP file");
    r.skip(10);
    const uint32_t offBits = r.u32le();
    if (r.overrun())
        return truncated();
    DibLayout layout;
    layout.pixelOffset = offBits;
    return decodeDib(in, 14, layout, out);
}

Status encodeBmp(const Image& image, std::vector<uint8_t>& out)
{
    const int w = image.width();
    const int h = image.height();
    const bool alpha = image.hasAlpha();

    // A palette only for the depths that ask for one, and only when the colours fit.
    std::vector<uint32_t> palette;  // 0xRRGGBB
    int bpp = alpha ? 32 : 24;
    if (!alpha && (image.bitsPerPixel() == 1 || image.bitsPerPixel() == 8)) {
        const size_t limit = image.bitsPerPixel() == 1 ? 2 : 256;
        std::unordered_map<uint32_t, int> seen;
        bool fits = true;
        for (int y = 0; y < h && fits; ++y) {
            const uint8_t* p = image.row(y);
            for (int x = 0; x < w; ++x, p += 4) {
                const uint32_t c = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
                if (seen.emplace(c, 0).second && seen.size() > limit) {
                    fits = false;
                    break;
                }
            }
        }
        if (fits) {
            for (const auto& [c, unused] : seen)
                palette.push_back(c);
            std::sort(palette.begin(), palette.end());
            bpp = image.bitsPerPixel() == 1 ? 1 : 8;
        }
    }
    std::unordered_map<uint32_t, int> indexOf;
    for (size_t i = 0; i < palette.size(); ++i)
        indexOf[palette[i]] = int(i);

    const uint32_t headerSize = alpha ? 108 : 40;
    const uint32_t paletteEntries = bpp <= 8 ? uint32_t(1) << bpp : 0;
    const uint64_t stride = (uint64_t(w) * uint64_t(bpp) + 31) / 32 * 4;
    const uint64_t offBits = 14 + headerSize + uint64_t(paletteEntries) * 4;
    const uint64_t fileSize = offBits + stride * uint64_t(h);
    if (fileSize > 0xFFFFFFFFu)
        return Status::fail("the image is too large for a BMP file");

    out.clear();
    out.reserve(size_t(fileSize));
    out.push_back('B');
    out.push_back('M');
    putU32le(out, uint32_t(fileSize));
    putU32le(out, 0);
    putU32le(out, uint32_t(offBits));

    putU32le(out, headerSize);
    putU32le(out, uint32_t(w));
    putU32le(out, uint32_t(h));  // positive: bottom-up, the form every reader knows
    putU16le(out, 1);
    putU16le(out, unsigned(bpp));
    putU32le(out, alpha ? kBiBitfields : kBiRgb);
    putU32le(out, uint32_t(stride * uint64_t(h)));
    putU32le(out, 2835);  // 72 dpi
    putU32le(out, 2835);
    putU32le(out, paletteEntries);
    putU32le(out, 0);
    if (alpha) {
        putU32le(out, 0x00FF0000);
        putU32le(out, 0x0000FF00);
        putU32le(out, 0x000000FF);
        putU32le(out, 0xFF000000);
        putU32le(out, 0x73524742);  // 'sRGB'
        out.insert(out.end(), 36 + 12, 0);  // end points and gamma: unused for sRGB
    }
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        const uint32_t c = i < palette.size() ? palette[i] : 0;
        putU8(out, c & 0xFF);
        putU8(out, (c >> 8) & 0xFF);
        putU8(out, (c >> 16) & 0xFF);
        putU8(out, 0);
    }

    std::vector<uint8_t> row(size_t(stride), 0);
    for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const uint8_t* p = image.row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            switch (bpp) {
            case 1:
            case 8: {
                const int idx = indexOf[(uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]];
                if (bpp == 8)
                    row[size_t(x)] = uint8_t(idx);
                else if (idx)
                    row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
                break;
            }
            case 24:
                row[size_t(x) * 3] = p[2];
                row[size_t(x) * 3 + 1] = p[1];
                row[size_t(x) * 3 + 2] = p[0];
                break;
            default:
                row[size_t(x) * 4] = p[2];
                row[size_t(x) * 4 + 1] = p[1];
                row[size_t(x) * 4 + 2] = p[0];
                row[size_t(x) * 4 + 3] = p[3];
                break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return Status::ok();
}

} // namespace mw::codecs

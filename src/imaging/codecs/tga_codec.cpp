// Truevision TGA.
//
// Reading: uncompressed and RLE images, true colour of 15, 16, 24 and 32 bits, 8-bit grey and
// 8-bit colour-mapped (map entries of 15/16/24/32 bits), either origin (descriptor bit 5)
// and right-to-left rows (bit 4). The fourth byte of 32-bit pixels is alpha; an alpha channel
// that is zero everywhere is read as opaque, as many writers leave it unset.
// Writing: uncompressed 24-bit, or 32-bit when the image has alpha, top-left origin, with the
// version 2 footer.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mw::codecs {

namespace {

struct TgaHeader {
    unsigned idLength = 0;
    unsigned mapType = 0;
    unsigned imageType = 0;
    unsigned mapFirst = 0;
    unsigned mapLength = 0;
    unsigned mapEntryBits = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned depth = 0;
    unsigned descriptor = 0;
};

// 15/16-bit values are ARRRRRGG GGGBBBBB, little-endian.
Rgba from16(uint32_t v, bool alphaBit)
{
    auto scale5 = [](uint32_t c) { return uint8_t((c << 3) | (c >> 2)); };
    return Rgba{scale5((v >> 10) & 31), scale5((v >> 5) & 31), scale5(v & 31),
                uint8_t(alphaBit ? ((v & 0x8000) ? 255 : 0) : 255)};
}

Rgba readTrueColour(const uint8_t* p, unsigned bytes, bool alpha16)
{
    switch (bytes) {
    case 2:
        return from16(uint32_t(p[0] | (p[1] << 8)), alpha16);
    case 3:
        return Rgba{p[2], p[1], p[0], 255};
    default:
        return Rgba{p[2], p[1], p[0], p[3]};
    }
}

} // namespace

Status decodeTga(Bytes in, Image& out, DecodeExtras&)
{
    ByteReader r(in);
    TgaHeader h;
    h.idLength = r.u8();
    h.mapType = r.u8();
    h.imageType = r.u8();
    h.mapFirst = r.u16le();
    h.mapLength = r.u16le();
    h.mapEntryBits = r.u8();
    r.skip(4);  // origin
    h.width = r.u16le();
    h.height = r.u16le();
    h.depth = r.u8();
    h.descriptor = r.u8();
    if (r.overrun())
        return truncated();
    if (h.mapType > 1)
        return Status::fail("not a TGA file (colour map type " + std::to_string(h.mapType) + ")");

    const bool rle = h.imageType >= 9;
    const unsigned kind = rle ? h.imageType - 8 : h.imageType;
    if (h.imageType == 0)
        return Status::fail("the TGA file holds no image data");
    if (kind < 1 || kind > 3)
        return Status::fail("unsupported TGA image type " + std::to_string(h.imageType));
    switch (kind) {
    case 1:
        if (h.mapType != 1 || h.depth != 8)
            return Status::fail("unsupported colour-mapped TGA (" + std::to_string(h.depth) + " bits)");
        if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
            return Status::fail("unsupported TGA colour map entry size " + std::to_string(h.mapEntryBits));
        break;
    case 2:
        if (h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32)
            return Status::fail("unsupported TGA bit depth " + std::to_string(h.depth));
        break;
    case 3:
        if (h.depth != 8)
            return Status::fail("unsupported grey TGA bit depth " + std::to_string(h.depth));
        break;
    }
    if (Status st = checkDecodeSize(h.width, h.height); !st)
        return st;

    r.skip(h.idLength);
    // The colour map; skipped (but still present) when the image is not colour-mapped.
    std::array<Rgba, 256> map{};
    bool mapAlpha = false;
    if (h.mapType == 1) {
        const unsigned entryBytes = (h.mapEntryBits + 7) / 8;
        if (entryBytes == 0 || entryBytes > 4)
            return Status::fail("unsupported TGA colour map entry size " + std::to_string(h.mapEntryBits));
        Bytes raw = r.bytes(size_t(h.mapLength) * entryBytes);
        if (r.overrun())
            return truncated();
        if (kind == 1) {
            for (unsigned i = 0; i < h.mapLength; ++i) {
                const unsigned index = h.mapFirst + i;
                if (index >= 256)
                    break;
                map[index] = readTrueColour(raw.data() + size_t(i) * entryBytes, entryBytes, false);
                mapAlpha = mapAlpha || entryBytes == 4;
            }
        }
    }

    const unsigned bytesPerPixel = (h.depth + 7) / 8;
    const bool alpha16 = h.depth == 16 && (h.descriptor & 15) == 1;
    const bool alphaPossible = h.depth == 32 || alpha16 || (kind == 1 && mapAlpha);
    const size_t pixels = size_t(h.width) * h.height;
    // Every RLE packet is one header byte and at least one pixel value for up to 128 pixels,
    // so a shorter stream is cut off; check before allocating.
    const size_t minBytes = rle ? (pixels + 127) / 128 * (1 + bytesPerPixel) : pixels * bytesPerPixel;
    if (r.remaining() < minBytes)
        return truncated();

    Image img(int(h.width), int(h.height), alphaPossible, Rgba{0, 0, 0, 255});
    const bool topDown = (h.descriptor & 0x20) != 0;
    const bool rightToLeft = (h.descriptor & 0x10) != 0;
    auto store = [&](size_t i, const uint8_t* p) {
        const size_t fileRow = i / h.width;
        const size_t fileCol = i % h.width;
        const size_t y = topDown ? fileRow : h.height - 1 - fileRow;
        const size_t x = rightToLeft ? h.width - 1 - fileCol : fileCol;
        Rgba c;
        if (kind == 1)
            c = map[p[0]];
        else if (kind == 3)
            c = Rgba{p[0], p[0], p[0], 255};
        else
            c = readTrueColour(p, bytesPerPixel, alpha16);
        uint8_t* d = img.row(int(y)) + x * 4;
        d[0] = c.r, d[1] = c.g, d[2] = c.b, d[3] = c.a;
    };

    if (!rle) {
        Bytes data = r.bytes(pixels * bytesPerPixel);
        for (size_t i = 0; i < pixels; ++i)
            store(i, data.data() + i * bytesPerPixel);
    } else {
        size_t i = 0;
        while (i < pixels) {
            const unsigned packet = r.u8();
            const size_t count = std::min<size_t>((packet & 0x7F) + 1, pixels - i);
            if (packet & 0x80) {
                Bytes value = r.bytes(bytesPerPixel);
                if (r.overrun())
                    return truncated();
                for (size_t k = 0; k < count; ++k)
                    store(i++, value.data());
            } else {
                Bytes values = r.bytes(size_t((packet & 0x7F) + 1) * bytesPerPixel);
                if (r.overrun())
                    return truncated();
                for (size_t k = 0; k < count; ++k)
                    store(i++, values.data() + k * bytesPerPixel);
            }
        }
    }

    if (alphaPossible) {
        bool anyAlpha = false;
        for (size_t i = 0; i < pixels && !anyAlpha; ++i)
            anyAlpha = img.data()[i * 4 + 3] != 0;
        if (!anyAlpha) {
            for (size_t i = 0; i < pixels; ++i)
                img.data()[i * 4 + 3] = 255;
        }
        img.setHasAlpha(anyAlpha);
    }
    img.setBitsPerPixel(img.hasAlpha() ? 32 : kind != 2 ? 8 : 24);
    out = std::move(img);
    return Status::ok();
}

Status encodeTga(const Image& image, std::vector<uint8_t>& out)
{
    const int w = image.width();
    const int h = image.height();
    if (w > 0xFFFF || h > 0xFFFF)
        return Status::fail("the image is too large for a TGA file");
    const bool alpha = image.hasAlpha();
    const unsigned bytes = alpha ? 4 : 3;
    out.clear();
    out.reserve(18 + size_t(w) * size_t(h) * bytes + 26);
    putU8(out, 0);  // no image id
    putU8(out, 0);  // no colour map
    putU8(out, 2);  // uncompressed true colour
    out.insert(out.end(), 5, 0);  // colour map fields (no map)
    putU16le(out, 0);
    putU16le(out, 0);
    putU16le(out, unsigned(w));
    putU16le(out, unsigned(h));
    putU8(out, bytes * 8);
    putU8(out, 0x20 | (alpha ? 8 : 0));  // top-left origin, alpha bits
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = image.row(y);
        for (int x = 0; x < w; ++x, p += 4) {
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (alpha)
                out.push_back(p[3]);
        }
    }
    // Version 2 footer: no extension area, no developer directory.
    putU32le(out, 0);
    putU32le(out, 0);
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature);  // with its NUL
    return Status::ok();
}

} // namespace mw::codecs

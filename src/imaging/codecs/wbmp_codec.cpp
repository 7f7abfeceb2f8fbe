// Wireless bitmap, type 0: a black-and-white image, one bit per pixel, 1 = white.
// Header integers are 7 bits per byte with a continuation bit; more than four bytes (28 bits)
// is not a size any real file carries, so such a header is refused.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

namespace mw::codecs {

namespace {

bool readMultiByte(ByteReader& r, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (r.atEnd())
            return false;
        const uint8_t b = r.u8();
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

} // namespace

Status decodeWbmp(Bytes in, Image& out, DecodeExtras&)
{
    ByteReader r(in);
    uint32_t type = 0, width = 0, height = 0;
    if (!readMultiByte(r, type))
        return r.atEnd() ? truncated() : Status::fail("malformed WBMP header");
    if (type != 0)
        return Status::fail("unsupported WBMP type " + std::to_string(type));
    const uint8_t fixed = r.u8();
    if (r.overrun())
        return truncated();
    if (fixed & 0x80)
        return Status::fail("unsupported WBMP extension headers");
    if (!readMultiByte(r, width) || !readMultiByte(r, height))
        return r.atEnd() ? truncated() : Status::fail("malformed WBMP header");
    if (Status st = checkDecodeSize(width, height); !st)
        return st;
    const size_t rowBytes = (size_t(width) + 7) / 8;
    if (r.remaining() < rowBytes * height)
        return truncated();

    Image img(int(width), int(height), false);
    for (uint32_t y = 0; y < height; ++y) {
        Bytes row = r.bytes(rowBytes);
        uint8_t* d = img.row(int(y));
        for (uint32_t x = 0; x < width; ++x, d += 4) {
            const uint8_t v = ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
            d[0] = d[1] = d[2] = v;
        }
    }
    img.setBitsPerPixel(1);
    out = std::move(img);
    return Status::ok();
}

} // namespace mw::codecs

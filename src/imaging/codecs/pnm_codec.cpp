// Portable any-map: PBM, PGM and PPM (PXM is the same family), P1..P6.
//
// Reading: ASCII and binary, '#' comments anywhere between header fields, maxval 1..65535
// (two-byte big-endian samples above 255), samples scaled to 8 bits with rounding.
// Writing: binary only, chosen by bitsPerPixel(): 1 -> P4 (a pixel is black when its luma is
// below 128), 8 -> P5 (luma), anything else -> P6. Alpha is not kept.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"

#include <algorithm>
#include <string>

namespace mw::codecs {

namespace {

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Skips whitespace and comments between header fields and ASCII samples.
void skipFiller(ByteReader& r)
{
    for (;;) {
        const int c = r.peek();
        if (c < 0)
            return;
        if (isSpace(c)) {
            r.u8();
        } else if (c == '#') {
            while (r.peek() >= 0 && r.peek() != '\n' && r.peek() != '\r')
                r.u8();
        } else {
            return;
        }
    }
}

// A decimal number; values beyond 2^31 saturate so that size checks still refuse them.
bool readNumber(ByteReader& r, int64_t& value)
{
    skipFiller(r);
    if (r.peek() < '0' || r.peek() > '9')
        return false;
    value = 0;
    while (r.peek() >= '0' && r.peek() <= '9') {
        value = std::min<int64_t>(value * 10 + (r.u8() - '0'), int64_t(1) << 31);
    }
    return true;
}

} // namespace

Status decodePnm(Bytes in, Image& out, DecodeExtras&)
{
    ByteReader r(in);
    if (in.size() < 2 || in[0] != 'P' || in[1] < '1' || in[1] > '6')
        return Status::fail("not a PNM file");
    const int kind = in[1] - '0';
    r.skip(2);
    const bool bitmap = kind == 1 || kind == 4;
    const bool ascii = kind <= 3;
    const int channels = (kind == 3 || kind == 6) ? 3 : 1;

    int64_t width = 0, height = 0, maxval = 1;
    if (!readNumber(r, width) || !readNumber(r, height) || (!bitmap && !readNumber(r, maxval)))
        return r.atEnd() ? truncated() : Status::fail("malformed PNM header");
    if (maxval < 1 || maxval > 65535)
        return Status::fail("unsupported PNM maxval " + std::to_string(maxval));
    if (Status st = checkDecodeSize(width, height); !st)
        return st;
    // Exactly one whitespace byte separates the header from binary data.
    if (!ascii) {
        if (!isSpace(r.peek()))
            return r.atEnd() ? truncated() : Status::fail("malformed PNM header");
        r.u8();
    }

    const size_t w = size_t(width), h = size_t(height);
    const size_t samples = w * h * size_t(channels);
    const int sampleBytes = maxval > 255 ? 2 : 1;
    // Check the data can be there before allocating: binary sizes are exact; an ASCII sample
    // takes at least one character (two with the separator, except for P1 digits).
    size_t minBytes = 0;
    if (kind == 4)
        minBytes = (w + 7) / 8 * h;
    else if (!ascii)
        minBytes = samples * size_t(sampleBytes);
    else
        minBytes = kind == 1 ? samples : samples * 2 - 1;
    if (r.remaining() < minBytes)
        return truncated();

    Image img(int(w), int(h), false);
    auto scale = [maxval](int64_t v) {
        v = std::min(v, maxval);
        return uint8_t((v * 255 + maxval / 2) / maxval);
    };
    uint8_t* p = img.data();
    if (kind == 4) {
        const size_t rowBytes = (w + 7) / 8;
        for (size_t y = 0; y < h; ++y) {
            Bytes row = r.bytes(rowBytes);
            for (size_t x = 0; x < w; ++x, p += 4) {
                const uint8_t v = ((row[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
                p[0] = p[1] = p[2] = v;
            }
        }
    } else if (kind == 1) {
        for (size_t i = 0; i < w * h; ++i, p += 4) {
            skipFiller(r);
            const int c = r.u8();
            if (c != '0' && c != '1')
                return r.overrun() ? truncated() : Status::fail("malformed PBM data");
            p[0] = p[1] = p[2] = c == '1' ? 0 : 255;
        }
    } else {
        for (size_t i = 0; i < w * h; ++i, p += 4) {
            uint8_t v[3];
            for (int c = 0; c < channels; ++c) {
                int64_t s = 0;
                if (ascii) {
                    if (!readNumber(r, s))
                        return r.atEnd() ? truncated() : Status::fail("malformed PNM data");
                } else if (sampleBytes == 2) {
                    s = (int64_t(r.u8()) << 8);
                    s |= r.u8();
                } else {
                    s = r.u8();
                }
                v[c] = scale(s);
            }
            if (r.overrun())
                return truncated();
            p[0] = v[0];
            p[1] = channels == 3 ? v[1] : v[0];
            p[2] = channels == 3 ? v[2] : v[0];
        }
    }
    img.setBitsPerPixel(bitmap ? 1 : channels == 1 ? 8 : 24);
    out = std::move(img);
    return Status::ok();
}

Status encodePnm(const Image& image, std::vector<uint8_t>& out)
{
    const size_t w = size_t(image.width()), h = size_t(image.height());
    const int bits = image.bitsPerPixel();
    const char* magic = bits == 1 ? "P4" : bits == 8 ? "P5" : "P6";
    std::string header = std::string(magic) + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n";
    if (bits != 1)
        header += "255\n";
    out.assign(header.begin(), header.end());
    if (bits == 1) {
        const size_t rowBytes = (w + 7) / 8;
        for (size_t y = 0; y < h; ++y) {
            const size_t start = out.size();
            out.resize(start + rowBytes, 0);
            const uint8_t* p = image.row(int(y));
            for (size_t x = 0; x < w; ++x, p += 4)
                if (lumaOf(p) < 128)
                    out[start + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    } else if (bits == 8) {
        out.reserve(out.size() + w * h);
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* p = image.row(int(y));
            for (size_t x = 0; x < w; ++x, p += 4)
                out.push_back(uint8_t(lumaOf(p)));
        }
    } else {
        out.reserve(out.size() + w * h * 3);
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* p = image.row(int(y));
            for (size_t x = 0; x < w; ++x, p += 4)
                out.insert(out.end(), p, p + 3);
        }
    }
    return Status::ok();
}

} // namespace mw::codecs

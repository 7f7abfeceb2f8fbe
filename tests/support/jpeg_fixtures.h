#pragma once
// JPEG files made on the spot with libjpeg itself: any colour space, progressive, and with an
// EXIF segment, for the tests of our readers.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace mwtest {

using Bytes = std::vector<uint8_t>;

// A w x h JPEG at quality 95 from `pixels` (rows of w * components samples).
inline Bytes makeJpeg(int w, int h, J_COLOR_SPACE space, int components, const Bytes& pixels, bool progressive)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(cinfo.next_scanline) * w * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buf, buf + size);
    std::free(buf);
    return out;
}

// An APP1 segment body holding IFD0 with the given entries (tag, type, count, value).
inline Bytes exifPayload(bool bigEndian, const std::vector<std::array<uint32_t, 4>>& entries)
{
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](uint32_t v) {
        if (bigEndian)
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    auto u32 = [&](uint32_t v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    b.insert(b.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
    u16(42);
    u32(8);
    u16(uint32_t(entries.size()));
    for (const auto& e : entries) {
        u16(e[0]);
        u16(e[1]);
        u32(e[2]);
        u16(e[3]);  // a SHORT value sits at the start of the value field
        u16(0);
    }
    u32(0);
    return b;
}

// The JPEG with an APP1 segment holding `payload` right after its SOI marker.
inline Bytes withApp1(const Bytes& jpeg, const Bytes& payload)
{
    Bytes out(jpeg.begin(), jpeg.begin() + 2);  // SOI
    const size_t len = payload.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, uint8_t(len >> 8), uint8_t(len)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

} // namespace mwtest

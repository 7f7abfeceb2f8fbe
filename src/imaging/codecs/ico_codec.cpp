// Windows icons (.ico) and cursors (.cur): the largest image of the directory.
//
// The directory's own sizes are unreliable (0 stands for 256, and some writers get them wrong),
// so each entry's size and depth are taken from the entry's data: the PNG IHDR chunk or the
// bitmap header. The largest by width x height wins, then the deeper one.
#include "imaging/codecs/byte_reader.h"
#include "imaging/codecs/codec.h"
#include "imaging/codecs/dib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mw::codecs {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Candidate {
    Bytes data;
    bool png = false;
    uint64_t pixels = 0;
    int depth = 0;
};

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Size and depth of one entry, or false when its data is not something we can read.
bool inspect(Candidate& c)
{
    const Bytes d = c.data;
    if (d.size() >= 8 && std::memcmp(d.data(), kPngSignature, 8) == 0) {
        if (d.size() < 8 + 8 + 13 || std::memcmp(d.data() + 12, "IHDR", 4) != 0)
            return false;
        c.png = true;
        c.pixels = uint64_t(be32(d.data() + 16)) * be32(d.data() + 20);
        const int bitDepth = d[24];
        const int colourType = d[25];
        const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        c.depth = bitDepth * channels;
        return true;
    }
    ByteReader r(d);
    const uint32_t headerSize = r.u32le();
    if (headerSize == 12) {
        const uint32_t w = r.u16le(), h = r.u16le();
        r.u16le();
        c.depth = r.u16le();
        c.pixels = uint64_t(w) * (h / 2);
    } else if (headerSize >= 16) {
        const int64_t w = r.i32le(), h = r.i32le();
        r.u16le();
        c.depth = r.u16le();
        c.pixels = uint64_t(w < 0 ? -w : w) * uint64_t((h < 0 ? -h : h) / 2);
    } else {
        return false;
    }
    return !r.overrun();
}

} // namespace

Status decodeIco(Bytes in, Image& out, DecodeExtras& extras)
{
    ByteReader r(in);
    const unsigned reserved = r.u16le();
    const unsigned type = r.u16le();
    const unsigned count = r.u16le();
    if (r.overrun())
        return truncated();
    if (reserved != 0 || (type != 1 && type != 2))
        return Status::fail("not an icon or cursor file");
    if (count == 0)
        return Status::fail("the icon file holds no images");

    std::vector<Candidate> candidates;
    bool cut = false;
    for (unsigned i = 0; i < count; ++i) {
        r.skip(8);  // sizes, colour count, planes / hot spot, depth / hot spot
        const uint32_t size = r.u32le();
        const uint32_t offset = r.u32le();
        if (r.overrun()) {
            cut = true;
            break;
        }
        if (offset >= in.size() || size == 0 || size > in.size() - offset) {
            cut = true;
            continue;
        }
        Candidate c;
        c.data = in.subspan(offset, size);
        if (inspect(c))
            candidates.push_back(c);
    }
    if (candidates.empty())
        return cut ? truncated() : Status::fail("the icon file holds no readable image");
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.pixels != b.pixels ? a.pixels > b.pixels : a.depth > b.depth;
    });
    // The largest image that decodes: a damaged big entry should not hide a good small one.
    Status first = Status::ok();
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        Status st = Status::ok();
        if (c.png) {
            st = decodePng(c.data, out, extras);
        } else {
            DibLayout layout;
            layout.icon = true;
            st = decodeDib(c.data, 0, layout, out);
        }
        if (st)
            return st;
        if (i == 0)
            first = st;
    }
    return first;
}

} // namespace mw::codecs

#include "imaging/codecs/exif.h"

#include <cstring>

namespace mw::codecs {

int exifOrientation(Bytes payload)
{
    constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (payload.size() < 6 + 8 || std::memcmp(payload.data(), kExifId, 6) != 0)
        return 1;
    const Bytes tiff = payload.subspan(6);
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!little && !big)
        return 1;
    auto u16 = [&](size_t at) -> uint32_t {
        return little ? uint32_t(tiff[at] | (tiff[at + 1] << 8)) : uint32_t((tiff[at] << 8) | tiff[at + 1]);
    };
    auto u32 = [&](size_t at) -> uint32_t {
        return little ? (u16(at) | (u16(at + 2) << 16)) : ((u16(at) << 16) | u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const uint32_t ifd = u32(4);
    if (ifd < 8 || ifd > tiff.size() - 2)
        return 1;
    const uint32_t count = u16(ifd);
    const size_t first = size_t(ifd) + 2;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = first + size_t(i) * 12;
        if (entry + 12 > tiff.size())
            return 1;
        if (u16(entry) != 0x0112)
            continue;
        const uint32_t type = u16(entry + 2);
        // SHORT with one value; the value sits in the first two bytes of the value field.
        if (type != 3 || u32(entry + 4) != 1)
            return 1;
        const uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

} // namespace mw::codecs

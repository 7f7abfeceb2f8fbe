#pragma once
// The device-independent bitmap body shared by BMP files and BMP-style icon entries.
#include "imaging/codecs/codec.h"

#include <cstddef>

namespace mw::codecs {

struct DibLayout {
    // Where the pixel rows start, counted from the start of `in`; 0 means "right after the
    // header, masks and palette" (icons, and BMP files whose offset field is unusable).
    size_t pixelOffset = 0;
    // Icon entry: the header height counts the colour rows and the AND mask rows, and the
    // 1-bit AND mask after the colour rows marks transparent pixels.
    bool icon = false;
};

// Decodes the header starting at `headerPos` and the pixels it describes.
Status decodeDib(Bytes in, size_t headerPos, const DibLayout& layout, Image& out);

} // namespace mw::codecs

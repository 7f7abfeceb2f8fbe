#pragma once
// Shared libFuzzer body for the decoders: any input must either fail with a reason or yield a
// well-formed image; a crash, a sanitizer report or a broken invariant is a finding.
#include "imaging/image.h"
#include "imaging/image_io.h"

#include <cstddef>
#include <cstdint>

inline int fuzzDecoder(const char* extension, const uint8_t* data, size_t size)
{
    mw::Image img;
    const mw::Status st = mw::decodeImage({data, size}, extension, img);
    if (!st) {
        if (st.reason().empty() || !img.isEmpty())
            __builtin_trap();
        return 0;
    }
    if (img.isEmpty() || img.byteCount() != size_t(img.width()) * size_t(img.height()) * 4)
        __builtin_trap();
    // Without alpha every pixel must be opaque: the rest of the program relies on it.
    if (!img.hasAlpha()) {
        for (size_t i = 3; i < img.byteCount(); i += 4)
            if (img.data()[i] != 255)
                __builtin_trap();
    }
    return 0;
}

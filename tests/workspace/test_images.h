#pragma once
// Small pictures whose pixels tell where they came from.
#include "imaging/image.h"

namespace mw::test {

// Every pixel encodes its position: R = x, G = y, B = a tag telling pictures apart.
inline Image positionImage(int width, int height, uint8_t tag = 7, bool alpha = false, uint8_t a = 255)
{
    Image img(width, height, alpha);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, Rgba{uint8_t(x), uint8_t(y), tag, alpha ? a : uint8_t(255)});
    return img;
}

} // namespace mw::test

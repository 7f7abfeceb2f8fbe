#include "workspace/shadow_options.h"

namespace mw {

const std::array<ShadowPosition, 5>& shadowPositions()
{
    static const std::array<ShadowPosition, 5> positions{{
        {"NoShadowMenu", "None", 0, 23, 0, 0},
        {"UpperLeft1", "Upper Left", 1, 24, -1, -1},
        {"UpperRight1", "Upper Right", 2, 25, 1, -1},
        {"LowerLeft1", "Lower Left", 3, 26, -1, 1},
        {"LowerRight1", "Lower Right", 4, 27, 1, 1},
    }};
    return positions;
}

int glyphForShadowCode(int code)
{
    for (const ShadowPosition& p : shadowPositions())
        if (p.code == code)
            return p.glyphIndex;
    return kNoShadowGlyph;
}

} // namespace mw

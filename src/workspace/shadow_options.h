#pragma once
// The drop shadow's positions as the options window offers them.
#include <QString>

#include <array>

namespace mw {

struct ShadowPosition {
    const char* objectName;  // menu item
    const char* caption;
    int code;                // kept in the shadow button's tag, read by framing
    int glyphIndex;          // index in the main window's icon list
    int signX;               // direction of the shadow offset; 0 for none
    int signY;
};

// In menu order: None, Upper Left, Upper Right, Lower Left, Lower Right.
const std::array<ShadowPosition, 5>& shadowPositions();

constexpr int kNoShadowCode = 0;
constexpr int kNoShadowGlyph = 23;
constexpr int kMinShadowDepth = 1;
constexpr int kMaxShadowDepth = 25;
constexpr int kDefaultShadowDepth = 5;

// Glyph index for a position code; the "none" glyph for codes outside 0..4.
int glyphForShadowCode(int code);

} // namespace mw

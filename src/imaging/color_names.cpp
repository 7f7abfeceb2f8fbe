#include "imaging/color_names.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace mw {
namespace {

constexpr NamedColor kNamedColors[] = {
    // Standard colours: these carry the stored identifiers.
    {"clBlack", "Black", {0x00, 0x00, 0x00}},
    {"clMaroon", "Maroon", {0x80, 0x00, 0x00}},
    {"clGreen", "Green", {0x00, 0x80, 0x00}},
    {"clOlive", "Olive green", {0x80, 0x80, 0x00}},
    {"clNavy", "Navy blue", {0x00, 0x00, 0x80}},
    {"clPurple", "Purple", {0x80, 0x00, 0x80}},
    {"clTeal", "Teal", {0x00, 0x80, 0x80}},
    {"clGray", "Gray", {0x80, 0x80, 0x80}},
    {"clSilver", "Silver", {0xC0, 0xC0, 0xC0}},
    {"clRed", "Red", {0xFF, 0x00, 0x00}},
    {"clLime", "Lime green", {0x00, 0xFF, 0x00}},
    {"clYellow", "Yellow", {0xFF, 0xFF, 0x00}},
    {"clBlue", "Blue", {0x00, 0x00, 0xFF}},
    {"clFuchsia", "Fuchsia", {0xFF, 0x00, 0xFF}},
    {"clAqua", "Aqua", {0x00, 0xFF, 0xFF}},
    {"clWhite", "White", {0xFF, 0xFF, 0xFF}},
    {"clMoneyGreen", "Money Green", {0xC0, 0xDC, 0xC0}},
    {"clSkyBlue", "Sky Blue", {0xA6, 0xCA, 0xF0}},
    {"clCream", "Cream", {0xFF, 0xFB, 0xF0}},
    {"clMedGray", "Medium Gray", {0xA0, 0xA0, 0xA4}},
    // Additional colours.
    {"", "Pink", {0xFF, 0x80, 0x80}},
    {"", "Red Clay", {0x80, 0x40, 0x40}},
    {"", "Night Red", {0x40, 0x00, 0x00}},
    {"", "Lemon", {0xFF, 0xFF, 0x80}},
    {"", "Peach", {0xFF, 0x80, 0x40}},
    {"", "Orange", {0xFF, 0x80, 0x00}},
    {"", "Brown", {0x80, 0x40, 0x00}},
    {"", "Mist Green", {0x80, 0xFF, 0x80}},
    {"", "Yellow Green", {0x80, 0xFF, 0x00}},
    {"", "Night Green", {0x00, 0x40, 0x00}},
    {"", "Gold", {0x80, 0x80, 0x40}},
    {"", "Tick Green", {0x21, 0xA1, 0x21}},
    {"", "Sea Green", {0x00, 0xFF, 0x80}},
    {"", "Green Apple", {0x00, 0xFF, 0x40}},
    {"", "Blue Green", {0x00, 0x80, 0x40}},
    {"", "Forest Green", {0x00, 0x40, 0x40}},
    {"", "Pale Blue", {0xF0, 0xFF, 0xFF}},
    {"", "Sky Blue 2", {0x80, 0xFF, 0xFF}},
    {"", "Deep Blue", {0x00, 0x40, 0x80}},
    {"", "Teal Gray", {0x40, 0x80, 0x80}},
    {"", "Green Blue", {0x00, 0x80, 0xFF}},
    {"", "Teal Blue", {0x00, 0x80, 0xC0}},
    {"", "Lavender", {0x80, 0x80, 0xFF}},
    {"", "Royal Blue", {0x00, 0x00, 0xA0}},
    {"", "Night Blue", {0x00, 0x00, 0x40}},
    {"", "Bubble Gum", {0xFF, 0x80, 0xC0}},
    {"", "Periwinkle", {0x80, 0x80, 0xC0}},
    {"", "Plum", {0x80, 0x00, 0x40}},
    {"", "Black Cherry", {0x40, 0x00, 0x40}},
    {"", "Pink Carnation", {0xFF, 0x80, 0xFF}},
    {"", "Violet Red", {0xFF, 0x00, 0x80}},
    {"", "Light Purple", {0x80, 0x00, 0xFF}},
    {"", "Dark Purple", {0x40, 0x00, 0x80}},
    {"", "Steel", {0xB5, 0xBD, 0xCC}},
};
static_assert(std::size(kNamedColors) == 54);
constexpr int kStandardCount = 20;

constexpr ColorValue kSystemBase = 0x80000000u;

// Identifiers of system colours and specials: only hand-edited settings contain them, but they
// must read back and be written back under the same name.
struct SystemName {
    std::string_view identifier;
    ColorValue value;
};
constexpr SystemName kSystemNames[] = {
    {"clScrollBar", kSystemBase + 0},
    {"clBackground", kSystemBase + 1},
    {"clActiveCaption", kSystemBase + 2},
    {"clInactiveCaption", kSystemBase + 3},
    {"clMenu", kSystemBase + 4},
    {"clWindow", kSystemBase + 5},
    {"clWindowFrame", kSystemBase + 6},
    {"clMenuText", kSystemBase + 7},
    {"clWindowText", kSystemBase + 8},
    {"clCaptionText", kSystemBase + 9},
    {"clActiveBorder", kSystemBase + 10},
    {"clInactiveBorder", kSystemBase + 11},
    {"clAppWorkSpace", kSystemBase + 12},
    {"clHighlight", kSystemBase + 13},
    {"clHighlightText", kSystemBase + 14},
    {"clBtnFace", kSystemBase + 15},
    {"clBtnShadow", kSystemBase + 16},
    {"clGrayText", kSystemBase + 17},
    {"clBtnText", kSystemBase + 18},
    {"clInactiveCaptionText", kSystemBase + 19},
    {"clBtnHighlight", kSystemBase + 20},
    {"cl3DDkShadow", kSystemBase + 21},
    {"cl3DLight", kSystemBase + 22},
    {"clInfoText", kSystemBase + 23},
    {"clInfoBk", kSystemBase + 24},
    {"clHotLight", kSystemBase + 26},
    {"clGradientActiveCaption", kSystemBase + 27},
    {"clGradientInactiveCaption", kSystemBase + 28},
    {"clMenuHighlight", kSystemBase + 29},
    {"clMenuBar", kSystemBase + 30},
    {"clNone", 0x1FFFFFFFu},
    {"clDefault", 0x20000000u},
};
static_assert(std::size(kSystemNames) == 32);

// Usual desktop defaults for the system colour indices 0..30; there is no desktop theme to
// ask on every platform, and a fixed answer keeps saved pictures reproducible.
constexpr std::array<Color, 31> kSystemDefaults = {{
    {0xC8, 0xC8, 0xC8}, {0x00, 0x00, 0x00}, {0x99, 0xB4, 0xD1}, {0xBF, 0xCD, 0xDB},
    {0xF0, 0xF0, 0xF0}, {0xFF, 0xFF, 0xFF}, {0x64, 0x64, 0x64}, {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}, {0xB4, 0xB4, 0xB4}, {0xF4, 0xF7, 0xFC},
    {0xAB, 0xAB, 0xAB}, {0x00, 0x78, 0xD7}, {0xFF, 0xFF, 0xFF}, {0xF0, 0xF0, 0xF0},
    {0xA0, 0xA0, 0xA0}, {0x6D, 0x6D, 0x6D}, {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0xFF}, {0x69, 0x69, 0x69}, {0xE3, 0xE3, 0xE3}, {0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0xE1}, {0x00, 0x00, 0x00}, {0x00, 0x66, 0xCC}, {0xB9, 0xD1, 0xEA},
    {0xD7, 0xE4, 0xF2}, {0x33, 0x99, 0xFF}, {0xF0, 0xF0, 0xF0},
}};

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::optional<ColorValue> identifierValue(std::string_view text) {
    for (int i = 0; i < kStandardCount; ++i) {
        if (equalsNoCase(text, kNamedColors[i].identifier)) return colorValueOf(kNamedColors[i].rgb);
    }
    for (const SystemName& s : kSystemNames) {
        if (equalsNoCase(text, s.identifier)) return s.value;
    }
    return std::nullopt;
}

std::optional<uint32_t> parseHex(std::string_view digits, size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
    uint32_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return v;
}

} // namespace

std::span<const NamedColor> namedColors() { return kNamedColors; }

int namedColorIndex(Color c) {
    for (int i = 0; i < int(std::size(kNamedColors)); ++i) {
        if (kNamedColors[i].rgb == c) return i;
    }
    return -1;
}

ColorValue colorValueOf(Color c) {
    return ColorValue(c.r) | (ColorValue(c.g) << 8) | (ColorValue(c.b) << 16);
}

bool isSystemColorValue(ColorValue value) { return (value & 0xFF000000u) == kSystemBase; }

Color colorOfValue(ColorValue value) {
    if (isSystemColorValue(value)) {
        const uint32_t index = value & 0x00FFFFFFu;
        return index < kSystemDefaults.size() ? kSystemDefaults[index] : Color{0, 0, 0};
    }
    return Color{uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF), uint8_t((value >> 16) & 0xFF)};
}

std::optional<ColorValue> parseSettingsColor(std::string_view text) {
    if (auto v = identifierValue(text)) return v;
    if (text.empty()) return std::nullopt;
    if (text[0] == '$') return parseHex(text.substr(1), 8);
    // Decimal, as the integer writer produces it; negative numbers are the values with the
    // top bit set (system colours written as signed integers).
    std::string_view digits = text;
    if (digits[0] == '+' || digits[0] == '-') digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 10);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    if (text[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return ColorValue(uint32_t(int32_t(v)));
}

std::string formatSettingsColor(ColorValue value) {
    for (int i = 0; i < kStandardCount; ++i) {
        if (colorValueOf(kNamedColors[i].rgb) == value) return std::string(kNamedColors[i].identifier);
    }
    for (const SystemName& s : kSystemNames) {
        if (s.value == value) return std::string(s.identifier);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", unsigned(value));
    return buf;
}

std::optional<Color> parseColor(std::string_view text) {
    std::string_view hex = text;
    if (!hex.empty() && hex[0] == '#') hex.remove_prefix(1);
    if (hex.size() == 6) {
        if (auto v = parseHex(hex, 6))
            return Color{uint8_t(*v >> 16), uint8_t((*v >> 8) & 0xFF), uint8_t(*v & 0xFF)};
    }
    if (auto v = identifierValue(text)) return colorOfValue(*v);
    for (const NamedColor& n : kNamedColors) {
        if (equalsNoCase(text, n.displayName)) return n.rgb;
    }
    return std::nullopt;
}

std::string formatHexColor(Color c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
    return buf;
}

} // namespace mw

#pragma once
// Colour names and the colour texts the program reads and writes.
//
// Three spellings meet here:
//  * "#RRGGBB" — what the command line and the user see;
//  * colour identifiers such as "clWhite" — the settings files' names for the standard colours
//    (and for the desktop's system colours, which only hand-edited files contain);
//  * "$" + eight hex digits — the 32-bit stored colour value, bytes 00 BB GG RR from the most
//    significant down (pure red is $000000FF). Values from $80000000 name system colours.
//
// The colour drop-downs offer the 54 named colours of namedColors(), in that order, and a
// custom entry. Only the first 20 of them have an identifier.
#include "imaging/image.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mw {

struct NamedColor {
    std::string_view identifier;   // "clWhite"; empty for the colours without one
    std::string_view displayName;  // "White", as the drop-down shows it
    Color rgb;
};

// The 20 standard colours followed by the 34 additional ones, in drop-down order.
std::span<const NamedColor> namedColors();
// Index into namedColors() of the first entry with this colour, or -1 ("Custom Color...").
int namedColorIndex(Color c);

// The stored 32-bit colour value ($00BBGGRR for a plain colour).
using ColorValue = uint32_t;
ColorValue colorValueOf(Color c);
// What a stored value paints with. System colours resolve to the usual desktop defaults;
// other values with a non-zero top byte (clNone, clDefault) use their low 24 bits.
Color colorOfValue(ColorValue value);
bool isSystemColorValue(ColorValue value);

// Settings text: an identifier of the 52-entry standard table in any letter case, otherwise an
// integer in decimal (optional sign, 32-bit range) or "$" + 1..8 hex digits. Empty on
// anything else.
std::optional<ColorValue> parseSettingsColor(std::string_view text);
// The identifier when the value has one, otherwise "$" + eight upper-case hex digits.
std::string formatSettingsColor(ColorValue value);

// User text: "#RRGGBB" (or "RRGGBB"), a colour identifier in any letter case, or a display
// name of namedColors() in any letter case ("Sky Blue 2"). Empty on anything else.
std::optional<Color> parseColor(std::string_view text);
// "#RRGGBB", upper-case hex.
std::string formatHexColor(Color c);

} // namespace mw

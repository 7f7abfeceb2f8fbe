#include "imaging/color_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using mw::Color;

TEST(ColorNames, DropDownOrderAndEntries) {
    const auto colors = mw::namedColors();
    ASSERT_EQ(colors.size(), 54u);
    struct Entry {
        int index;
        const char* name;
        Color rgb;
        const char* identifier;
    };
    const Entry entries[] = {
        {0, "Black", {0, 0, 0}, "clBlack"},
        {3, "Olive green", {0x80, 0x80, 0x00}, "clOlive"},
        {9, "Red", {0xFF, 0, 0}, "clRed"},
        {10, "Lime green", {0, 0xFF, 0}, "clLime"},
        {17, "Sky Blue", {0xA6, 0xCA, 0xF0}, "clSkyBlue"},
        {18, "Cream", {0xFF, 0xFB, 0xF0}, "clCream"},
        {19, "Medium Gray", {0xA0, 0xA0, 0xA4}, "clMedGray"},
        {20, "Pink", {0xFF, 0x80, 0x80}, ""},
        {31, "Tick Green", {0x21, 0xA1, 0x21}, ""},
        {35, "Forest Green", {0x00, 0x40, 0x40}, ""},
        {36, "Pale Blue", {0xF0, 0xFF, 0xFF}, ""},
        {53, "Steel", {0xB5, 0xBD, 0xCC}, ""},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(colors[e.index].displayName, e.name);
        EXPECT_EQ(colors[e.index].rgb, e.rgb);
        EXPECT_EQ(colors[e.index].identifier, e.identifier);
    }
    std::set<std::string_view> names;
    for (const auto& c : colors) names.insert(c.displayName);
    EXPECT_EQ(names.size(), 54u) << "display names must be unique";
}

TEST(ColorNames, FirstMatchingEntryOrCustom) {
    EXPECT_EQ(mw::namedColorIndex({0xFF, 0xFF, 0xFF}), 15);
    EXPECT_EQ(mw::namedColorIndex({0x80, 0x80, 0xFF}), 42);  // Lavender
    EXPECT_EQ(mw::namedColorIndex({0x12, 0x34, 0x56}), -1);
}

TEST(ColorNames, SettingsTextRoundTrip) {
    struct Case {
        const char* text;
        mw::ColorValue value;
        const char* written;  // what formatting the value gives back
    };
    const Case cases[] = {
        {"clRed", 0x000000FF, "clRed"},
        {"clyellow", 0x0000FFFF, "clYellow"},
        {"CLSKYBLUE", 0x00F0CAA6, "clSkyBlue"},
        {"clMedGray", 0x00A4A0A0, "clMedGray"},
        {"clBtnFace", 0x8000000F, "clBtnFace"},
        {"clHotLight", 0x8000001A, "clHotLight"},
        {"clNone", 0x1FFFFFFF, "clNone"},
        {"clDefault", 0x20000000, "clDefault"},
        {"$00563412", 0x00563412, "$00563412"},
        {"$ff", 0x000000FF, "clRed"},
        {"255", 0x000000FF, "clRed"},
        {"5649426", 0x00563412, "$00563412"},
        {"-2147483633", 0x8000000F, "clBtnFace"},
        {"$80000019", 0x80000019, "$80000019"},  // index 25 has no identifier
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = mw::parseSettingsColor(c.text);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(*v, c.value);
        EXPECT_EQ(mw::formatSettingsColor(*v), c.written);
    }
}

TEST(ColorNames, SettingsTextRejected) {
    for (const char* bad : {"", "$", "$123456789", "$12G4", "12a", "clPinkish", "#FF0000",
                            "2147483648", "-2147483649", "0x10", " 5"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(mw::parseSettingsColor(bad).has_value());
    }
}

TEST(ColorNames, StoredValueByteOrder) {
    EXPECT_EQ(mw::colorValueOf({0xFF, 0, 0}), 0x000000FFu);
    EXPECT_EQ(mw::colorValueOf({0x12, 0x34, 0x56}), 0x00563412u);
    EXPECT_EQ(mw::colorOfValue(0x00563412), (Color{0x12, 0x34, 0x56}));
    EXPECT_EQ(mw::colorOfValue(0x80000005), (Color{0xFF, 0xFF, 0xFF}));  // window background
    EXPECT_EQ(mw::colorOfValue(0x1FFFFFFF), (Color{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(mw::colorOfValue(0x800000FF), (Color{0, 0, 0}));  // unknown system index
}

TEST(ColorNames, UserTextParsing) {
    struct Case {
        const char* text;
        Color rgb;
    };
    const Case cases[] = {
        {"#FF8000", {0xFF, 0x80, 0x00}},
        {"#ff8000", {0xFF, 0x80, 0x00}},
        {"123456", {0x12, 0x34, 0x56}},
        {"clWhite", {0xFF, 0xFF, 0xFF}},
        {"clmoneygreen", {0xC0, 0xDC, 0xC0}},
        {"Sky Blue 2", {0x80, 0xFF, 0xFF}},
        {"steel", {0xB5, 0xBD, 0xCC}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto rgb = mw::parseColor(c.text);
        ASSERT_TRUE(rgb.has_value());
        EXPECT_EQ(*rgb, c.rgb);
    }
    for (const char* bad : {"", "#", "#FFF", "#GGGGGG", "#1234567", "Reddish", "$000000FF"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(mw::parseColor(bad).has_value());
    }
    EXPECT_EQ(mw::formatHexColor({0xA6, 0x0A, 0xF0}), "#A60AF0");
}

} // namespace

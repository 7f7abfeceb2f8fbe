#include "imaging/selection.h"

#include <gtest/gtest.h>

namespace mw {
namespace {

TEST(Selection, CopiesTheBoxAndFillsWhatLiesOutsideTheImage)
{
    Image src(4, 3, true);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            src.setPixel(x, y, Rgba{uint8_t(x), uint8_t(y), 0, uint8_t(10 * x)});
    for (const SelectionRect sel : {SelectionRect{-1, 1, 2, 4}, SelectionRect{1, 0, 2, 1}, SelectionRect{3, 2, 6, 2},
                                    SelectionRect{5, 5, 6, 7}, SelectionRect{-2, -2, 5, 4}}) {
        const Image out = copySelection(src, sel, Color{7, 8, 9});
        ASSERT_EQ(out.width(), sel.width());
        ASSERT_EQ(out.height(), sel.height());
        EXPECT_TRUE(out.hasAlpha());
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const int sx = x + sel.firstColumn, sy = y + sel.firstRow;
                const bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
                EXPECT_EQ(out.pixel(x, y), inside ? src.pixel(sx, sy) : (Rgba{7, 8, 9, 255}))
                    << sel.firstColumn << "," << sel.firstRow << " at " << x << "," << y;
            }
    }
    EXPECT_TRUE(copySelection(src, SelectionRect{}, Color{}).isEmpty());
}

} // namespace
} // namespace mw

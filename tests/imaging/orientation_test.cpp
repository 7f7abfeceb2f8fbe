#include "imaging/orientation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mw {
namespace {

// A 3 x 2 picture whose pixels are the letters
//   a b c
//   d e f
// turned upright for every EXIF orientation, as rows of letters.
TEST(Orientation, EveryOrientationTurnsThePictureUpright)
{
    Image src(3, 2, false);
    for (int i = 0; i < 6; ++i)
        src.setPixel(i % 3, i / 3, Rgba{uint8_t('a' + i), 0, 0, 255});
    const std::vector<std::string> expected[9] = {
        {}, {"abc", "def"}, {"cba", "fed"}, {"fed", "cba"}, {"def", "abc"},
        {"ad", "be", "cf"}, {"da", "eb", "fc"}, {"fc", "eb", "da"}, {"cf", "be", "ad"},
    };
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const Image up = orientImage(src, o);
        std::vector<std::string> rows;
        for (int y = 0; y < up.height(); ++y) {
            std::string row;
            for (int x = 0; x < up.width(); ++x)
                row += char(up.pixel(x, y).r);
            rows.push_back(row);
        }
        EXPECT_EQ(rows, expected[o]);
        // Row by row, without the whole upright picture, the same.
        ASSERT_EQ(orientedWidth(src, o), up.width());
        ASSERT_EQ(orientedHeight(src, o), up.height());
        std::vector<uint8_t> row(size_t(up.width()) * 4);
        for (int y = 0; y < up.height(); ++y) {
            orientedRow(src, o, y, row.data());
            EXPECT_EQ(std::memcmp(row.data(), up.row(y), row.size()), 0) << "row " << y;
        }
    }
}

} // namespace
} // namespace mw

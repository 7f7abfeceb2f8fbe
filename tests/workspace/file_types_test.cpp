#include "workspace/file_types.h"

#include <gtest/gtest.h>

namespace mw {
namespace {

TEST(FileTypesTest, OpenListHas23TypesAndTheFirstCoversEveryOtherOnce)
{
    const auto& types = openFileTypes();
    ASSERT_EQ(types.size(), 23u);
    EXPECT_EQ(types[1].description, QStringLiteral("All Files (*.*)"));
    EXPECT_EQ(types[13].description, QStringLiteral("Portable Pixmap, GrayMap, BitMap (*.pxm;*.ppm;*.pgm;*.pbm)"));
    EXPECT_EQ(types[22].description, QStringLiteral("Windows Media Video (*.wmv)"));
    // Entry 1 lists one pattern from each of entries 3 to 23, in that order.
    const QStringList common = types[0].patterns;
    ASSERT_EQ(common.size(), 21);
    for (int i = 2; i < 23; ++i)
        EXPECT_TRUE(types[size_t(i)].patterns.contains(common[i - 2])) << common[i - 2].toStdString();
    // Every description ends with its own patterns, as the dialog shows them.
    for (size_t i = 2; i < types.size(); ++i)
        EXPECT_TRUE(types[i].description.endsWith(QLatin1Char('(') + types[i].patterns.join(QLatin1Char(';')) + QLatin1Char(')')))
            << types[i].description.toStdString();
}

TEST(FileTypesTest, SaveListHas15TypesWithJpegFirst)
{
    const auto& types = saveFileTypes();
    ASSERT_EQ(types.size(), 15u);
    EXPECT_EQ(types[0].description, QStringLiteral("JPEG Bitmap (JPG)"));
    EXPECT_EQ(types[6].description, QStringLiteral("OS/2 Bitmap (BMP)"));
    EXPECT_EQ(types[14].description, QStringLiteral("Multipage PCX (DCX)"));
    EXPECT_EQ(saveTypeExtension(5), saveTypeExtension(6)) << "both bitmap entries write .bmp";
    EXPECT_EQ(saveDialogTitle(), QStringLiteral("Save Picture Frame Result"));
    EXPECT_EQ(defaultSaveExtension(), QStringLiteral("jpg"));
}

TEST(FileTypesTest, NameFilterKeepsTheDescriptionAndMatchesBothCases)
{
    const QString f = nameFilter(saveFileTypes()[4]);
    EXPECT_TRUE(f.startsWith(QStringLiteral("Portable Network Graphics (PNG) (")));
    EXPECT_TRUE(f.contains(QStringLiteral("*.png")));
    EXPECT_TRUE(f.contains(QStringLiteral("*.PNG")));
    EXPECT_EQ(fileTypeIndex(saveFileTypes(), f), 4);
    EXPECT_EQ(fileTypeIndex(openFileTypes(), nameFilter(openFileTypes()[1])), 1);
    EXPECT_TRUE(nameFilter(openFileTypes()[1]).endsWith(QStringLiteral("(*)"))) << "all files, dotted or not";
}

struct NameCase {
    const char* typed;
    int type;
    const char* afterTypeChange;  // replaceExtensionForType
    const char* written;          // completeSavePath
};

class SaveNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SaveNameTest, ExtensionRules)
{
    const NameCase c = GetParam();
    EXPECT_EQ(replaceExtensionForType(QString::fromUtf8(c.typed), c.type), QString::fromUtf8(c.afterTypeChange));
    EXPECT_EQ(completeSavePath(QString::fromUtf8(c.typed), c.type), QString::fromUtf8(c.written));
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveNameTest,
    ::testing::Values(
        NameCase{"/tmp/result", 0, "/tmp/result.jpg", "/tmp/result.jpg"},        // default type appends .jpg
        NameCase{"/tmp/result", 4, "/tmp/result.png", "/tmp/result.png"},
        NameCase{"/tmp/result.png", 0, "/tmp/result.jpg", "/tmp/result.png"},    // typed .png wins on OK
        NameCase{"/tmp/Result.JPG", 2, "/tmp/Result.tif", "/tmp/Result.JPG"},
        NameCase{"/tmp/my.photos/result", 6, "/tmp/my.photos/result.bmp", "/tmp/my.photos/result.bmp"},
        NameCase{"/tmp/.hidden", 4, "/tmp/.hidden.png", "/tmp/.hidden.png"},
        NameCase{"/tmp/trailing.", 0, "/tmp/trailing.jpg", "/tmp/trailing.jpg"},
        NameCase{"", 0, "", ""}));

} // namespace
} // namespace mw

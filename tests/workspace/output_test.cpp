#include "workspace/file_types.h"
#include "workspace/output.h"

#include "imaging/image_io.h"
#include "test_images.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mw {
namespace {

using test::positionImage;

TEST(PrepareFinalImageTest, FlattensOntoBackgroundInProportionToAlpha)
{
    Image shown(3, 1, true);
    shown.setPixel(0, 0, Rgba{255, 0, 0, 255});
    shown.setPixel(1, 0, Rgba{255, 0, 0, 0});
    shown.setPixel(2, 0, Rgba{0, 0, 0, 128});
    const Image out = prepareFinalImage(shown, Color{0, 0, 200});
    ASSERT_EQ(out.width(), 3);
    EXPECT_FALSE(out.hasAlpha());
    EXPECT_EQ(out.bitsPerPixel(), 24);
    EXPECT_EQ(out.pixel(0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(out.pixel(1, 0), (Rgba{0, 0, 200, 255}));
    const Rgba half = out.pixel(2, 0);
    EXPECT_EQ(half.r, 0);
    EXPECT_NEAR(half.b, 100, 1) << "half the shadow, half the background";
    EXPECT_TRUE(prepareFinalImage(Image(), Color{}).isEmpty());
}

class SaveResultTest : public ::testing::Test {
protected:
    std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }
    QByteArray fileBytes(const QString& p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
};

// The writer follows the typed extension, not the selected type.
TEST_F(SaveResultTest, PngTypedWhileJpegSelectedWritesPng)
{
    const Image out = prepareFinalImage(positionImage(10, 6, 3, true, 200), Color{255, 255, 255});
    const QString path = completeSavePath(m_dir.filePath(QStringLiteral("result.png")), 0);
    const SaveOutcome r = saveResult(path, out);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_TRUE(fileBytes(path).startsWith("\x89PNG"));
    Image back;
    ASSERT_TRUE(readImage(native(path), back).isOk());
    EXPECT_FALSE(back.hasAlpha()) << "saved output carries no alpha channel";
    EXPECT_EQ(back, out);
}

TEST_F(SaveResultTest, NameWithoutExtensionGetsJpegByDefault)
{
    const QString path = completeSavePath(m_dir.filePath(QStringLiteral("result")), 0);
    const SaveOutcome r = saveResult(path, positionImage(16, 16));
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_TRUE(path.endsWith(QStringLiteral(".jpg")));
    EXPECT_TRUE(fileBytes(path).startsWith("\xFF\xD8"));
}

TEST_F(SaveResultTest, BothBitmapEntriesWriteTheSameFile)
{
    const Image out = positionImage(5, 5);
    const QString a = completeSavePath(m_dir.filePath(QStringLiteral("a")), 5);
    const QString b = completeSavePath(m_dir.filePath(QStringLiteral("b")), 6);
    ASSERT_TRUE(saveResult(a, out).ok);
    ASSERT_TRUE(saveResult(b, out).ok);
    EXPECT_EQ(fileBytes(a), fileBytes(b));
    EXPECT_TRUE(fileBytes(a).startsWith("BM"));
}

// A failed save says why and leaves whatever was there untouched.
TEST_F(SaveResultTest, FailuresReportAndKeepExistingFile)
{
    struct Case { const char* name; QString path; bool existing; };
    const Case cases[] = {
        {"no writer for extension", m_dir.filePath(QStringLiteral("result.xyz")), true},
        {"reader-only extension", m_dir.filePath(QStringLiteral("result.webp")), true},
        {"folder missing", m_dir.filePath(QStringLiteral("missing/result.png")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.existing) {
            QFile f(c.path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("keep me");
        }
        const SaveOutcome r = saveResult(c.path, positionImage(4, 4));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.message.contains(c.path)) << r.message.toStdString();
        if (c.existing) {
            EXPECT_EQ(fileBytes(c.path), QByteArray("keep me"));
        }
    }
}

} // namespace
} // namespace mw

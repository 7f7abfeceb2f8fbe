#include "workspace/photo_document.h"
#include "workspace/selection_status.h"

#include "imaging/image_io.h"
#include "test_images.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace mw {
namespace {

using test::positionImage;

class PhotoDocumentTest : public ::testing::Test {
protected:
    QString writePhoto(const QString& name, const Image& image)
    {
        const QString path = m_dir.filePath(name);
        const Status s = writeImage(QFile::encodeName(path).toStdString(), image);
        EXPECT_TRUE(s.isOk()) << s.reason();
        return path;
    }
    QString writeBytes(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

struct SelectionCase {
    SelectionRect rect;
    const char* text;
    int cropWidth;
    int cropHeight;
};

class SelectionCropTest : public ::testing::TestWithParam<SelectionCase> {};

// The panel reads the spans between first and last pixel, Crop makes the inclusive size.
TEST_P(SelectionCropTest, StatusTextAndCropSize)
{
    const SelectionCase c = GetParam();
    EXPECT_EQ(selectionSizeText(c.rect).toStdString(), c.text);

    PhotoDocument doc;
    doc.pastePhoto(positionImage(200, 120));
    ASSERT_TRUE(doc.crop(c.rect, Color{1, 2, 3}));
    const Image& photo = doc.originalPhoto();
    ASSERT_EQ(photo.width(), c.cropWidth);
    ASSERT_EQ(photo.height(), c.cropHeight);
    // The top-left and bottom-right pixels are the selection's own corners.
    EXPECT_EQ(photo.pixel(0, 0), (Rgba{uint8_t(c.rect.firstColumn), uint8_t(c.rect.firstRow), 7, 255}));
    EXPECT_EQ(photo.pixel(c.cropWidth - 1, c.cropHeight - 1),
              (Rgba{uint8_t(c.rect.lastColumn), uint8_t(c.rect.lastRow), 7, 255}));
    EXPECT_EQ(doc.shownImage(), photo);
}

INSTANTIATE_TEST_SUITE_P(Cases, SelectionCropTest,
                         ::testing::Values(SelectionCase{{10, 20, 109, 69}, "99x49", 100, 50},
                                           SelectionCase{{0, 0, 0, 0}, "0x0", 1, 1},
                                           SelectionCase{{150, 100, 199, 119}, "49x19", 50, 20}));

TEST(SelectionStatusTest, NoSelectionShowsNothing)
{
    EXPECT_TRUE(selectionSizeText(SelectionRect{}).isEmpty());
    EXPECT_EQ(sizeText(640, 480), QStringLiteral("640x480"));
}

TEST(PhotoDocumentCropTest, CropShowsThePhotoWithoutAlphaAndLeavesTheFramedStateAlone)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(50, 40, 7, true, 128));
    ASSERT_TRUE(doc.crop(SelectionRect{5, 5, 14, 9}, Color{255, 255, 255}));
    EXPECT_EQ(doc.originalPhoto().width(), 10);
    EXPECT_FALSE(doc.shownImage().hasAlpha());
    EXPECT_EQ(doc.shownImage().pixel(0, 0), (Rgba{5, 5, 7, 255}));
    EXPECT_FALSE(doc.frameApplied());
}

TEST(PhotoDocumentCropTest, SelectionOutsideThePictureIsClippedOrRefused)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(20, 10));
    EXPECT_FALSE(doc.crop(SelectionRect{30, 30, 40, 40}, Color{}));
    EXPECT_EQ(doc.originalPhoto().width(), 20) << "a refused crop changes nothing";
    ASSERT_TRUE(doc.crop(SelectionRect{-5, -5, 4, 100}, Color{}));
    EXPECT_EQ(doc.originalPhoto().width(), 5);
    EXPECT_EQ(doc.originalPhoto().height(), 10);
}

TEST(PhotoDocumentCropTest, ConfirmationIsTwoLinesJoinedByCrLf)
{
    EXPECT_EQ(PhotoDocument::cropConfirmationText(),
              QStringLiteral("Would you like to use the selected area as your picture now?\r\n"
                             "NOTE: Your original image will remain untouched."));
}

TEST_F(PhotoDocumentTest, LoadReadsUpperCaseExtensionsAndEntersEditingState)
{
    const QString path = writePhoto(QStringLiteral("photo.PNG"), positionImage(30, 20, 9));
    PhotoDocument doc;
    doc.setFramedResult(positionImage(40, 30, 1), positionImage(40, 30, 2));
    const LoadOutcome r = doc.loadPhoto(path);
    ASSERT_TRUE(r.loaded()) << r.message.toStdString();
    EXPECT_EQ(doc.originalPhoto().pixel(3, 4), (Rgba{3, 4, 9, 255}));
    EXPECT_EQ(doc.shownImage(), doc.originalPhoto());
    EXPECT_FALSE(doc.frameApplied());
    EXPECT_TRUE(doc.editMenuState(false, false).selectionAllowed);
}

TEST_F(PhotoDocumentTest, MissingFileWarnsAndChangesNothing)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(30, 20, 9));
    doc.setFramedResult(positionImage(40, 30, 1), std::nullopt);
    const QString path = m_dir.filePath(QStringLiteral("nope.jpg"));
    const LoadOutcome r = doc.loadPhoto(path);
    EXPECT_EQ(r.kind, LoadOutcome::Kind::NotFound);
    EXPECT_EQ(r.message, QStringLiteral("Cannot find file: ") + path);
    EXPECT_EQ(doc.originalPhoto().pixel(0, 0).b, 9);
    EXPECT_EQ(doc.shownImage().pixel(0, 0).b, 1);
    EXPECT_TRUE(doc.frameApplied());
}

// A file that is there but holds no readable picture must not wipe the photo being worked on.
TEST_F(PhotoDocumentTest, UndecodableFileKeepsPreviousPhotoWithMessage)
{
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"garbage.png", QByteArray("definitely not a picture")},
        {"truncated.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"empty.jpg", QByteArray()},
        {"unknown.xyz", QByteArray("whatever")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoDocument doc;
        doc.pastePhoto(positionImage(30, 20, 9));
        const QString path = writeBytes(QString::fromLatin1(c.name), c.bytes);
        const LoadOutcome r = doc.loadPhoto(path);
        EXPECT_EQ(r.kind, LoadOutcome::Kind::Undecodable);
        EXPECT_TRUE(r.message.startsWith(QStringLiteral("Cannot read image: ") + path)) << r.message.toStdString();
        EXPECT_GT(r.message.size(), (QStringLiteral("Cannot read image: ") + path).size()) << "a reason follows";
        EXPECT_EQ(doc.originalPhoto().width(), 30);
        EXPECT_EQ(doc.originalPhoto().pixel(1, 1).b, 9);
        EXPECT_EQ(doc.shownImage(), doc.originalPhoto());
    }
}

// Undo brings back the picture before the shadow, and keeps doing so; loading or pasting a
// new photo drops the step so the earlier framed picture cannot come back over it.
TEST_F(PhotoDocumentTest, UndoStepLivesUntilANewPhotoArrives)
{
    const QString path = writePhoto(QStringLiteral("b.png"), positionImage(16, 16, 5));
    struct Case { const char* name; std::function<void(PhotoDocument&)> newPhoto; };
    const Case cases[] = {
        {"load", [&](PhotoDocument& d) { ASSERT_TRUE(d.loadPhoto(path).loaded()); }},
        {"revert", [&](PhotoDocument& d) { ASSERT_TRUE(d.revert(path).has_value()); }},
        {"paste", [](PhotoDocument& d) { d.pastePhoto(positionImage(16, 16, 6)); }},
        {"failed paste", [](PhotoDocument& d) { d.pastePhoto(Image()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoDocument doc;
        doc.pastePhoto(positionImage(20, 20, 3));
        const Image framed = positionImage(40, 40, 1, true);
        const Image beforeShadow = positionImage(30, 30, 2, true);
        doc.setFramedResult(framed, beforeShadow);
        EXPECT_TRUE(doc.frameApplied());
        EXPECT_TRUE(doc.editMenuState(false, false).undoEnabled);
        ASSERT_TRUE(doc.undo());
        EXPECT_EQ(doc.shownImage(), beforeShadow);
        ASSERT_TRUE(doc.undo()) << "the step is not consumed";
        EXPECT_EQ(doc.shownImage(), beforeShadow);
        EXPECT_EQ(doc.originalPhoto().pixel(0, 0).b, 3) << "framing and undo never touch the photo";

        c.newPhoto(doc);
        EXPECT_FALSE(doc.canUndo());
        EXPECT_FALSE(doc.undo());
        EXPECT_FALSE(doc.frameApplied());
        EXPECT_EQ(doc.shownImage(), doc.originalPhoto());
    }
}

TEST(PhotoDocumentFramingTest, FramingWithoutShadowLeavesNoStep)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(20, 20));
    doc.setFramedResult(positionImage(40, 40, 1), positionImage(30, 30, 2));
    doc.setFramedResult(positionImage(44, 44, 4), std::nullopt);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_EQ(doc.shownImage().width(), 44);
}

TEST(PhotoDocumentPasteTest, FailedPasteKeepsPhotoButShowsItUnframed)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(20, 10, 3));
    doc.setFramedResult(positionImage(40, 40, 1), std::nullopt);
    doc.pastePhoto(Image());
    EXPECT_EQ(doc.originalPhoto().pixel(2, 2).b, 3);
    EXPECT_EQ(doc.shownImage(), doc.originalPhoto());
    EXPECT_FALSE(doc.frameApplied());
}

TEST_F(PhotoDocumentTest, RevertDoesNothingWithoutAFile)
{
    PhotoDocument doc;
    doc.pastePhoto(positionImage(20, 10, 3));
    EXPECT_FALSE(doc.revert(QString()).has_value());
    EXPECT_FALSE(doc.revert(m_dir.filePath(QStringLiteral("gone.jpg"))).has_value());
    EXPECT_FALSE(doc.revert(m_dir.path()).has_value()) << "a folder is no photo";
    EXPECT_EQ(doc.originalPhoto().pixel(0, 0).b, 3);
}

TEST(EditMenuStateTest, FollowsClipboardSelectionStepAndFramedState)
{
    PhotoDocument doc;
    EditMenuState s = doc.editMenuState(false, false);
    EXPECT_FALSE(s.pasteEnabled);
    EXPECT_FALSE(s.undoEnabled);
    EXPECT_FALSE(s.cropEnabled);
    EXPECT_TRUE(s.copyEnabled);
    EXPECT_TRUE(s.selectionAllowed);

    s = doc.editMenuState(true, true);
    EXPECT_TRUE(s.pasteEnabled);
    EXPECT_TRUE(s.cropEnabled);

    doc.setFramedResult(positionImage(4, 4), positionImage(3, 3));
    s = doc.editMenuState(false, false);
    EXPECT_TRUE(s.undoEnabled);
    EXPECT_FALSE(s.selectionAllowed) << "no selection can be drawn over a framed result";
    EXPECT_TRUE(s.copyEnabled);
}

} // namespace
} // namespace mw

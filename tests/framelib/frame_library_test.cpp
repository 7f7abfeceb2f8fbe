#include "framelib/frame_library.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

QStringList fileNames(const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out << QFileInfo(p).fileName();
    return out;
}

} // namespace

TEST(FrameLibrary, RootIsBesideTheProgram)
{
    EXPECT_EQ(mw::libraryRoot("/opt/mountwell/"), "/opt/mountwell/frames/");
    EXPECT_EQ(mw::libraryRoot("/opt/mountwell"), "/opt/mountwell/frames/");
}

TEST(FrameLibrary, GroupsAreEverySubFolderSortedWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/frames/";
    for (const char* g : {"wood", "Metal", "classic", ".hidden"})
        QDir().mkpath(root + "150dpi/" + g);
    touch(root + "150dpi/notes.txt");  // a file is not a group
    EXPECT_EQ(mw::listGroups(root, "150dpi"), (QStringList{".hidden", "classic", "Metal", "wood"}));
    EXPECT_TRUE(mw::listGroups(root, "300dpi").isEmpty());
    EXPECT_FALSE(mw::dpiFolderExists(root, "300dpi"));
    EXPECT_TRUE(mw::dpiFolderExists(root, "150dpi"));
}

TEST(FrameLibrary, DpiFolderIsFoundWithoutRegardToCase)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/frames/";
    QDir().mkpath(root + "150DPI/Wood");
    EXPECT_EQ(mw::listGroups(root, "150dpi"), QStringList{"Wood"});
}

TEST(FrameLibrary, FramesAreThumbnailsInAnyCaseSorted)
{
    QTemporaryDir dir;
    const QString group = dir.path() + "/frames/150dpi/Wood/";
    for (const char* f : {"oak_thumb.jpg", "Birch_thumb.JPG", "gold_leaf_thumb.jpg", "oak_01.png", "notes.txt",
                          "thumb.jpg", "sub/inner_thumb.jpg"})
        touch(group + f);
    const QStringList frames = mw::listFrames(group);
    EXPECT_EQ(fileNames(frames), (QStringList{"Birch_thumb.JPG", "gold_leaf_thumb.jpg", "oak_thumb.jpg"}));
    EXPECT_EQ(frames.first(), group + "Birch_thumb.JPG");
    QStringList names;
    for (const QString& f : frames)
        names << mw::frameName(f);
    EXPECT_EQ(names, (QStringList{"Birch", "gold", "oak"}));
    EXPECT_TRUE(mw::listFrames(dir.path() + "/missing/").isEmpty());
}

struct NamingCase {
    const char* thumb;
    const char* name;
    const char* frameFile;
};

class FrameNaming : public ::testing::TestWithParam<NamingCase> {};

TEST_P(FrameNaming, NameIsTextBeforeTheFirstUnderscore)
{
    const NamingCase& c = GetParam();
    EXPECT_EQ(mw::frameName(c.thumb), QString(c.name));
    EXPECT_EQ(mw::frameFilePath(c.thumb), QString(c.frameFile));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameNaming,
    ::testing::Values(NamingCase{"/f/150dpi/Wood/oak_thumb.jpg", "oak", "/f/150dpi/Wood/oak_thumb.png"},
                      NamingCase{"/f/Wood/gold_leaf_thumb.jpg", "gold", "/f/Wood/gold_leaf_thumb.png"},
                      NamingCase{"/f/Wood/_thumb.jpg", "", "/f/Wood/_thumb.png"},
                      NamingCase{"/f/my.group/gilt_oak_thumb.JPG", "gilt", "/f/my.group/gilt_oak_thumb.png"},
                      NamingCase{"/f/my.group/plain", "plain", "/f/my.group/plain.png"}));

TEST(FrameLibrary, PiecePathsFollowTheKeypadAndTheFrameName)
{
    QTemporaryDir dir;
    const QString group = dir.path() + "/Wood/";
    const QString frame = group + "gilt_oak_thumb.png";
    QStringList got;
    for (int k : mw::kPieceNumbers)
        got << mw::piecePath(frame, k);
    QStringList expected;
    for (const char* s : {"01", "02", "03", "04", "06", "07", "08", "09"})
        expected << group + "gilt_" + s + ".png";
    EXPECT_EQ(got, expected);  // nothing exists: the exact paths
}

TEST(FrameLibrary, PiecesAndFoldersResolveWithoutRegardToCase)
{
    QTemporaryDir dir;
    touch(dir.path() + "/Frames/150DPI/Wood/OAK_01.PNG");
    touch(dir.path() + "/Frames/150DPI/Wood/oak_02.png");
    const QString frame = dir.path() + "/frames/150dpi/wood/oak_thumb.png";
    EXPECT_EQ(mw::piecePath(frame, 1), dir.path() + "/Frames/150DPI/Wood/OAK_01.PNG");
    EXPECT_EQ(mw::piecePath(frame, 2), dir.path() + "/Frames/150DPI/Wood/oak_02.png");
    // Not there in any case: the path asked for comes back unchanged.
    EXPECT_EQ(mw::piecePath(frame, 3), dir.path() + "/frames/150dpi/wood/oak_03.png");
    EXPECT_EQ(mw::resolveCaseInsensitive(dir.path() + "/frames/150dpi/"), dir.path() + "/Frames/150DPI/");
}

TEST(FrameLibrary, AnExactMatchWinsOverAnotherCase)
{
    QTemporaryDir dir;
    touch(dir.path() + "/g/oak_01.png");
    touch(dir.path() + "/g/OAK_01.png");
    EXPECT_EQ(mw::resolveCaseInsensitive(dir.path() + "/g/OAK_01.png"), dir.path() + "/g/OAK_01.png");
    EXPECT_EQ(mw::resolveCaseInsensitive(dir.path() + "/g/oak_01.png"), dir.path() + "/g/oak_01.png");
}

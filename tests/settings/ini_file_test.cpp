#include "settings/ini_file.h"

#include "imaging/status.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using mw::IniFile;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes, const QString& name = "test.ini")
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

struct IntegerCase {
    const char* text;
    std::optional<int> expected;
};

class IniIntegerParse : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerParse, ReadsLikeTheProfileFunctions)
{
    EXPECT_EQ(IniFile::parseInteger(QString::fromLatin1(GetParam().text)), GetParam().expected)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniIntegerParse,
    ::testing::Values(IntegerCase{"12", 12}, IntegerCase{"  -7 ", -7}, IntegerCase{"+5", 5},
                      IntegerCase{"0x10", 16}, IntegerCase{"0X1f", 31}, IntegerCase{"$10", 16},
                      IntegerCase{"-$10", -16}, IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", std::numeric_limits<int>::min()},
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"0x100000000", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"$", std::nullopt}, IntegerCase{"0x", std::nullopt},
                      IntegerCase{"12px", std::nullopt}, IntegerCase{"1 2", std::nullopt}, IntegerCase{"ten", std::nullopt},
                      IntegerCase{"010", 10}, IntegerCase{"1.5", std::nullopt}));

TEST(IniFile, SectionsAndKeysIgnoreCaseAndMissingOrBadValuesGiveTheDefault)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "; comment\n[Oak]\nOffsetLeft=20\noffsettop = bad\n\n[TRANSPARENT offsets]\noffsetLeft=$c\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("oak", "offsetleft", -1), 20);
    EXPECT_EQ(ini.readInteger("OAK", "offsetTop", 3), 3);          // unreadable value
    EXPECT_EQ(ini.readInteger("oak", "missing", 4), 4);            // missing key
    EXPECT_EQ(ini.readInteger("birch", "offsetLeft", -1), -1);     // missing section
    EXPECT_EQ(ini.readInteger("transparent offsets", "OFFSETLEFT", 0), 12);
    EXPECT_EQ(ini.readString("oak", "offsettop"), "bad");
}

TEST(IniFile, MissingFileIsEmpty)
{
    QTemporaryDir dir;
    IniFile ini;
    EXPECT_FALSE(ini.load(dir.filePath("none.ini")));
    EXPECT_TRUE(ini.sections().isEmpty());
    EXPECT_EQ(ini.readInteger("a", "b", 9), 9);
}

TEST(IniFile, WritingKeepsEverythingElseAndReplacesTheFile)
{
    QTemporaryDir dir;
    const QByteArray original =
        "; frame offsets\r\n[oak]\r\noffsetLeft=20\r\n; keep me\r\n\r\n[Birch]\r\nOffsetTop=4\r\nnote=x y\r\n";
    const QString path = writeFile(dir, original);
    IniFile ini(path);
    ini.writeInteger("OAK", "OFFSETLEFT", 25);   // existing key keeps its spelling
    ini.writeInteger("oak", "offsetTop", 18);    // new key at the end of its section
    ini.writeString("new one", "offsetLeft", "7");
    ini.save();

    EXPECT_EQ(readFile(path),
              QByteArray("; frame offsets\r\n[oak]\r\noffsetLeft=25\r\n; keep me\r\noffsetTop=18\r\n\r\n"
                         "[Birch]\r\nOffsetTop=4\r\nnote=x y\r\n\r\n[new one]\r\noffsetLeft=7\r\n"));
    IniFile again(path);
    EXPECT_EQ(again.readInteger("oak", "offsettop", 0), 18);
    EXPECT_EQ(again.readInteger("birch", "offsettop", 0), 4);
    EXPECT_EQ(again.readInteger("New One", "offsetleft", 0), 7);
}

TEST(IniFile, WritingCreatesAMissingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    IniFile ini(path);
    ini.writeInteger("transparent offsets", "offsetLeft", 12);
    ini.writeInteger("transparent offsets", "offsetTop", -3);
    ini.save();
    EXPECT_EQ(readFile(path), QByteArray("[transparent offsets]\noffsetLeft=12\noffsetTop=-3\n"));
}

TEST(IniFile, AFailedSaveThrowsAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no such folder/settings.ini");
    IniFile ini(path);
    ini.writeInteger("s", "k", 1);
    try {
        ini.save();
        FAIL() << "save into a missing folder succeeded";
    } catch (const mw::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.toStdString());
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(IniFile, EraseKeyAndSection)
{
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, "[a]\nx=1\ny=2\n[b]\nz=3\n"));
    ini.eraseKey("A", "X");
    ini.eraseSection("B");
    EXPECT_EQ(ini.toBytes(), QByteArray("[a]\ny=2\n"));
}

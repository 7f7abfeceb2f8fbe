#include "framelib/inset_offsets.h"

#include "imaging/status.h"
#include "settings/ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

} // namespace

struct SectionCase {
    const char* name;
    const char* ini;
    const char* frame;
    mw::InsetOffsets expected;
};

class InsetSectionRule : public ::testing::TestWithParam<SectionCase> {};

TEST_P(InsetSectionRule, PicksTheFrameSectionOrTheGroupDefault)
{
    QTemporaryDir dir;
    writeText(dir.filePath("settings.ini"), GetParam().ini);
    EXPECT_EQ(mw::readInsetOffsets(dir.path() + "/", GetParam().frame), GetParam().expected);
}

const char* const kGroup = "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, InsetSectionRule,
    ::testing::Values(
        SectionCase{"FrameSection", "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n[oak]\noffsetLeft=20\noffsetTop=18\n",
                    "oak", {20, 18}},
        SectionCase{"OtherFrameTakesGroup", "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n[oak]\noffsetLeft=20\n",
                    "birch", {12, 12}},
        SectionCase{"MinusOneHandsOverToGroup", "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n[oak]\noffsetLeft=-1\noffsetTop=30\n",
                    "oak", {12, 12}},
        SectionCase{"OnlyOffsetLeftGivesTopZero", "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n[oak]\noffsetLeft=12\n",
                    "oak", {12, 0}},
        SectionCase{"UnreadableLeftHandsOverToGroup", "[transparent offsets]\noffsetLeft=12\noffsetTop=12\n[oak]\noffsetLeft=wide\noffsetTop=30\n",
                    "oak", {12, 12}},
        SectionCase{"HexPrefixes", "[OAK]\nOFFSETLEFT=0x10\noffsettop=$10\n", "oak", {16, 16}},
        SectionCase{"NoGroupSectionGivesZero", "[oak]\noffsetLeft=-1\noffsetTop=30\n", "oak", {0, 0}},
        SectionCase{"NoFrameSectionForNoframe", "[noframe]\noffsetLeft=5\n[transparent offsets]\noffsetLeft=9\n",
                    "noframe", {5, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsetOffsets, NoSettingsFileGivesZero)
{
    QTemporaryDir dir;
    EXPECT_EQ(mw::readInsetOffsets(dir.path() + "/", "oak"), (mw::InsetOffsets{0, 0}));
}

TEST(InsetOffsets, SettingsFileIsFoundWithoutRegardToCase)
{
    QTemporaryDir dir;
    writeText(dir.filePath("Settings.INI"), kGroup);
    EXPECT_EQ(mw::readInsetOffsets(dir.path() + "/", "oak"), (mw::InsetOffsets{12, 12}));
}

TEST(InsetOffsets, WritingGoesToTheSectionTheRuleSelects)
{
    QTemporaryDir dir;
    const QString group = dir.path() + "/";
    const QString file = dir.filePath("settings.ini");
    // No file: the group default is created.
    mw::writeInsetOffsets(group, "oak", {3, 4});
    EXPECT_EQ(mw::readInsetOffsets(group, "birch"), (mw::InsetOffsets{3, 4}));
    // A frame section holding -1 is not the frame's own: still the group default.
    writeText(file, "[oak]\noffsetLeft=-1\noffsetTop=7\n[transparent offsets]\noffsetLeft=1\n");
    mw::writeInsetOffsets(group, "oak", {8, 9});
    mw::IniFile ini(file);
    EXPECT_EQ(ini.readInteger("oak", "offsetTop", 0), 7);
    EXPECT_EQ(ini.readInteger("transparent offsets", "offsetLeft", 0), 8);
    EXPECT_EQ(ini.readInteger("transparent offsets", "offsetTop", 0), 9);
    // A real frame section receives both keys.
    writeText(file, "[oak]\noffsetLeft=20\n");
    mw::writeInsetOffsets(group, "oak", {21, 5});
    EXPECT_EQ(mw::readInsetOffsets(group, "oak"), (mw::InsetOffsets{21, 5}));
    EXPECT_FALSE(mw::IniFile(file).hasSection("transparent offsets"));
}

TEST(InsetOffsets, WritingIntoAMissingFolderReportsThePath)
{
    QTemporaryDir dir;
    const QString group = dir.path() + "/Frame group not found./";
    try {
        mw::writeInsetOffsets(group, "noframe", {1, 1});
        FAIL() << "no error";
    } catch (const mw::FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + (group + "settings.ini").toStdString());
    }
}

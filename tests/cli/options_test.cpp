// Parsing, frame lookup, output planning and flattening of the batch tool, without running it.
#include "cli/batch.h"
#include "cli/cli_options.h"
#include "fixture.h"
#include "imaging/canvas.h"

#include <gtest/gtest.h>


namespace {

using mw::cli::parseArguments;
using Args = std::vector<std::string>;

TEST(CliParse, ValuesReachTheOptions) {
    const auto r = parseArguments(Args{"--frame", "Wood/Oak", "--dpi=300", "--scale", "75%", "--shadow",
                                       "Lower-Right", "--depth", "25", "--shadow-color", "#FF8000",
                                       "--background", "clSkyBlue", "-o", "out", "--no-flatten", "-j",
                                       "3", "a.jpg", "--", "-b.jpg"});
    ASSERT_TRUE(r.options) << r.error;
    const auto& o = *r.options;
    EXPECT_EQ(o.action, mw::cli::Action::Frame);
    EXPECT_EQ(o.photos, (std::vector<std::string>{"a.jpg", "-b.jpg"}));
    EXPECT_EQ(o.frame, "Wood/Oak");
    EXPECT_EQ(o.dpi, 300);
    EXPECT_DOUBLE_EQ(o.scale, 0.75);
    EXPECT_EQ(o.shadowPosition, 4);
    EXPECT_EQ(o.shadowDepth, 25);
    EXPECT_EQ(o.shadowColor, (mw::Color{0xFF, 0x80, 0x00}));
    EXPECT_EQ(o.background, (mw::Color{0xA6, 0xCA, 0xF0}));
    EXPECT_EQ(o.output, "out");
    EXPECT_FALSE(o.flatten);
    EXPECT_EQ(o.jobs, 3);
}

TEST(CliParse, Defaults) {
    const auto r = parseArguments(Args{"--frame", "x.png", "p.jpg"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_DOUBLE_EQ(r.options->scale, 1.0);
    EXPECT_EQ(r.options->shadowPosition, 0);
    EXPECT_EQ(r.options->shadowDepth, 5);
    EXPECT_EQ(r.options->shadowColor, (mw::Color{0, 0, 0}));
    EXPECT_EQ(r.options->background, (mw::Color{255, 255, 255}));
    EXPECT_TRUE(r.options->flatten);
    EXPECT_EQ(r.options->dpi, 150);
}

TEST(CliParse, ShadowNamesGiveTheirCodes) {
    const char* names[] = {"none", "upper-left", "upper-right", "lower-left", "lower-right"};
    for (int code = 0; code < 5; ++code) {
        const auto r = parseArguments(Args{"--frame", "f.png", "--shadow", names[code], "p.jpg"});
        ASSERT_TRUE(r.options) << names[code];
        EXPECT_EQ(r.options->shadowPosition, code);
        EXPECT_STREQ(mw::cli::shadowPositionName(code), names[code]);
    }
}

TEST(CliParse, BadCommandLinesNameTheProblem) {
    struct Case {
        Args args;
        const char* messagePart;
    };
    const Case cases[] = {
        {{"--frame", "f.png"}, "no photo"},
        {{"p.jpg"}, "no frame"},
        {{"--frame", "f.png", "--bogus", "p.jpg"}, "unknown option --bogus"},
        {{"--frame", "f.png", "--scale", "60", "p.jpg"}, "--scale"},
        {{"--frame", "f.png", "--dpi", "200", "p.jpg"}, "--dpi"},
        {{"--frame", "f.png", "--depth", "0", "p.jpg"}, "--depth"},
        {{"--frame", "f.png", "--depth", "26", "p.jpg"}, "--depth"},
        {{"--frame", "f.png", "--depth", "5x", "p.jpg"}, "--depth"},
        {{"--frame", "f.png", "--shadow", "left", "p.jpg"}, "--shadow"},
        {{"--frame", "f.png", "--background", "#12345", "p.jpg"}, "unknown colour"},
        {{"--frame", "f.png", "--shadow-color", "clNotAColour", "p.jpg"}, "unknown colour"},
        {{"--frame", "f.png", "-j", "0", "p.jpg"}, "-j"},
        {{"--frame", "f.png", "p.jpg", "-o"}, "needs a value"},
        {{"--frame=f.png", "--list=yes"}, "takes no value"},
    };
    for (const Case& c : cases) {
        const auto r = parseArguments(c.args);
        EXPECT_FALSE(r.options) << c.messagePart;
        EXPECT_NE(r.error.find(c.messagePart), std::string::npos) << r.error;
    }
}

TEST(CliParse, HelpVersionAndListNeedNoPhoto) {
    EXPECT_EQ(parseArguments(Args{"--help"}).options->action, mw::cli::Action::Help);
    EXPECT_EQ(parseArguments(Args{"-h"}).options->action, mw::cli::Action::Help);
    EXPECT_EQ(parseArguments(Args{"--version"}).options->action, mw::cli::Action::Version);
    EXPECT_EQ(parseArguments(Args{"--list", "--dpi", "300"}).options->action, mw::cli::Action::List);
}

using CliLookup = mwtest::CliFixture;

TEST_F(CliLookup, EveryFrameFormGivesTheSameFrameFile) {
    const std::string expected = (group / "box_thumb.png").string();
    const std::string root = library() + "/";
    for (const std::string& form : {std::string("Tiny/box"), std::string("tiny/BOX"), (group / "box_thumb.jpg").string(),
                                    expected}) {
        const auto r = mw::cli::resolveFrame(form, root, 150);
        EXPECT_EQ(r.framePath, expected) << form << ": " << r.error;
    }
    // A thumbnail named past the first underscore answers to its frame name and its full stem.
    mwtest::fs::copy_file(group / "box_thumb.jpg", group / "box_light_thumb.jpg");
    mwtest::fs::remove(group / "box_thumb.jpg");
    for (const char* form : {"Tiny/box", "Tiny/Box_Light"}) {
        const auto r = mw::cli::resolveFrame(form, root, 150);
        EXPECT_EQ(r.framePath, (group / "box_light_thumb.png").string()) << form << ": " << r.error;
    }
}

TEST_F(CliLookup, MissingFramesAndPiecesAreNamed) {
    const std::string root = library() + "/";
    EXPECT_NE(mw::cli::resolveFrame("Tiny/oak", root, 150).error.find("no frame \"oak\""), std::string::npos);
    EXPECT_NE(mw::cli::resolveFrame("Gone/box", root, 150).error.find("no frame group \"Gone\""), std::string::npos);
    EXPECT_NE(mw::cli::resolveFrame("Tiny/box", root, 300).error.find("no frame group"), std::string::npos);
    EXPECT_NE(mw::cli::resolveFrame("box", root, 150).error.find("GROUP/NAME"), std::string::npos);
    mwtest::fs::remove(group / "box_07.png");
    const auto r = mw::cli::resolveFrame("Tiny/box", root, 150);
    EXPECT_TRUE(r.framePath.empty());
    EXPECT_NE(r.error.find((group / "box_07.png").string()), std::string::npos) << r.error;
}

using CliPlan = mwtest::CliFixture;

TEST_F(CliPlan, OutputNames) {
    const std::string a = (dir / "a.png").string(), b = (dir / "sub" / "b.jpg").string();
    auto plan = mw::cli::planOutputs({a, b}, "", true);
    EXPECT_EQ(plan.outputs, (std::vector<std::string>{(dir / "a_framed.jpg").string(),
                                                      (dir / "sub" / "b_framed.jpg").string()}));
    plan = mw::cli::planOutputs({a, b}, (dir / "out").string(), false);
    EXPECT_EQ(plan.folderToCreate, (dir / "out").string());
    EXPECT_EQ(plan.outputs[1], (dir / "out" / "b_framed.png").string());
    plan = mw::cli::planOutputs({a}, (dir / "single.tif").string(), false);
    EXPECT_TRUE(plan.fatal.empty()) << plan.fatal;
    EXPECT_EQ(plan.outputs[0], (dir / "single.tif").string());
    plan = mw::cli::planOutputs({a}, dir.string(), true);  // an existing folder
    EXPECT_EQ(plan.outputs[0], (dir / "a_framed.jpg").string());
}

TEST_F(CliPlan, RefusesToOverwriteInputsOrEarlierOutputs) {
    const std::string a = photo("a.png").string();
    const std::string aFramed = photo("a_framed.jpg").string();
    mwtest::fs::create_directories(dir / "other");
    const std::string a2 = (dir / "other" / "a.png").string();
    // a.png would write a_framed.jpg, which is an input of the same run.
    auto plan = mw::cli::planOutputs({a, aFramed}, "", true);
    EXPECT_NE(plan.refused[0].find("overwrite the input photo"), std::string::npos) << plan.refused[0];
    EXPECT_TRUE(plan.refused[1].empty());
    // -o naming the photo itself, spelt differently.
    plan = mw::cli::planOutputs({a}, (dir / "." / "a.png").string(), true);
    EXPECT_FALSE(plan.refused[0].empty());
    // Two photos of the same name from different folders into one folder.
    plan = mw::cli::planOutputs({a, a2}, (dir / "out").string(), true);
    EXPECT_TRUE(plan.refused[0].empty());
    EXPECT_NE(plan.refused[1].find("already the output of"), std::string::npos);
}

TEST(CliPlanFatal, BadOutputTypes) {
    EXPECT_NE(mw::cli::planOutputs({"a.png"}, "x.jpg", false).fatal.find("--no-flatten"), std::string::npos);
    EXPECT_NE(mw::cli::planOutputs({"a.png"}, "x.nothing", true).fatal.find("cannot write"), std::string::npos);
    EXPECT_NE(mw::cli::planOutputs({"a.png"}, "noextension", true).fatal.find("extension"), std::string::npos);
}

} // namespace

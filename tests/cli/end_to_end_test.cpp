// Runs the built mountwell-frame on a tiny library and photos, one test per option family.
#include "fixture.h"

#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

using mwtest::fs::path;

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolRun runTool(const std::vector<std::string>& args) {
    std::string cmd = quote(MW_CLI_EXE);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " 2>&1 </dev/null";
    ToolRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

mw::Image load(const path& p) {
    mw::Image img;
    const mw::Status st = mw::readImage(p.string(), img);
    EXPECT_TRUE(st.isOk()) << p << ": " << st.reason();
    return img;
}

bool near(mw::Rgba a, mw::Rgba b, int tol) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

class CliRun : public mwtest::CliFixture {
protected:
    std::vector<std::string> base() { return {"--library", library(), "--frame", "Tiny/box"}; }
    ToolRun frame(std::vector<std::string> extra) {
        auto args = base();
        args.insert(args.end(), extra.begin(), extra.end());
        return runTool(args);
    }
};

TEST_F(CliRun, FrameFormsGiveTheSameResult) {
    const std::string p = photo("p.png").string();
    const std::vector<std::string> forms = {"Tiny/box", (group / "box_thumb.jpg").string(),
                                            (group / "box_thumb.png").string()};
    mw::Image first;
    for (size_t i = 0; i < forms.size(); ++i) {
        const path out = dir / ("out" + std::to_string(i) + ".png");
        const ToolRun r = runTool({"--library", library(), "--frame", forms[i], "-o", out.string(), p});
        ASSERT_EQ(r.status, 0) << forms[i] << ": " << r.output;
        const mw::Image img = load(out);
        EXPECT_EQ(img.width(), 100);
        EXPECT_EQ(img.height(), 80);
        EXPECT_TRUE(near(img.pixel(3, 40), mwtest::kFrameBlue, 2));   // frame
        EXPECT_TRUE(near(img.pixel(50, 40), mwtest::kPhotoRed, 2));  // photo
        if (i == 0) first = img;
        else EXPECT_TRUE(img == first) << forms[i];
    }
}

TEST_F(CliRun, ScaleShrinksTheFramePieces) {
    const std::string p = photo("p.png").string();
    struct Case {
        const char* scale;
        bool blueAt7;  // the 10-pixel pieces become 5 wide at 50 %
    };
    for (const Case c : {Case{"100", true}, Case{"50", false}}) {
        const path out = dir / (std::string("s") + c.scale + ".png");
        const ToolRun r = frame({"--scale", c.scale, "-o", out.string(), p});
        ASSERT_EQ(r.status, 0) << r.output;
        const mw::Image img = load(out);
        ASSERT_EQ(img.width(), 100);
        const mw::Rgba px = img.pixel(7, 40);
        EXPECT_EQ(px.b > px.r, c.blueAt7) << c.scale << "%: " << int(px.r) << "," << int(px.b);
    }
}

TEST_F(CliRun, ShadowFallsOnTheChosenSideInTheChosenColour) {
    const std::string p = photo("p.png").string();
    struct Case {
        const char* position;
        int depth;
        int shadowX, clearX;  // columns beside the picture at mid height
    };
    // 100 x 80 with depth d becomes (120 + 2d) x (100 + 2d), the picture at (d + 10, d + 10).
    // The clear column is at least four blur radii away from the moved shadow's edge.
    const Case cases[] = {{"lower-right", 5, 117, 2}, {"upper-left", 5, 12, 127}, {"upper-right", 25, 157, 32},
                          {"lower-left", 25, 32, 157}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        const path out = dir / (std::string(c.position) + ".png");
        const ToolRun r = frame({"--shadow", c.position, "--depth", std::to_string(c.depth), "--shadow-color",
                             "#00FF00", "-o", out.string(), p});
        ASSERT_EQ(r.status, 0) << r.output;
        const mw::Image img = load(out);
        EXPECT_EQ(img.width(), 120 + 2 * c.depth);
        EXPECT_EQ(img.height(), 100 + 2 * c.depth);
        const int mid = img.height() / 2;
        const mw::Rgba shadow = img.pixel(c.shadowX, mid);
        EXPECT_EQ(shadow.g, 255);
        EXPECT_LT(shadow.r, 160) << "a green shadow over white";
        EXPECT_EQ(img.pixel(c.clearX, mid), (mw::Rgba{255, 255, 255, 255}));
    }
}

TEST_F(CliRun, BackgroundFillsTheTransparentBorder) {
    const std::string p = photo("p.png").string();
    for (const auto& [text, rgb] : {std::pair{"clFuchsia", mw::Rgba{255, 0, 255, 255}},
                                    std::pair{"#123456", mw::Rgba{0x12, 0x34, 0x56, 255}}}) {
        const path out = dir / "bg.png";
        const ToolRun r = frame({"--shadow", "lower-right", "--background", text, "-o", out.string(), p});
        ASSERT_EQ(r.status, 0) << r.output;
        const mw::Image img = load(out);
        EXPECT_FALSE(img.hasAlpha());
        EXPECT_EQ(img.pixel(0, 0), rgb) << text;
    }
}

TEST_F(CliRun, NoFlattenKeepsAlphaOnlyInFormatsThatHoldIt) {
    const std::string p = photo("p.png").string();
    const path out = dir / "keep.png";
    ToolRun r = frame({"--shadow", "lower-right", "--no-flatten", "-o", out.string(), p});
    ASSERT_EQ(r.status, 0) << r.output;
    const mw::Image img = load(out);
    EXPECT_TRUE(img.hasAlpha());
    EXPECT_EQ(img.pixel(0, 0).a, 0);
    EXPECT_EQ(img.pixel(60, 50).a, 255);

    r = frame({"--no-flatten", "-o", (dir / "keep.jpg").string(), p});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find(".png or .tif"), std::string::npos) << r.output;
    EXPECT_FALSE(mwtest::fs::exists(dir / "keep.jpg"));
}

TEST_F(CliRun, OutputFileFolderAndDefaultNames) {
    const std::string a = photo("a.png").string(), b = photo("b.png", 60, 50).string();
    // Default: beside the photo, as JPEG.
    ToolRun r = frame({a});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(load(dir / "a_framed.jpg").width(), 100);
    // Several photos into a folder that does not exist yet.
    r = frame({"-o", (dir / "out").string(), a, b});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(load(dir / "out" / "a_framed.jpg").width(), 100);
    EXPECT_EQ(load(dir / "out" / "b_framed.jpg").width(), 60);
    // One photo to a named file of another type.
    r = frame({"-o", (dir / "one.bmp").string(), b});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(load(dir / "one.bmp").height(), 50);
}

TEST_F(CliRun, InputPhotoIsNeverOverwritten) {
    const path p = photo("p.png");
    const auto before = mw::readFileBytes(p.string());
    const ToolRun r = frame({"-o", p.string(), p.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("overwrite"), std::string::npos) << r.output;
    EXPECT_EQ(mw::readFileBytes(p.string()), before);
}

TEST_F(CliRun, BatchGoesOnPastABadPhoto) {
    const std::string a = photo("a.png").string(), c = photo("c.png").string();
    const std::string bad = garbage("bad.png").string();
    const std::string missing = (dir / "missing.jpg").string();
    // JPEG to JPEG goes row by row; a photo cut short is found out part way through.
    const std::string d = photo("d.jpg").string();
    const std::string cut = photo("cut.jpg", 300, 200).string();
    mwtest::fs::resize_file(cut, mwtest::fs::file_size(cut) / 2);
    const ToolRun r = frame({"-j", "2", "-o", (dir / "out").string(), a, bad, missing, c, d, cut});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(mwtest::fs::exists(dir / "out" / "a_framed.jpg"));
    EXPECT_TRUE(mwtest::fs::exists(dir / "out" / "c_framed.jpg"));
    EXPECT_EQ(load(dir / "out" / "d_framed.jpg").width(), 100);
    EXPECT_FALSE(mwtest::fs::exists(dir / "out" / "bad_framed.jpg"));
    EXPECT_FALSE(mwtest::fs::exists(dir / "out" / "cut_framed.jpg"));
    EXPECT_NE(r.output.find(bad + ":"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(missing + ": Cannot open file"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(cut + ": cannot read the photo: JPEG: the data is truncated"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find(a + ":"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(d + ":"), std::string::npos) << r.output;
    EXPECT_EQ(std::distance(mwtest::fs::directory_iterator(dir / "out"), mwtest::fs::directory_iterator{}), 3)
        << "only the three framed photos, no temporary files";
}

TEST_F(CliRun, ListPrintsGroupAndFrameNames) {
    mwtest::fs::create_directories(dir / "frames" / "150dpi" / "Another");
    mwtest::writeOrFail(dir / "frames" / "150dpi" / "Another" / "gilt_oak_thumb.jpg", mw::Image(4, 4));
    const ToolRun r = runTool({"--library", library(), "--list"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Another/gilt\nTiny/box\n");
    const ToolRun none = runTool({"--library", library(), "--list", "--dpi", "300"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("300 dpi"), std::string::npos) << none.output;
}

TEST_F(CliRun, MissingPieceStopsBeforeAnyPhoto) {
    const std::string p = photo("p.png").string();
    mwtest::fs::remove(group / "box_09.png");
    const ToolRun r = frame({p});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("box_09.png"), std::string::npos) << r.output;
    EXPECT_FALSE(mwtest::fs::exists(dir / "p_framed.jpg"));
}

TEST(CliRunPlain, HelpVersionAndBadOption) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* opt : {"--frame", "--library", "--dpi", "--scale", "--shadow", "--depth", "--shadow-color",
                            "--background", "-o PATH", "--no-flatten", "-j N", "--list", "--version", "_framed.jpg"})
        EXPECT_NE(help.output.find(opt), std::string::npos) << opt;
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("mountwell-frame ", 0), 0u) << version.output;
    const ToolRun bad = runTool({"--frobnicate", "x.jpg"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("unknown option --frobnicate"), std::string::npos) << bad.output;
}

} // namespace

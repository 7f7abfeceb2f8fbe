// The starter library the build draws beside the executables: layout, sizes, seamless edge
// tiles, the see-through inner lip, inset offsets per DPI set, and the sample photo.
#include "framelib/frame_library.h"
#include "framelib/inset_offsets.h"
#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <cmath>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kRoot = std::string(MW_FRAMES_DIR) + "/";

mw::Image load(const std::string& path) {
    mw::Image img;
    const mw::Status st = mw::readImage(path, img);
    EXPECT_TRUE(st.isOk()) << path << ": " << st.reason();
    return img;
}

struct FrameRef {
    std::string group, thumb;
};

std::vector<FrameRef> framesOf(const char* dpi) {
    std::vector<FrameRef> out;
    for (const QString& g : mw::listGroups(QString::fromStdString(kRoot), dpi))
        for (const QString& t : mw::listFrames(QString::fromStdString(kRoot) + dpi + "/" + g + "/"))
            out.push_back({g.toStdString(), t.toStdString()});
    return out;
}

std::string piece(const std::string& thumb, int k) {
    return mw::piecePath(mw::frameFilePath(QString::fromStdString(thumb)), k).toStdString();
}

// Mean absolute colour difference between two columns (or rows) of an image.
double lineDiff(const mw::Image& img, bool columns, int a, int b) {
    const int n = columns ? img.height() : img.width();
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const mw::Rgba p = columns ? img.pixel(a, i) : img.pixel(i, a);
        const mw::Rgba q = columns ? img.pixel(b, i) : img.pixel(i, b);
        sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) + std::abs(p.a - q.a);
    }
    return sum / n;
}

TEST(StarterLibrary, GroupsFramesPiecesAndThumbnails) {
    for (const char* dpi : {"150dpi", "300dpi"}) {
        SCOPED_TRACE(dpi);
        EXPECT_GE(mw::listGroups(QString::fromStdString(kRoot), dpi).size(), 3);
        const auto frames = framesOf(dpi);
        EXPECT_GE(frames.size(), 6u);
        for (const FrameRef& f : frames) {
            SCOPED_TRACE(f.thumb);
            const mw::Image thumb = load(f.thumb);
            EXPECT_LE(thumb.width(), 85);
            EXPECT_LE(thumb.height(), 85);
            EXPECT_GE(thumb.width(), 60);
            for (int k : mw::kPieceNumbers) {
                const mw::Image p = load(piece(f.thumb, k));
                EXPECT_TRUE(p.hasAlpha()) << k;
            }
            const mw::Image c1 = load(piece(f.thumb, 1)), e2 = load(piece(f.thumb, 2)), e4 = load(piece(f.thumb, 4));
            EXPECT_EQ(c1.width(), c1.height());
            EXPECT_EQ(e2.height(), c1.height()) << "top edge as deep as the corner";
            EXPECT_EQ(e4.width(), c1.width()) << "left edge as deep as the corner";
        }
    }
}

TEST(StarterLibrary, HighResolutionPiecesAreTwiceTheSize) {
    const auto low = framesOf("150dpi"), high = framesOf("300dpi");
    ASSERT_EQ(low.size(), high.size());
    for (size_t i = 0; i < low.size(); ++i) {
        EXPECT_EQ(fs::path(low[i].thumb).filename(), fs::path(high[i].thumb).filename());
        for (int k : mw::kPieceNumbers) {
            const mw::Image a = load(piece(low[i].thumb, k)), b = load(piece(high[i].thumb, k));
            EXPECT_EQ(b.width(), 2 * a.width()) << low[i].thumb << " piece " << k;
            EXPECT_EQ(b.height(), 2 * a.height()) << low[i].thumb << " piece " << k;
        }
    }
}

TEST(StarterLibrary, EdgePiecesTileWithoutASeam) {
    // Where one tile meets the next, the step from the last line to the first must look like
    // any other step between neighbouring lines of the piece.
    for (const FrameRef& f : framesOf("150dpi")) {
        for (int k : {2, 4, 6, 8}) {
            const mw::Image p = load(piece(f.thumb, k));
            const bool alongX = k == 2 || k == 8;
            const int n = alongX ? p.width() : p.height();
            double inner = 0;
            for (int i = 0; i + 1 < n; ++i) inner += lineDiff(p, alongX, i, i + 1);
            inner /= n - 1;
            const double wrap = lineDiff(p, alongX, n - 1, 0);
            EXPECT_LE(wrap, 2.0 * inner + 4.0) << f.thumb << " piece " << k << ": seam " << wrap
                                               << ", typical step " << inner;
        }
    }
}

TEST(StarterLibrary, InnerLipIsPartlyTransparent) {
    for (const FrameRef& f : framesOf("150dpi")) {
        const mw::Image top = load(piece(f.thumb, 2));
        const int x = top.width() / 2;
        EXPECT_EQ(top.pixel(x, 0).a, 255) << f.thumb << ": outer edge opaque";
        EXPECT_EQ(top.pixel(x, top.height() / 2).a, 255) << f.thumb;
        const int lip = top.pixel(x, top.height() - 1).a;
        EXPECT_GT(lip, 0) << f.thumb;
        EXPECT_LT(lip, 200) << f.thumb << ": opening side fades out";
    }
}

TEST(StarterLibrary, InsetOffsetsScaleWithTheDpiSet) {
    struct Case {
        const char* group;
        const char* frame;
        mw::InsetOffsets at150;
    };
    const Case cases[] = {{"Wood", "Walnut", {62, 62}}, {"Wood", "Oak", {0, 0}},
                          {"Gilded", "Baroque", {76, 76}}, {"Gilded", "Antique", {88, 88}}};
    for (const Case& c : cases) {
        for (int factor : {1, 2}) {
            const QString folder = QString::fromStdString(kRoot) + (factor == 1 ? "150dpi/" : "300dpi/") + c.group + "/";
            const mw::InsetOffsets o = mw::readInsetOffsets(folder, c.frame);
            EXPECT_EQ(o, (mw::InsetOffsets{c.at150.left * factor, c.at150.top * factor})) << c.frame << " x" << factor;
        }
    }
}

TEST(StarterLibrary, SamplePhotoLooksLikeAPhoto) {
    const mw::Image img = load(std::string(MW_FRAMES_DIR) + "/../sample.jpg");
    EXPECT_EQ(img.width(), 1600);
    EXPECT_EQ(img.height(), 1067);
    // Not flat colours: plenty of distinct tones and a real spread of brightness.
    std::vector<int> seen(256);
    double sum = 0, sum2 = 0;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3) {
            const mw::Rgba p = img.pixel(x, y);
            const int l = (p.r * 3 + p.g * 6 + p.b) / 10;
            seen[l] = 1;
            sum += l;
            sum2 += double(l) * l;
        }
    const double n = double((img.width() + 2) / 3) * ((img.height() + 2) / 3);
    EXPECT_GT(std::sqrt(sum2 / n - (sum / n) * (sum / n)), 25.0);
    int tones = 0;
    for (int v : seen) tones += v;
    EXPECT_GT(tones, 150);
}

} // namespace

// The row-by-row framing of a JPEG must write exactly the file the whole-picture path writes
// (decode, frame, flatten onto the background, encode), and must decline, fail or throw where
// that path would do something it cannot.
#include "compose/streamed_framing.h"

#include "imaging/canvas.h"
#include "imaging/image_io.h"
#include "imaging/status.h"
#include "support/jpeg_fixtures.h"
#include "test_frames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Outcome = mw::StreamedFraming::Outcome;

// Pieces with colour detail and partly transparent pixels, so the fit, the frame's shadow and
// the blend over the photo all show in the result.
mw::Rgba detailedPiece(int k, int x, int y)
{
    mw::Rgba c = mwtest::pieceColor(k);
    c.r = uint8_t(c.r + x * 7 + y * 3);
    c.g = uint8_t(c.g + x * y);
    const int v = (x * 5 + y * 11 + k) % 9;
    c.a = v == 0 ? 0 : (v < 3 ? uint8_t(60 + 20 * v) : 255);
    return c;
}

class StreamedFramingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // Tiles that divide no photo size below exactly: the frame is always resampled to fit.
        mwtest::writePieces(m_dir.path(), "lip", mwtest::uniformPieces(30, 26, 23, 19), detailedPiece);
        mwtest::writePieces(m_dir.path(), "inset", mwtest::uniformPieces(30, 26, 23, 19), detailedPiece);
        mwtest::writeText(m_dir.path() + "/settings.ini", "[inset]\noffsetLeft=12\noffsetTop=9\n");
    }
    std::string path(const std::string& name) const { return (fs::path(m_dir.path().toStdString()) / name).string(); }
    std::string frame(const char* name) const { return path(std::string(name) + "_thumb.png"); }

    std::string writePhoto(const std::string& name, const mwtest::Bytes& bytes)
    {
        const std::string p = path(name);
        mw::writeFileAtomically(p, bytes);
        return p;
    }
    std::string writePhoto(const std::string& name, int w, int h, unsigned seed)
    {
        std::vector<uint8_t> bytes;
        mw::WriteOptions o;
        o.jpegQuality = 93;
        EXPECT_TRUE(mw::encodeImage(mwtest::patternImage(w, h, false, seed), "jpg", bytes, o));
        return writePhoto(name, bytes);
    }

    // What the whole-picture path writes for the same photo.
    static std::vector<uint8_t> wholePicture(const std::string& photo, const mw::FramingRequest& request,
                                             mw::Color background)
    {
        mw::Image img;
        EXPECT_TRUE(mw::readImage(photo, img));
        mw::FramingResult r = mw::framePhoto(std::move(img), request);
        mw::flattenInPlace(r.image, background);
        std::vector<uint8_t> bytes;
        mw::WriteOptions o;
        o.jpegQuality = 90;
        EXPECT_TRUE(mw::encodeImage(r.image, "jpg", bytes, o));
        return bytes;
    }

    mw::FramingRequest request(const char* frameName, double scale, int position, int depth,
                               mw::Color shadow = {0, 0, 0}) const
    {
        mw::FramingRequest r;
        r.framePath = QString::fromStdString(frame(frameName));
        r.scale = scale;
        r.shadow = mw::DropShadow{position, depth, shadow};
        r.keepBeforeShadow = false;
        return r;
    }

    QTemporaryDir m_dir;
};

TEST_F(StreamedFramingTest, WritesTheBytesOfTheWholePicturePath)
{
    struct Case {
        int w, h;
        double scale;
        int position, depth;
        mw::Color shadow, background;
        const char* frame = "lip";
    };
    const Case cases[] = {
        // Insets: the photo is shrunk on its way through and the frame's own transparency
        // around it is flattened.
        {640, 480, 1.0, 4, 5, {0, 0, 0}, {255, 255, 255}, "inset"},
        {640, 480, 1.0, 0, 5, {0, 0, 0}, {90, 200, 90}, "inset"},
        {333, 251, 0.5, 1, 25, {40, 0, 80}, {250, 240, 200}, "inset"},
        {100, 37, 0.75, 3, 1, {0, 0, 0}, {255, 255, 255}, "inset"},
        {640, 480, 1.0, 4, 5, {0, 0, 0}, {255, 255, 255}},
        {640, 480, 1.0, 0, 5, {0, 0, 0}, {255, 255, 255}},
        {333, 251, 0.5, 1, 25, {40, 0, 80}, {250, 240, 200}},
        {333, 251, 0.75, 2, 1, {0, 90, 0}, {0, 0, 0}},
        {97, 61, 1.0, 3, 5, {0, 0, 0}, {10, 20, 30}},
        {61, 53, 1.0, 4, 25, {0, 0, 0}, {255, 255, 255}},  // corners meet: no opening
        {1000, 70, 0.25, 4, 5, {200, 0, 0}, {255, 255, 255}},
        {30, 700, 1.0, 1, 5, {0, 0, 0}, {128, 128, 128}},
        {1, 1, 1.0, 4, 5, {0, 0, 0}, {255, 255, 255}},
    };
    unsigned seed = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.frame << " " << c.w << "x" << c.h << " scale " << c.scale
                                          << " shadow " << c.position << "/" << c.depth);
        const std::string photo = writePhoto("photo.jpg", c.w, c.h, seed++);
        const std::string out = path("out.jpg");
        const mw::FramingRequest req = request(c.frame, c.scale, c.position, c.depth, c.shadow);
        const mw::StreamedFraming s = mw::frameJpegStreamed(photo, out, req, c.background, 90);
        ASSERT_EQ(s.outcome, Outcome::Written) << s.status.reason();
        EXPECT_TRUE(mw::readFileBytes(out) == wholePicture(photo, req, c.background));
    }
}

// One framer for a batch keeps the frame made for a photo size; photos of other sizes in
// between, and more sizes than it keeps, must never get a frame made for another size.
TEST_F(StreamedFramingTest, AFramerForABatchGivesEachPhotoItsOwnFrame)
{
    const mw::FramingRequest req = request("inset", 0.75, 4, 5);
    mw::StreamedFramer framer(req, {240, 230, 220}, 90);
    const std::pair<int, int> sizes[] = {{320, 240}, {321, 240}, {320, 240}, {240, 320}, {200, 150},
                                         {180, 180}, {160, 100}, {320, 200}, {320, 240}, {321, 240}};
    unsigned seed = 40;
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        const std::string photo = writePhoto("batch.jpg", w, h, seed++);
        const std::string out = path("batch_out.jpg");
        ASSERT_EQ(framer.frame(photo, out).outcome, Outcome::Written);
        EXPECT_TRUE(mw::readFileBytes(out) == wholePicture(photo, req, {240, 230, 220}));
    }
}

// A photo turned by its EXIF tag is framed upright, as the whole-picture path reads it: every
// orientation, with the photo in place and shrunk by insets.
TEST_F(StreamedFramingTest, TurnedPhotosAreFramedUpright)
{
    std::vector<uint8_t> plain;
    mw::WriteOptions o;
    o.jpegQuality = 93;
    ASSERT_TRUE(mw::encodeImage(mwtest::patternImage(160, 90, false, 21), "jpg", plain, o));
    for (int orientation = 2; orientation <= 8; ++orientation) {
        for (const char* frameName : {"lip", "inset"}) {
            SCOPED_TRACE(::testing::Message() << "orientation " << orientation << ", " << frameName);
            const std::string photo = writePhoto(
                "turned.jpg", mwtest::withApp1(plain, mwtest::exifPayload(orientation % 2 == 0,
                                                                          {{0x0112, 3, 1, uint32_t(orientation)}})));
            const std::string out = path("out.jpg");
            const mw::FramingRequest req = request(frameName, 1.0, 4, 5);
            ASSERT_EQ(mw::frameJpegStreamed(photo, out, req, {255, 255, 255}, 90).outcome, Outcome::Written);
            const std::vector<uint8_t> whole = wholePicture(photo, req, {255, 255, 255});
            EXPECT_TRUE(mw::readFileBytes(out) == whole);
            mw::Image framed;
            ASSERT_TRUE(mw::readImage(out, framed));
            EXPECT_EQ(framed.width() > framed.height(), orientation < 5);
        }
    }
}

TEST_F(StreamedFramingTest, GreyAndProgressivePhotosToo)
{
    mwtest::Bytes grey(size_t(320) * 200), rgb(size_t(300) * 200 * 3);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i * 31 % 251);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 17 % 253);
    const std::string photos[] = {
        writePhoto("grey.jpg", mwtest::makeJpeg(320, 200, JCS_GRAYSCALE, 1, grey, false)),
        writePhoto("progressive.jpg", mwtest::makeJpeg(300, 200, JCS_RGB, 3, rgb, true)),
    };
    for (const std::string& photo : photos) {
        SCOPED_TRACE(photo);
        const std::string out = path("out.jpg");
        const mw::FramingRequest req = request("lip", 1.0, 4, 5);
        ASSERT_EQ(mw::frameJpegStreamed(photo, out, req, {255, 255, 255}, 90).outcome, Outcome::Written);
        EXPECT_TRUE(mw::readFileBytes(out) == wholePicture(photo, req, {255, 255, 255}));
    }
}

// Each of these needs the whole picture or a message that path words: nothing is written.
TEST_F(StreamedFramingTest, DeclinesWhatNeedsTheWholePicture)
{
    mwtest::Bytes cmyk(size_t(64) * 48 * 4, 100);
    mwtest::Bytes plain;
    {
        std::vector<uint8_t> b;
        ASSERT_TRUE(mw::encodeImage(mwtest::patternImage(64, 48, false, 1), "jpg", b));
        plain = b;
    }
    std::vector<uint8_t> png;
    ASSERT_TRUE(mw::encodeImage(mwtest::patternImage(64, 48, false, 2), "png", png));

    struct Case {
        const char* what;
        std::string photo;
        const char* frame;
    };
    const Case cases[] = {
        {"CMYK", writePhoto("c.jpg", mwtest::makeJpeg(64, 48, JCS_CMYK, 4, cmyk, false)), "lip"},
        {"not a JPEG", writePhoto("d.jpg", png), "lip"},
        {"empty file", writePhoto("e.jpg", mwtest::Bytes{}), "lip"},
        {"no such file", path("missing.jpg"), "lip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = path("declined.jpg");
        const mw::StreamedFraming s = mw::frameJpegStreamed(c.photo, out, request(c.frame, 1.0, 4, 5), {}, 90);
        EXPECT_EQ(s.outcome, Outcome::Declined);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(StreamedFramingTest, ATruncatedPhotoFailsAndKeepsTheExistingOutput)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(mw::encodeImage(mwtest::patternImage(400, 300, false, 9), "jpg", bytes));
    bytes.resize(bytes.size() * 6 / 10);
    const std::string photo = writePhoto("cut.jpg", bytes);
    const std::string out = path("out.jpg");
    const std::vector<uint8_t> previous = {'k', 'e', 'e', 'p'};
    mw::writeFileAtomically(out, previous);

    const mw::StreamedFraming s = mw::frameJpegStreamed(photo, out, request("lip", 1.0, 4, 5), {}, 90);
    EXPECT_EQ(s.outcome, Outcome::PhotoFailed);
    EXPECT_EQ(s.status.reason(), "JPEG: the data is truncated");
    EXPECT_EQ(mw::readFileBytes(out), previous);
    // No temporary file is left beside it either.
    int files = 0;
    for (const auto& e : fs::directory_iterator(fs::path(out).parent_path()))
        files += e.path().filename().string().find("out.jpg") != std::string::npos;
    EXPECT_EQ(files, 1);
}

// The message each path throws for the photo and frame: streamed first, whole picture second
// (empty when it does not throw).
std::pair<std::string, std::string> messagesOfBothPaths(const std::string& photo, const std::string& out,
                                                        const mw::FramingRequest& request)
{
    std::pair<std::string, std::string> m;
    try {
        (void)mw::frameJpegStreamed(photo, out, request, {}, 90);
    } catch (const mw::Error& e) {
        m.first = e.what();
    }
    try {
        mw::Image img;
        if (mw::readImage(photo, img))
            (void)mw::framePhoto(std::move(img), request);
    } catch (const mw::Error& e) {
        m.second = e.what();
    }
    return m;
}

TEST_F(StreamedFramingTest, FrameAndOutputProblemsThrowAsTheWholePicturePathDoes)
{
    const std::string photo = writePhoto("p.jpg", 200, 150, 4);
    QFile::remove(QString::fromStdString(path("lip_07.png")));
    const auto [streamed, whole] = messagesOfBothPaths(photo, path("o.jpg"), request("lip", 1.0, 4, 5));
    EXPECT_NE(streamed.find("Cannot open file"), std::string::npos) << streamed;
    EXPECT_NE(streamed.find("lip_07.png"), std::string::npos) << streamed;
    EXPECT_EQ(streamed, whole);
    EXPECT_FALSE(fs::exists(path("o.jpg")));

    // A photo not larger than twice the frame's insets.
    const std::string small = writePhoto("small.jpg", 24, 40, 5);
    const auto [streamedSmall, wholeSmall] = messagesOfBothPaths(small, path("o.jpg"), request("inset", 1.0, 4, 5));
    EXPECT_NE(streamedSmall.find("too small"), std::string::npos) << streamedSmall;
    EXPECT_EQ(streamedSmall, wholeSmall);

    mwtest::writePieces(m_dir.path(), "lip", mwtest::uniformPieces(30, 26, 23, 19), detailedPiece);
    const std::string nowhere = path("no/such/folder/o.jpg");
    EXPECT_THROW((void)mw::frameJpegStreamed(photo, nowhere, request("lip", 1.0, 4, 5), {}, 90), mw::FileError);
}

} // namespace

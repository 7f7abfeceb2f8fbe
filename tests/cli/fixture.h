#pragma once
// A tiny frame library and photos made on the spot, in a fresh temporary folder per test.
#include "imaging/image.h"
#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace mwtest {

namespace fs = std::filesystem;

inline const mw::Rgba kFrameBlue{20, 40, 200, 255};
inline const mw::Rgba kPhotoRed{200, 60, 60, 255};

inline void writeOrFail(const fs::path& p, const mw::Image& img) {
    const mw::Status st = mw::writeImage(p.string(), img);
    ASSERT_TRUE(st.isOk()) << p << ": " << st.reason();
}

// <dir>/frames/150dpi/Tiny/box_thumb.jpg with 10 x 10 opaque blue pieces, so a 100 x 80 photo
// takes whole tiles at 100 % and 50 % and the fitted frame is not resampled.
class CliFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir = fs::temp_directory_path() / ("mw_cli_" + name + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        group = dir / "frames" / "150dpi" / "Tiny";
        fs::create_directories(group);
        const mw::Image piece(10, 10, true, kFrameBlue);
        for (const char* k : {"01", "02", "03", "04", "06", "07", "08", "09"})
            writeOrFail(group / (std::string("box_") + k + ".png"), piece);
        writeOrFail(group / "box_thumb.jpg", mw::Image(20, 20, false, kFrameBlue));
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path photo(const std::string& name, int w = 100, int h = 80) {
        const fs::path p = dir / name;
        writeOrFail(p, mw::Image(w, h, false, kPhotoRed));
        return p;
    }
    fs::path garbage(const std::string& name) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << "this is not a picture";
        return p;
    }
    std::string library() const { return (dir / "frames").string(); }

    fs::path dir;
    fs::path group;
};

} // namespace mwtest

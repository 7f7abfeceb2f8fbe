// mw-framegen: draws the starter frame library and the sample photo.
//
//   mw-framegen BINDIR             frames/150dpi/<Group>/..., frames/300dpi/<Group>/..., sample.jpg
//   mw-framegen --photo W H FILE   one landscape picture of W x H (benchmarks use it)
//
// The drawing is deterministic, so the library is the same on every build and nothing
// generated has to be kept in the repository.
#include "framegen.h"

#include "imaging/image_io.h"
#include "imaging/status.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

void save(const fs::path& path, const mw::Image& image) {
    mw::WriteOptions options;
    options.jpegQuality = 92;
    options.pngCompression = 9;
    const mw::Status st = mw::writeImage(path.string(), image, options);
    if (!st) throw mw::Error("Cannot write " + path.string() + ": " + st.reason());
}

// Inset offsets per group, at 150 dpi (the 300 dpi set gets twice the values). Oak and Maple
// have none, so both kinds of frame are in the library; Walnut has a section of its own, the
// gilded frames use the group default except Antique, whose photo sits under its linen liner.
const std::map<std::string, std::string> kSettings150 = {
    {"Wood", "; Inset offsets in pixels at 100%.\r\n[Walnut]\r\noffsetLeft=62\r\noffsetTop=62\r\n"},
    {"Gilded", "[transparent offsets]\r\noffsetLeft=76\r\noffsetTop=76\r\n\r\n[Antique]\r\n"
               "offsetLeft=88\r\noffsetTop=88\r\n"},
};

std::string doubledSettings(const std::string& text) {
    // Same file with every number doubled, for the 300 dpi pieces.
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '=') {
            size_t j = i + 1;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
            out += '=';
            out += std::to_string(2 * std::stoi(text.substr(i + 1, j - i - 1)));
            i = j;
        } else {
            out += text[i++];
        }
    }
    return out;
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    if (!f) throw mw::Error("Cannot write " + path.string());
}

void generateLibrary(const fs::path& binDir) {
    const fs::path root = binDir / "frames";
    static const char* kSuffixes[8] = {"01", "02", "03", "04", "06", "07", "08", "09"};
    for (const framegen::FrameStyle& style : framegen::frameStyles()) {
        const std::string frameName = style.fileStem.substr(0, style.fileStem.find('_'));
        const std::vector<mw::Image> pieces300 = framegen::renderPieces(style);
        const mw::Image thumb = framegen::renderThumbnail(style, 80);
        for (int dpi : {150, 300}) {
            const fs::path dir = root / (std::to_string(dpi) + "dpi") / style.group;
            fs::create_directories(dir);
            for (size_t k = 0; k < pieces300.size(); ++k) {
                const mw::Image piece = dpi == 300 ? pieces300[k] : framegen::halve(pieces300[k]);
                save(dir / (frameName + "_" + kSuffixes[k] + ".png"), piece);
            }
            save(dir / (style.fileStem + "_thumb.jpg"), thumb);
        }
        std::printf("  %s/%s\n", style.group.c_str(), frameName.c_str());
    }
    for (const auto& [group, text] : kSettings150) {
        writeText(root / "150dpi" / group / "settings.ini", text);
        writeText(root / "300dpi" / group / "settings.ini", doubledSettings(text));
    }
    save(binDir / "sample.jpg", framegen::renderLandscape(1600, 1067));
}

int usage() {
    std::fprintf(stderr, "usage: mw-framegen BINDIR\n       mw-framegen --photo WIDTH HEIGHT FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 5 && std::string(argv[1]) == "--photo") {
            const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
            if (mw::checkImageSize(w, h) || w <= 0 || h <= 0) return usage();
            save(argv[4], framegen::renderLandscape(w, h));
            return 0;
        }
        if (argc != 2) return usage();
        generateLibrary(argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mw-framegen: %s\n", e.what());
        return 1;
    }
}

#include "cli/cli_options.h"

#include "imaging/color_names.h"

#include <array>
#include <charconv>
#include <cctype>

#ifndef MW_VERSION
#define MW_VERSION "unknown"
#endif

namespace mw::cli {
namespace {

constexpr std::array<const char*, 5> kShadowNames = {"none", "upper-left", "upper-right",
                                                     "lower-left", "lower-right"};

std::optional<int> parseInt(const std::string& text) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

const char* shadowPositionName(int position) {
    return position >= 0 && position < int(kShadowNames.size()) ? kShadowNames[position] : "none";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    CliOptions o;
    auto fail = [](std::string msg) { return ParseResult{std::nullopt, std::move(msg)}; };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            o.photos.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" and "--name value" are both accepted; short options take the next word.
        std::string name = arg, value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                inlineValue = true;
            }
        }
        auto takeValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        auto flag = [&]() { return !inlineValue; };

        if (name == "--help" || name == "-h") {
            if (!flag()) return fail("option " + name + " takes no value");
            o.action = Action::Help;
        } else if (name == "--version") {
            if (!flag()) return fail("option " + name + " takes no value");
            if (o.action != Action::Help) o.action = Action::Version;
        } else if (name == "--list") {
            if (!flag()) return fail("option " + name + " takes no value");
            if (o.action == Action::Frame) o.action = Action::List;
        } else if (name == "--no-flatten") {
            if (!flag()) return fail("option " + name + " takes no value");
            o.flatten = false;
        } else if (name == "--frame" || name == "--library" || name == "--dpi" || name == "--scale" ||
                   name == "--shadow" || name == "--depth" || name == "--shadow-color" ||
                   name == "--background" || name == "-o" || name == "--output" || name == "-j" ||
                   name == "--jobs") {
            if (!takeValue()) return fail("option " + name + " needs a value");
            if (name == "--frame") {
                if (value.empty()) return fail("--frame needs a frame");
                o.frame = value;
            } else if (name == "--library") {
                if (value.empty()) return fail("--library needs a folder");
                o.library = value;
            } else if (name == "--dpi") {
                const auto v = parseInt(value);
                if (!v || (*v != 150 && *v != 300)) return fail("--dpi must be 150 or 300, not \"" + value + "\"");
                o.dpi = *v;
            } else if (name == "--scale") {
                std::string s = value;
                if (!s.empty() && s.back() == '%') s.pop_back();
                const auto v = parseInt(s);
                if (!v || (*v != 100 && *v != 75 && *v != 50 && *v != 25))
                    return fail("--scale must be 100, 75, 50 or 25, not \"" + value + "\"");
                o.scale = *v / 100.0;
            } else if (name == "--shadow") {
                const std::string s = lower(value);
                int found = -1;
                for (size_t k = 0; k < kShadowNames.size(); ++k)
                    if (s == kShadowNames[k]) found = int(k);
                if (found < 0)
                    return fail("--shadow must be none, upper-left, upper-right, lower-left or "
                                "lower-right, not \"" + value + "\"");
                o.shadowPosition = found;
            } else if (name == "--depth") {
                const auto v = parseInt(value);
                if (!v || *v < 1 || *v > 25) return fail("--depth must be a whole number from 1 to 25, not \"" + value + "\"");
                o.shadowDepth = *v;
            } else if (name == "--shadow-color" || name == "--background") {
                const auto c = mw::parseColor(value);
                if (!c)
                    return fail(name + ": unknown colour \"" + value +
                                "\" (use #RRGGBB or a name such as clWhite)");
                (name == "--background" ? o.background : o.shadowColor) = *c;
            } else if (name == "-o" || name == "--output") {
                if (value.empty()) return fail(name + " needs a file or folder");
                o.output = value;
            } else {
                const auto v = parseInt(value);
                if (!v || *v < 1 || *v > 256) return fail(name + " must be a whole number from 1 to 256, not \"" + value + "\"");
                o.jobs = *v;
            }
        } else {
            return fail("unknown option " + name + " (see --help)");
        }
    }
    if (o.action == Action::Frame) {
        if (o.photos.empty()) return fail("no photo given (see --help)");
        if (o.frame.empty()) return fail("no frame given: use --frame (see --list for the library)");
    }
    return ParseResult{std::move(o), {}};
}

ParseResult parseArguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return parseArguments(args);
}

std::string versionText() { return std::string("mountwell-frame ") + MW_VERSION + "\n"; }

std::string helpText() {
    return R"(Usage: mountwell-frame [options] PHOTO...

Puts a frame from the frame library around each photo and saves the result flattened onto
the background colour, as the desktop program's Save As does.

Frame:
  --frame FRAME       a thumbnail (.../Wood/Oak_thumb.jpg), a frame file (.../Wood/Oak_thumb.png)
                      or GROUP/NAME looked up in the library (Wood/Oak)
  --library DIR       frame library folder (default: the program's folder + "frames/")
  --dpi 150|300       DPI set of the library used for GROUP/NAME and --list (default 150)
  --scale 100|75|50|25
                      size of the frame pieces in percent (default 100)
  --list              print the frames of the library for the DPI set as GROUP/NAME lines

Shadow and background:
  --shadow POS        none, upper-left, upper-right, lower-left or lower-right (default none);
                      a shadow makes the picture 2 x depth + 20 pixels wider and higher
  --depth N           shadow offset in pixels, 1 to 25 (default 5)
  --shadow-color C    shadow colour (default black)
  --background C      colour under transparent parts of the result (default white)
                      Colours: #RRGGBB, an identifier such as clWhite or clSkyBlue, or a
                      colour name of the options window such as "Sky Blue 2".

Output:
  -o PATH             with one photo: the output file, or a folder to write into;
                      with several photos: the folder to write into (created when missing).
                      The file type follows the extension (.jpg, .png, .tif, .bmp, ...).
                      Without -o each result goes beside its photo.
                      Names made for you: PHOTO's base name + "_framed.jpg"
                      (+ "_framed.png" with --no-flatten). JPEG is written at quality 90.
  --no-flatten        keep the transparency (shadow, opening) instead of flattening onto the
                      background; needs a .png or .tif output
  -j N                frame N photos at a time (default: one per processor core)

  --help              show this text
  --version           show the version

An input photo is never overwritten: a photo whose output would replace an input photo of the
run is refused. The exit status is 0 when every photo was written, 1 when any failed (the
others are still done) and 2 for a usage error.
)";
}

} // namespace mw::cli

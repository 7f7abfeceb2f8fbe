#pragma once
// Command line of mountwell-frame, parsed without touching the file system so that every
// option can be checked in isolation.
#include "imaging/image.h"

#include <optional>
#include <string>
#include <vector>

namespace mw::cli {

enum class Action { Frame, List, Help, Version };

struct CliOptions {
    Action action = Action::Frame;
    std::vector<std::string> photos;
    std::string frame;           // as given: thumbnail path, frame file path or GROUP/NAME
    std::string library;         // empty: program folder + "frames/"
    int dpi = 150;
    double scale = 1.0;
    int shadowPosition = 0;      // 0 none, 1 upper left, 2 upper right, 3 lower left, 4 lower right
    int shadowDepth = 5;
    Color shadowColor{0, 0, 0};
    Color background{255, 255, 255};
    std::string output;          // empty: beside each photo
    bool flatten = true;
    int jobs = 0;                // 0: one per core
};

struct ParseResult {
    std::optional<CliOptions> options;
    std::string error;  // set when options is empty
};

// args excludes the program name.
ParseResult parseArguments(const std::vector<std::string>& args);
ParseResult parseArguments(int argc, const char* const* argv);

std::string helpText();
std::string versionText();

// Name of a shadow position code as the command line spells it ("lower-right").
const char* shadowPositionName(int position);

} // namespace mw::cli

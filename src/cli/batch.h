#pragma once
// The work of mountwell-frame after parsing: find the frame, decide where every result goes,
// frame the photos (several at a time) and report.
#include "cli/cli_options.h"
#include "imaging/image.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace mw::cli {

struct Environment {
    std::string programFolder;  // ends with "/"
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool progressLine = false;  // stderr is a terminal
    int cores = 1;
};

// Exit status: 0 all written, 1 some photo or the frame failed, 2 usage error.
int run(const CliOptions& options, const Environment& env);

// Library root for the options: --library (with a trailing "/") or programFolder + "frames/".
std::string libraryRootFor(const CliOptions& options, const std::string& programFolder);

struct FrameLookup {
    std::string framePath;  // thumbnail path with ".png"; empty on error
    std::string error;
};
// --frame as a thumbnail, a frame file or GROUP/NAME (frame name or thumbnail stem, any case)
// in root + "<dpi>dpi/". Also checks that all eight pieces exist.
FrameLookup resolveFrame(const std::string& frameArg, const std::string& libraryRoot, int dpi);

struct OutputPlan {
    std::string fatal;                 // the whole run is refused (bad -o)
    std::vector<std::string> outputs;  // one per photo
    std::vector<std::string> refused;  // per photo: why it is not written (empty: go ahead)
    std::string folderToCreate;        // -o folder that does not exist yet
};
OutputPlan planOutputs(const std::vector<std::string>& photos, const std::string& output, bool flatten);


} // namespace mw::cli

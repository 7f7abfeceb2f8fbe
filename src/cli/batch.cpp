#include "cli/batch.h"

#include "compose/framing.h"
#include "compose/streamed_framing.h"
#include "framelib/frame_library.h"
#include "imaging/canvas.h"
#include "imaging/image_io.h"
#include "imaging/parallel.h"
#include "imaging/status.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <new>
#include <ostream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace mw::cli {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

std::string lower(std::string v) {
    for (char& c : v) c = char(std::tolower(static_cast<unsigned char>(c)));
    return v;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Two paths name the same file: the same file on disk when both exist (hard links, "./" and
// symlinks included), otherwise the same normalised absolute path.
bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool eq = fs::equivalent(a, b, ec);
        if (!ec) return eq;
    }
    return fs::weakly_canonical(fs::absolute(a, ec), ec) == fs::weakly_canonical(fs::absolute(b, ec), ec);
}

std::string defaultOutputName(const std::string& photo, bool flatten) {
    return fs::path(photo).stem().string() + (flatten ? "_framed.jpg" : "_framed.png");
}

std::string extensionProblem(const std::string& path, bool flatten) {
    const std::string ext = mw::fileExtension(path);
    if (ext.empty()) return "-o " + path + ": the file name needs an extension (.jpg, .png, ...)";
    if (!mw::canWrite(ext)) return "-o " + path + ": cannot write \"." + ext + "\" files";
    if (!flatten && ext != "png" && ext != "tif" && ext != "tiff")
        return "--no-flatten keeps the transparency, which needs a .png or .tif output, not \"." + ext + "\"";
    return {};
}

std::string groupListing(const std::string& root, int dpi, std::string& error) {
    const QString dpiFolder = QString::number(dpi) + "dpi";
    if (!mw::dpiFolderExists(q(root), dpiFolder)) {
        error = "no frame library for " + std::to_string(dpi) + " dpi in " + root;
        return {};
    }
    std::string text;
    for (const QString& group : mw::listGroups(q(root), dpiFolder)) {
        const QString folder = mw::resolveCaseInsensitive(q(root) + dpiFolder + "/" + group + "/");
        for (const QString& thumb : mw::listFrames(folder))
            text += s(group) + "/" + s(mw::frameName(thumb)) + "\n";
    }
    return text;
}

// The progress line and the messages share stderr; one lock keeps them from tearing.
class Reporter {
public:
    Reporter(const Environment& env, int total) : m_env(env), m_total(total) {}

    void failed(const std::string& photo, const std::string& reason) {
        std::lock_guard lock(m_mutex);
        clearLine();
        *m_env.err << "mountwell-frame: " << photo << ": " << reason << "\n";
        ++m_failed;
        ++m_done;
        drawLine();
    }
    void finished() {
        std::lock_guard lock(m_mutex);
        ++m_done;
        drawLine();
    }
    void end() {
        std::lock_guard lock(m_mutex);
        if (m_lineShown) *m_env.err << "\n";
        m_env.err->flush();
    }

private:
    bool active() const { return m_env.progressLine && m_total > 1; }
    void clearLine() {
        if (m_lineShown) *m_env.err << "\r\x1b[K";
    }
    void drawLine() {
        if (!active()) return;
        *m_env.err << "\r\x1b[K" << m_done << " of " << m_total << " photos done";
        if (m_failed) *m_env.err << " (" << m_failed << " failed)";
        m_env.err->flush();
        m_lineShown = true;
    }

    const Environment& m_env;
    int m_total;
    int m_done = 0;
    int m_failed = 0;
    bool m_lineShown = false;
    std::mutex m_mutex;
};

constexpr int kJpegQuality = 90;

// Frames one photo file into one output file; the reason when it fails, else empty. A JPEG
// made into a flattened JPEG goes row by row, never held whole, when the frame allows it.
std::string frameOneFile(const std::string& photoPath, const std::string& outputPath,
                         const mw::FramingRequest& request, const mw::ReadOptions& readOptions, bool flatten,
                         mw::Color background, mw::StreamedFramer& framer) {
    const std::string photoExt = mw::fileExtension(photoPath);
    if (flatten && mw::isJpegExtension(photoExt) && mw::isJpegExtension(mw::fileExtension(outputPath))) {
        const mw::StreamedFraming streamed = framer.frame(photoPath, outputPath);
        switch (streamed.outcome) {
        case mw::StreamedFraming::Outcome::Written:
            return {};
        case mw::StreamedFraming::Outcome::PhotoFailed:
            return "cannot read the photo: " + streamed.status.reason();
        case mw::StreamedFraming::Outcome::EncodeFailed:
            return "cannot write " + outputPath + ": " + streamed.status.reason();
        case mw::StreamedFraming::Outcome::Declined:
            break;
        }
    }
    const std::vector<uint8_t> bytes = mw::readFileBytes(photoPath);  // throws FileError
    mw::Image photo;
    const mw::Status rs = mw::decodeImage(bytes, photoExt, photo, readOptions);
    if (!rs) return "cannot read the photo: " + rs.reason();
    mw::FramingResult result = mw::framePhoto(std::move(photo), request);
    if (flatten) mw::flattenInPlace(result.image, background);
    mw::WriteOptions wo;
    wo.jpegQuality = kJpegQuality;
    const mw::Status ws = mw::writeImage(outputPath, result.image, wo);
    if (!ws) return "cannot write " + outputPath + ": " + ws.reason();
    return {};
}

} // namespace

std::string libraryRootFor(const CliOptions& options, const std::string& programFolder) {
    if (options.library.empty()) return s(mw::libraryRoot(q(programFolder)));
    std::string root = options.library;
    if (root.back() != '/') root += '/';
    return root;
}

FrameLookup resolveFrame(const std::string& frameArg, const std::string& libraryRoot, int dpi) {
    FrameLookup r;
    const std::string low = lower(frameArg);
    std::error_code ec;
    if (endsWith(low, ".png")) {
        r.framePath = frameArg;
    } else if (endsWith(low, ".jpg") || endsWith(low, ".jpeg") || fs::is_regular_file(frameArg, ec)) {
        r.framePath = s(mw::frameFilePath(q(frameArg)));
    } else {
        const size_t slash = frameArg.rfind('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == frameArg.size()) {
            r.error = "--frame " + frameArg + ": give a thumbnail, a frame file or GROUP/NAME";
            return r;
        }
        const std::string group = frameArg.substr(0, slash), name = frameArg.substr(slash + 1);
        const QString dpiFolder = QString::number(dpi) + "dpi";
        const QString groupFolder = mw::resolveCaseInsensitive(q(libraryRoot) + dpiFolder + "/" + q(group) + "/");
        if (!QFileInfo(groupFolder).isDir()) {
            r.error = "--frame " + frameArg + ": no frame group \"" + group + "\" in " + libraryRoot + s(dpiFolder) +
                      "/ (see --list)";
            return r;
        }
        const QStringList thumbs = mw::listFrames(groupFolder);
        QString found;
        for (const QString& t : thumbs) {
            if (mw::frameName(t).compare(q(name), Qt::CaseInsensitive) == 0) {
                found = t;
                break;
            }
        }
        if (found.isEmpty()) {
            // The whole thumbnail stem ("Maple_light") names the frame too.
            for (const QString& t : thumbs) {
                const QString file = QFileInfo(t).fileName();
                if (file.compare(q(name) + "_thumb.jpg", Qt::CaseInsensitive) == 0) {
                    found = t;
                    break;
                }
            }
        }
        if (found.isEmpty()) {
            r.error = "--frame " + frameArg + ": no frame \"" + name + "\" in group " + group + " (see --list)";
            return r;
        }
        r.framePath = s(mw::frameFilePath(found));
    }
    for (int k : mw::kPieceNumbers) {
        const std::string piece = s(mw::piecePath(q(r.framePath), k));
        if (!fs::is_regular_file(piece, ec)) {
            r.error = "--frame " + frameArg + ": missing frame piece " + piece;
            r.framePath.clear();
            return r;
        }
    }
    return r;
}

OutputPlan planOutputs(const std::vector<std::string>& photos, const std::string& output, bool flatten) {
    OutputPlan plan;
    std::error_code ec;
    const bool many = photos.size() > 1;
    const bool outputIsFolder =
        !output.empty() && (fs::is_directory(output, ec) || output.back() == '/' || many);
    if (!output.empty() && !outputIsFolder) {
        plan.fatal = extensionProblem(output, flatten);
        if (!plan.fatal.empty()) return plan;
    }
    if (outputIsFolder) {
        if (fs::exists(output, ec) && !fs::is_directory(output, ec)) {
            plan.fatal = "-o " + output + ": with several photos this must be a folder, and it is a file";
            return plan;
        }
        if (!fs::exists(output, ec)) plan.folderToCreate = output;
    }
    for (const std::string& photo : photos) {
        std::string out;
        if (output.empty()) out = (fs::path(photo).parent_path() / defaultOutputName(photo, flatten)).string();
        else if (outputIsFolder) out = (fs::path(output) / defaultOutputName(photo, flatten)).string();
        else out = output;
        plan.outputs.push_back(out);
    }
    for (size_t i = 0; i < photos.size(); ++i) {
        std::string why;
        for (const std::string& photo : photos) {
            if (sameFile(plan.outputs[i], photo)) {
                why = "refused: the output " + plan.outputs[i] + " would overwrite the input photo " + photo;
                break;
            }
        }
        for (size_t j = 0; why.empty() && j < i; ++j) {
            if (plan.refused[j].empty() && sameFile(plan.outputs[i], plan.outputs[j]))
                why = "refused: the output " + plan.outputs[i] + " is already the output of " + photos[j];
        }
        plan.refused.push_back(why);
    }
    return plan;
}

int run(const CliOptions& options, const Environment& env) {
    std::ostream& err = *env.err;
    const std::string root = libraryRootFor(options, env.programFolder);
    switch (options.action) {
    case Action::Help: *env.out << helpText(); return 0;
    case Action::Version: *env.out << versionText(); return 0;
    case Action::List: {
        std::string error;
        const std::string text = groupListing(root, options.dpi, error);
        if (!error.empty()) {
            err << "mountwell-frame: " << error << "\n";
            return 1;
        }
        *env.out << text;
        return 0;
    }
    case Action::Frame: break;
    }

    const FrameLookup frame = resolveFrame(options.frame, root, options.dpi);
    if (frame.framePath.empty()) {
        err << "mountwell-frame: " << frame.error << "\n";
        return 1;
    }
    const OutputPlan plan = planOutputs(options.photos, options.output, options.flatten);
    if (!plan.fatal.empty()) {
        err << "mountwell-frame: " << plan.fatal << "\n";
        return 2;
    }
    if (!plan.folderToCreate.empty()) {
        std::error_code ec;
        fs::create_directories(plan.folderToCreate, ec);
        if (ec) {
            err << "mountwell-frame: cannot create the folder " << plan.folderToCreate << ": " << ec.message() << "\n";
            return 1;
        }
    }

    const int total = int(options.photos.size());
    const int cores = std::max(1, env.cores);
    const int jobs = std::clamp(options.jobs > 0 ? options.jobs : cores, 1, total);
    // Photos in parallel share the cores with the row-parallel kernels inside each framing.
    mw::setWorkerCount(std::max(1, cores / jobs));

    mw::FramingRequest request;
    request.framePath = q(frame.framePath);
    request.scale = options.scale;
    request.shadow = mw::DropShadow{options.shadowPosition, options.shadowDepth, options.shadowColor};
    request.keepBeforeShadow = false;

    // Room for the drop shadow's border, so framing grows the decoded photo in place.
    mw::ReadOptions readOptions;
    if (const auto shadow = mw::dropShadowParams(request.shadow))
        readOptions.reserveMargin = mw::softShadowGrowth(*shadow);

    // JPEG to JPEG: one framer for the batch, so photos of one size share their frame.
    mw::StreamedFramer framer(request, options.background, kJpegQuality);

    Reporter reporter(env, total);
    std::atomic<int> next{0};
    std::atomic<bool> anyFailed{false};
    auto worker = [&]() {
        for (int i = next++; i < total; i = next++) {
            const std::string& photoPath = options.photos[i];
            auto fail = [&](const std::string& why) {
                anyFailed = true;
                reporter.failed(photoPath, why);
            };
            if (!plan.refused[i].empty()) {
                fail(plan.refused[i]);
                continue;
            }
            try {
                const std::string why = frameOneFile(photoPath, plan.outputs[i], request, readOptions,
                                                     options.flatten, options.background, framer);
                if (!why.empty()) {
                    fail(why);
                    continue;
                }
                reporter.finished();
            } catch (const std::bad_alloc&) {
                fail("not enough memory");
            } catch (const std::exception& e) {
                fail(e.what());
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();
    reporter.end();
    mw::setWorkerCount(0);
    return anyFailed ? 1 : 0;
}

} // namespace mw::cli

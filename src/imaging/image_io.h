#pragma once
// Reading and writing image files. The codec is chosen by the lower-cased extension.
//
//  * A file that cannot be opened / created throws mw::FileError (see status.h).
//  * A file that opens but does not decode returns a failed Status with the reason; `out` is
//    then left unchanged.
//  * An extension with no reader / writer returns a failed Status as well; callers that must
//    tell the two apart ask canRead() / canWrite() first.
//  * Writers encode fully, write a temporary file beside the target and rename it over the
//    target only when everything succeeded: a failed save never destroys an existing file.
#include "imaging/image.h"
#include "imaging/status.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mw {

struct ReadOptions {
    // Turn JPEG/TIFF photos upright according to their EXIF / TIFF orientation tag.
    bool autoOrient = true;
    // Room to reserve around the picture, in pixels per side, for a later Image::growCanvas
    // without a copy (framing with a drop shadow). Only a hint.
    int reserveMargin = 0;
};

struct WriteOptions {
    int jpegQuality = 90;    // 1..100
    int pngCompression = 6;  // zlib level 0..9
};

// Lower-cased extension without the dot ("JPG" -> "jpg"); empty when the name has none.
std::string fileExtension(const std::string& path);

bool canRead(const std::string& extension);   // extension without dot, any case
bool canWrite(const std::string& extension);
// The extension is read and written as JPEG.
bool isJpegExtension(const std::string& extension);

Status readImage(const std::string& path, Image& out, const ReadOptions& options = {});
Status writeImage(const std::string& path, const Image& image, const WriteOptions& options = {});

// In-memory variants (clipboard, previews, fuzzing). `extension` selects the codec.
Status decodeImage(std::span<const uint8_t> data, const std::string& extension, Image& out,
                   const ReadOptions& options = {});
Status encodeImage(const Image& image, const std::string& extension, std::vector<uint8_t>& out,
                   const WriteOptions& options = {});

// Reads a whole file; throws FileError when it cannot be opened.
std::vector<uint8_t> readFileBytes(const std::string& path);
// Writes bytes through a temporary file renamed over `path`; throws FileError when the
// temporary file cannot be created or written, leaving any existing `path` untouched.
void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

} // namespace mw

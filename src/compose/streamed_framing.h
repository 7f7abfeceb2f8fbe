#pragma once
// Framing a JPEG photo into a JPEG file in one pass, a band of rows at a time: one thread
// decodes and frames a band while the other encodes the band before it, and neither the photo
// nor the result is ever held whole.
//
// The bytes are exactly those of the whole-picture path (decode, framePhoto, flatten onto the
// background, encode). It applies to colour and grey photos, turned upright by their EXIF tag
// as the reader does; a CMYK photo, or one that does not open as JPEG, is declined untouched,
// and the caller frames the whole picture (and words any complaint about it).
#include "compose/framing.h"
#include "imaging/status.h"

#include <memory>
#include <string>

namespace mw {

struct StreamedFraming {
    enum class Outcome {
        Declined,      // the case needs the whole picture (or the photo does not open as
                       // JPEG); nothing was done
        Written,       // the output file is written
        PhotoFailed,   // the photo's data broke off or is damaged part way; `status` says how
        EncodeFailed,  // the result cannot be written as JPEG; `status` says why
    };
    Outcome outcome = Outcome::Declined;
    Status status = Status::ok();
};

// One framing request applied to any number of photos, from any number of threads. The frame
// made for a photo size (pieces, layout, the fitted frame, everything outside the photo) is
// kept for the next photo of that size: a batch from one camera makes it once.
class StreamedFramer {
public:
    StreamedFramer(FramingRequest request, Color background, int quality);
    ~StreamedFramer();
    StreamedFramer(const StreamedFramer&) = delete;
    StreamedFramer& operator=(const StreamedFramer&) = delete;

    // Frames the JPEG file `photoPath` into the JPEG file `outputPath`, which is replaced only
    // when everything succeeded. Throws as framePhoto does (a missing or broken frame piece, a
    // photo too small for the frame) and FileError when the output cannot be created or written.
    StreamedFraming frame(const std::string& photoPath, const std::string& outputPath);

private:
    struct Prepared;
    std::shared_ptr<const Prepared> preparedFor(int photoWidth, int photoHeight);

    struct Cache;
    FramingRequest m_request;
    Color m_background;
    int m_quality;
    std::unique_ptr<Cache> m_cache;
};

// One photo through a framer of its own.
StreamedFraming frameJpegStreamed(const std::string& photoPath, const std::string& outputPath,
                                  const FramingRequest& request, Color background, int quality);

} // namespace mw

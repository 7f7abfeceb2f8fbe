#pragma once
// The output image (what FinalIEV holds) and writing it out.
#include "imaging/image.h"

#include <QString>

namespace mw {

// The shown picture drawn over the output background colour: same size, 24-bit, no alpha.
// Where the picture is transparent (the soft edge of a shadow) the background shows through
// in proportion. An empty picture gives an empty image.
Image prepareFinalImage(const Image& shown, Color background);

struct SaveOutcome {
    bool ok = false;
    QString message;  // for the user when !ok
};

// Writes `image` to `path`, the writer chosen by the path's extension (any case). An
// extension with no writer, an encoder failure or a file that cannot be created all give a
// message instead of writing; an existing file at `path` is then left as it was.
SaveOutcome saveResult(const QString& path, const Image& image);

} // namespace mw

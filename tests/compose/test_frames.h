#pragma once
// Frame fixtures made by the tests: eight PNG pieces in a temporary group folder.
#include "imaging/image.h"

#include <QString>
#include <QTemporaryDir>
#include <array>
#include <functional>

namespace mwtest {

struct PieceDims {
    int width = 0;
    int height = 0;
};

// Sizes of pieces 1..9 (index 0 and 5 unused).
using PieceSizes = std::array<PieceDims, 10>;

// All corners cw x ch, top/bottom edges ew x ch, left/right edges cw x eh.
PieceSizes uniformPieces(int cw, int ch, int ew, int eh);

// A distinct opaque colour per piece number, so a test can tell which piece lies where.
mw::Rgba pieceColor(int k);

// Writes <folder>/<name>_0k.png for every piece. `paint` gives each pixel; by default the
// piece's solid colour.
void writePieces(const QString& folder, const QString& name, const PieceSizes& sizes,
                 const std::function<mw::Rgba(int k, int x, int y)>& paint = {});

// An image of w x h with a deterministic pattern (fine detail, so that any misplaced or
// differently filtered pixel shows). With alpha, some pixels are partly or fully transparent.
mw::Image patternImage(int w, int h, bool withAlpha, unsigned seed);

void writeText(const QString& path, const QByteArray& text);

} // namespace mwtest

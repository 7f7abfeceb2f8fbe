#pragma once
// Rectangle selection in image pixels.
#include "imaging/image.h"

namespace mw {

struct SelectionRect {
    int firstColumn = 0;  // inclusive
    int firstRow = 0;
    int lastColumn = -1;  // inclusive
    int lastRow = -1;
    bool isEmpty() const { return lastColumn < firstColumn || lastRow < firstRow; }
    int width() const { return lastColumn - firstColumn + 1; }
    int height() const { return lastRow - firstRow + 1; }
    friend bool operator==(const SelectionRect&, const SelectionRect&) = default;
};

// Copies the selection's bounding box out into a new image; pixels of the box outside the
// image are filled with the background colour. Alpha is kept when the source has it.
Image copySelection(const Image& src, const SelectionRect& selection, Color background);

} // namespace mw

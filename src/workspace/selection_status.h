#pragma once
// Texts of status panel 0: sizes written as width, "x", height with no spaces.
#include "imaging/selection.h"

#include <QString>

namespace mw {

// "640x480".
QString sizeText(int width, int height);

// What the panel shows while a selection is drawn: last column minus first column, "x", last
// row minus first row. A selection of columns 10..109 and rows 20..69 reads "99x49" (one less
// than the 100 x 50 that Crop makes of it: users of the old program expect this reading).
// Empty text when there is no selection.
QString selectionSizeText(const SelectionRect& selection);

} // namespace mw

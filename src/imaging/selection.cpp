#include "imaging/selection.h"

#include "imaging/status.h"

#include <algorithm>
#include <cstring>

namespace mw {

Image copySelection(const Image& src, const SelectionRect& sel, Color background)
{
    if (sel.isEmpty())
        return Image();
    const int64_t w = int64_t(sel.lastColumn) - sel.firstColumn + 1;
    const int64_t h = int64_t(sel.lastRow) - sel.firstRow + 1;
    if (auto why = checkImageSize(w, h))
        throw Error("Cannot copy the selection: " + *why);
    Image out(int(w), int(h), src.hasAlpha(), Rgba{background.r, background.g, background.b, 255});
    out.setBitsPerPixel(src.bitsPerPixel());
    const int64_t x0 = std::max<int64_t>(0, sel.firstColumn);
    const int64_t x1 = std::min<int64_t>(src.width(), int64_t(sel.lastColumn) + 1);
    const int64_t y0 = std::max<int64_t>(0, sel.firstRow);
    const int64_t y1 = std::min<int64_t>(src.height(), int64_t(sel.lastRow) + 1);
    if (x0 >= x1 || y0 >= y1)
        return out;
    for (int64_t y = y0; y < y1; ++y)
        std::memcpy(out.row(int(y - sel.firstRow)) + size_t(x0 - sel.firstColumn) * 4,
                    src.row(int(y)) + size_t(x0) * 4, size_t(x1 - x0) * 4);
    return out;
}

} // namespace mw

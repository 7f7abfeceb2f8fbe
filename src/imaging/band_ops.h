#pragma once
// Region-restricted variants of the resample, for work that only changes a band along the
// edges of a large picture (the frame around a photo). Each gives, inside the region asked
// for, exactly the pixels the whole-image operation gives there; a test pins that down.
#include "imaging/image.h"
#include "imaging/lanczos_weights.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace mw {

struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // [x0, x1) x [y0, y1)
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    PixelRect intersected(const PixelRect& o) const;
    PixelRect adjusted(int dx0, int dy0, int dx1, int dy1) const { return {x0 + dx0, y0 + dy0, x1 + dx1, y1 + dy1}; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Writes the RGBA pixels x0 .. x1-1 of source row y to out. Lets a source that exists only in
// pieces (bands plus a constant interior) be resampled without building it whole.
using RowFetch = std::function<void(int y, int x0, int x1, uint8_t* out)>;

// The Lanczos-3 mapping of a srcW x srcH image onto dstW x dstH, as resampleLanczos3 does it.
class Lanczos3Plan {
public:
    Lanczos3Plan(int srcW, int srcH, int dstW, int dstH);

    // Output columns (rows) whose every source tap lies in [s0, s1): a range [first, last),
    // empty when there is none. Such outputs of a source constant over [s0, s1) are that
    // constant.
    std::pair<int, int> columnsInside(int s0, int s1) const { return m_h.inside(s0, s1, m_dstW); }
    std::pair<int, int> rowsInside(int s0, int s1) const { return m_v.inside(s0, s1, m_dstH); }

    // True when source and destination have the same size: the resample is a plain copy.
    bool isIdentity() const { return !m_h.active && !m_v.active; }

    // The pixels of the resampled image inside `region` (destination coordinates), as an
    // image of the region's size. `hasAlpha` is given to the result.
    Image resampleRegion(const RowFetch& fetch, PixelRect region, bool hasAlpha) const;

private:
    using Taps = detail::LanczosTaps;
    struct Filter : detail::LanczosWeights {
        Filter() { maxCount = 1; }
        bool active = false;  // false when the size does not change: identity
        std::pair<int, int> inside(int s0, int s1, int n) const;
    };
    static Filter makeFilter(int inSize, int outSize);

    int m_srcW, m_srcH, m_dstW, m_dstH;
    Filter m_h, m_v;
    std::shared_ptr<const detail::LanczosRowFilter> m_rowFilter;  // the horizontal pass
};

} // namespace mw

#include "imaging/band_ops.h"

#include "imaging/lanczos_weights.h"

#include "imaging/parallel.h"
#include "imaging/status.h"

#include <algorithm>
#include <cmath>

namespace mw {

PixelRect PixelRect::intersected(const PixelRect& o) const
{
    PixelRect r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    if (r.isEmpty())
        return {};
    return r;
}


Lanczos3Plan::Filter Lanczos3Plan::makeFilter(int inSize, int outSize)
{
    Filter f;
    if (inSize == outSize)
        return f;
    f.active = true;
    static_cast<detail::LanczosWeights&>(f) = detail::makeLanczos3Weights(inSize, outSize);
    return f;
}

std::pair<int, int> Lanczos3Plan::Filter::inside(int s0, int s1, int n) const
{
    if (!active) {
        const int a = std::clamp(s0, 0, n), b = std::clamp(s1, 0, n);
        return a < b ? std::pair{a, b} : std::pair{0, 0};
    }
    // The taps move monotonically with the output position, so the outputs inside form one
    // run; scanning every output keeps this free of that assumption anyway.
    int first = -1, last = -1;
    for (int i = 0; i < n; ++i) {
        const Taps& t = taps[size_t(i)];
        if (t.first >= s0 && t.first + t.count <= s1) {
            if (first < 0)
                first = i;
            last = i + 1;
        } else if (first >= 0) {
            break;
        }
    }
    if (first < 0)
        return {0, 0};
    return {first, last};
}

Lanczos3Plan::Lanczos3Plan(int srcW, int srcH, int dstW, int dstH)
    : m_srcW(srcW), m_srcH(srcH), m_dstW(dstW), m_dstH(dstH)
{
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        throw Error("Cannot resample an empty image");
    m_h = makeFilter(srcW, dstW);
    m_v = makeFilter(srcH, dstH);
    if (m_h.active)
        m_rowFilter = detail::makeLanczosRowFilter(srcW, dstW);
}

Image Lanczos3Plan::resampleRegion(const RowFetch& fetch, PixelRect region, bool hasAlpha) const
{
    region = region.intersected(PixelRect{0, 0, m_dstW, m_dstH});
    if (region.isEmpty())
        return {};
    // Every pixel is written below, on the workers, which also share the first touch of the
    // fresh pages.
    Image dst = Image::uninitialized(region.width(), region.height(), hasAlpha);
    const int outW = region.width();
    const size_t outBytes = size_t(outW) * 4;
    // Plain variables, not a structured binding: clang 14 cannot capture bindings in lambdas.
    const std::pair<int, int> sourceSpan =
        m_h.active ? detail::rowFilterSpan(*m_rowFilter, region.x0, region.x1) : std::pair{region.x0, region.x1};
    const int sx0 = sourceSpan.first;
    const int sx1 = sourceSpan.second;

    // One source row filtered horizontally onto the region's columns.
    auto filterRow = [&](int sy, std::vector<uint8_t>& srcLine, uint8_t* out) {
        if (!m_h.active) {
            fetch(sy, region.x0, region.x1, out);
            return;
        }
        fetch(sy, sx0, sx1, srcLine.data());
        detail::filterRowRange(*m_rowFilter, srcLine.data(), sx0, out, region.x0, region.x1);
    };

    parallelFor(region.y0, region.y1, [&](int y0, int y1) {
        std::vector<uint8_t> srcLine(size_t(std::max(0, sx1 - sx0)) * 4);
        if (!m_v.active) {
            for (int y = y0; y < y1; ++y)
                filterRow(y, srcLine, dst.row(y - region.y0));
            return;
        }
        const int ring = m_v.maxCount;
        std::vector<uint8_t> cache(size_t(ring) * outBytes);
        std::vector<int> cachedRow(static_cast<size_t>(ring), -1);
        std::vector<const uint8_t*> rows(static_cast<size_t>(ring));
        for (int y = y0; y < y1; ++y) {
            const Taps& t = m_v.taps[size_t(y)];
            for (int k = 0; k < t.count; ++k) {
                const int sy = t.first + k;
                const size_t slot = size_t(sy % ring);
                uint8_t* line = cache.data() + slot * outBytes;
                if (cachedRow[slot] != sy) {
                    filterRow(sy, srcLine, line);
                    cachedRow[slot] = sy;
                }
                rows[size_t(k)] = line;
            }
            detail::filterColumnRows(rows.data(), m_v.weights.data() + t.offset, t.count, dst.row(y - region.y0), outBytes);
        }
    }, 8);
    return dst;
}

} // namespace mw

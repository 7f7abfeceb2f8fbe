#include "imaging/shadow_border.h"

#include "imaging/canvas.h"
#include "imaging/status.h"

#include <algorithm>
#include <cstring>

namespace mw {

FlatShadowBorder::FlatShadowBorder(int width, int height, PixelRect picture, const SoftShadowParams& params,
                                   Rgba fill, Color background)
    : m_width(width), m_height(height), m_picture(picture)
{
    if (params.enlarge)
        throw Error("The shadow border needs a canvas that already has its border");
    if (picture.isEmpty() || picture.intersected(PixelRect{0, 0, width, height}) != picture)
        throw Error("The picture must lie inside its canvas");
    // Twice the reach and more: the columns beyond it see only the rectangle's inside.
    m_keep = 2 * softShadowReach(params) + 2;
    const int keptW = std::min(picture.width(), 2 * m_keep + 1);
    const int keptH = std::min(picture.height(), 2 * m_keep + 1);
    m_cutX = picture.width() - keptW;
    m_cutY = picture.height() - keptH;

    m_standIn = Image(width - m_cutX, height - m_cutY, true, fill);
    const Rgba opaque{fill.r, fill.g, fill.b, 255};
    for (int y = picture.y0; y < picture.y0 + keptH; ++y) {
        uint8_t* p = m_standIn.row(y) + size_t(picture.x0) * 4;
        for (int x = 0; x < keptW; ++x, p += 4) {
            p[0] = opaque.r;
            p[1] = opaque.g;
            p[2] = opaque.b;
            p[3] = opaque.a;
        }
    }
    applySoftShadow(m_standIn, params);
    flattenInPlace(m_standIn, background);
}

int FlatShadowBorder::sourceRow(int y) const
{
    if (y < m_picture.y0 + m_keep)
        return y;
    if (y >= m_picture.y1 - m_keep)
        return y - m_cutY;
    return m_picture.y0 + m_keep;
}

void FlatShadowBorder::paintRow(int y, uint8_t* row) const
{
    if (y < 0 || y >= m_height)
        return;
    const uint8_t* src = m_standIn.row(sourceRow(y));
    if (y < m_picture.y0 || y >= m_picture.y1) {
        // The columns near the picture's edges as they are, the middle one repeated between.
        const int left = std::min(m_width, m_picture.x0 + m_keep);
        const int rightStart = std::max(left, m_picture.x1 - m_keep);
        std::memcpy(row, src, size_t(left) * 4);
        const uint8_t* middle = src + size_t(m_picture.x0 + m_keep) * 4;
        for (int x = left; x < rightStart; ++x)
            std::memcpy(row + size_t(x) * 4, middle, 4);
        std::memcpy(row + size_t(rightStart) * 4, src + size_t(rightStart - m_cutX) * 4,
                    size_t(m_width - rightStart) * 4);
        return;
    }
    std::memcpy(row, src, size_t(m_picture.x0) * 4);
    std::memcpy(row + size_t(m_picture.x1) * 4, src + size_t(m_picture.x1 - m_cutX) * 4,
                size_t(m_width - m_picture.x1) * 4);
}

} // namespace mw

#include "compose/framed_surround.h"

#include "imaging/canvas.h"
#include "imaging/status.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mw {

FramedSurround::FramedSurround(const FrameComposer& composer, const std::optional<SoftShadowParams>& shadow,
                               Color background)
    : m_width(composer.width()), m_photo(composer.photoRect())
{
    if (shadow && shadow->enlarge)
        throw Error("The surround's shadow must not enlarge the canvas");
    const int W = composer.width(), H = composer.height();
    const PixelRect all{0, 0, W, H};
    const PixelRect p = m_photo;
    const int reach = shadow ? softShadowReach(*shadow) : 0;
    // Stands in for the photo's pixels: any opaque colour gives the same surround.
    const std::vector<uint8_t> opaqueRow(size_t(std::max(1, p.width())) * 4, 255);

    Piece* pieces[4] = {&m_top, &m_bottom, &m_left, &m_right};
    const PixelRect bands[4] = {
        {0, 0, W, p.y0},
        {0, p.y1, W, H},
        {0, p.y0, p.x0, p.y1},
        {p.x1, p.y0, W, p.y1},
    };
    for (int i = 0; i < 4; ++i) {
        Piece& piece = *pieces[i];
        piece.band = bands[i].intersected(all);
        if (piece.band.isEmpty()) {
            piece.band = {};
            continue;
        }
        piece.window = piece.band.adjusted(-reach, -reach, reach, reach).intersected(all);
        const PixelRect& w = piece.window;
        piece.pixels = Image::uninitialized(w.width(), w.height(), true);
        std::vector<uint8_t> row(size_t(W) * 4);
        for (int y = w.y0; y < w.y1; ++y) {
            const uint8_t* photo = y >= p.y0 && y < p.y1 ? opaqueRow.data() : nullptr;
            composer.composeSpan(y, w.x0, w.x1, row.data(), photo, false);
            std::memcpy(piece.pixels.row(y - w.y0), row.data() + size_t(w.x0) * 4, size_t(w.width()) * 4);
        }
        if (shadow)
            applySoftShadow(piece.pixels, *shadow);
        flattenInPlace(piece.pixels, background);
    }
}

void FramedSurround::copySpan(const Piece& piece, int y, int x0, int x1, uint8_t* row) const
{
    if (x0 >= x1)
        return;
    const uint8_t* src = piece.pixels.row(y - piece.window.y0) + size_t(x0 - piece.window.x0) * 4;
    std::memcpy(row + size_t(x0) * 4, src, size_t(x1 - x0) * 4);
}

void FramedSurround::paintRow(int y, uint8_t* row) const
{
    if (y < m_photo.y0) {
        if (!m_top.band.isEmpty() && y >= m_top.band.y0)
            copySpan(m_top, y, 0, m_width, row);
        return;
    }
    if (y >= m_photo.y1) {
        if (!m_bottom.band.isEmpty() && y < m_bottom.band.y1)
            copySpan(m_bottom, y, 0, m_width, row);
        return;
    }
    if (!m_left.band.isEmpty())
        copySpan(m_left, y, 0, m_photo.x0, row);
    if (!m_right.band.isEmpty())
        copySpan(m_right, y, m_photo.x1, m_width, row);
}

} // namespace mw

#include "imaging/layers.h"

#include "imaging/parallel.h"
#include "imaging/status.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace mw {

namespace {

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // half-open
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
};

Box boxOf(const Layer& l)
{
    if (l.image.isEmpty())
        return Box{};
    return Box{l.x, l.y, int(std::min<int64_t>(int64_t(l.x) + l.image.width(), INT32_MAX)),
               int(std::min<int64_t>(int64_t(l.y) + l.image.height(), INT32_MAX))};
}

inline void overPixel(const uint8_t* u, uint8_t* l)
{
    const int au = u[3];
    if (au == 255) {
        std::memcpy(l, u, 4);
        return;
    }
    const int al = l[3];
    if (au == 0) {
        if (al == 0)
            std::memcpy(l, u, 4);
        return;
    }
    // Alpha in 1/65025 units: au/255 + al/255 * (1 - au/255).
    const int num = au * 255 + al * (255 - au);
    const int wu = au * 255, wl = al * (255 - au);
    for (int c = 0; c < 3; ++c)
        l[c] = uint8_t((2 * (u[c] * wu + l[c] * wl) + num) / (2 * num));
    l[3] = uint8_t((num + 127) / 255);
}

void requireLayer(int index, int count, const char* what)
{
    if (index < 0 || index >= count)
        throw Error(std::string(what) + ": there is no layer " + std::to_string(index));
}

} // namespace

Rgba compositeOver(Rgba upper, Rgba lower)
{
    uint8_t u[4] = {upper.r, upper.g, upper.b, upper.a};
    uint8_t l[4] = {lower.r, lower.g, lower.b, lower.a};
    overPixel(u, l);
    return Rgba{l[0], l[1], l[2], l[3]};
}

void paintOver(Image& dst, const Image& src, int x, int y)
{
    const int64_t sx0 = std::max<int64_t>(0, -int64_t(x));
    const int64_t sy0 = std::max<int64_t>(0, -int64_t(y));
    const int64_t sx1 = std::min<int64_t>(src.width(), int64_t(dst.width()) - x);
    const int64_t sy1 = std::min<int64_t>(src.height(), int64_t(dst.height()) - y);
    if (sx0 >= sx1 || sy0 >= sy1)
        return;
    const bool opaque = !src.hasAlpha();
    const size_t n = size_t(sx1 - sx0);
    parallelFor(int(sy0), int(sy1), [&](int b, int e) {
        for (int sy = b; sy < e; ++sy) {
            const uint8_t* s = src.row(sy) + size_t(sx0) * 4;
            uint8_t* d = dst.row(int(sy + y)) + size_t(sx0 + x) * 4;
            if (opaque) {
                std::memcpy(d, s, n * 4);
                continue;
            }
            for (size_t i = 0; i < n; ++i, s += 4, d += 4)
                overPixel(s, d);
        }
    }, 64);
}

LayeredImage::LayeredImage(Color background) : m_background(background), m_layers(1) {}

void LayeredImage::setCurrentIndex(int index)
{
    requireLayer(index, count(), "Cannot select a layer");
    m_current = index;
}

int LayeredImage::addLayer()
{
    return addLayer(Layer{});
}

int LayeredImage::addLayer(Layer layer)
{
    m_layers.push_back(std::move(layer));
    m_current = count() - 1;
    return m_current;
}

void LayeredImage::removeLayer(int index)
{
    requireLayer(index, count(), "Cannot remove a layer");
    if (index == 0)
        throw Error("Cannot remove layer 0");
    m_layers.erase(m_layers.begin() + index);
    if (m_current >= index)
        m_current = std::max(0, m_current - 1);
}

void LayeredImage::clear()
{
    m_layers.resize(1);
    m_layers[0] = Layer{};
    m_current = 0;
}

void LayeredImage::mergeLayers(int lower, int upper)
{
    requireLayer(lower, count(), "Cannot merge layers");
    requireLayer(upper, count(), "Cannot merge layers");
    if (lower == upper)
        throw Error("Cannot merge a layer with itself");

    Layer& lo = m_layers[size_t(lower)];
    const Layer& up = m_layers[size_t(upper)];
    const Box bl = boxOf(lo), bu = boxOf(up);
    Box box;
    if (bl.isEmpty())
        box = bu;
    else if (bu.isEmpty())
        box = bl;
    else
        box = Box{std::min(bl.x0, bu.x0), std::min(bl.y0, bu.y0), std::max(bl.x1, bu.x1), std::max(bl.y1, bu.y1)};
    if (lower == 0) {
        // Layer 0 is the canvas: the merge starts at its origin and drops what lies left/above.
        box.x0 = 0;
        box.y0 = 0;
    }

    Layer merged;
    merged.x = box.x0;
    merged.y = box.y0;
    if (!box.isEmpty()) {
        if (auto why = checkImageSize(int64_t(box.x1) - box.x0, int64_t(box.y1) - box.y0))
            throw Error("Cannot merge layers: " + *why);
        if (bl.x0 == box.x0 && bl.y0 == box.y0 && bl.x1 == box.x1 && bl.y1 == box.y1) {
            // The lower layer covers the whole result: paint the upper one onto it in place.
            merged.image = std::move(lo.image);
            merged.image.setHasAlpha(true);
        } else {
            const Color bg = m_background;
            merged.image.reset(box.x1 - box.x0, box.y1 - box.y0, true, Rgba{bg.r, bg.g, bg.b, 0});
            // The lower layer's pixels are taken as they are, so copy rather than composite.
            const Image& li = lo.image;
            const int64_t sx0 = std::max<int64_t>(0, int64_t(box.x0) - lo.x);
            const int64_t sy0 = std::max<int64_t>(0, int64_t(box.y0) - lo.y);
            const int64_t sx1 = std::min<int64_t>(li.width(), int64_t(box.x1) - lo.x);
            const int64_t sy1 = std::min<int64_t>(li.height(), int64_t(box.y1) - lo.y);
            if (sx0 < sx1 && sy0 < sy1) {
                Image& mi = merged.image;
                parallelFor(int(sy0), int(sy1), [&](int b, int e) {
                    for (int sy = b; sy < e; ++sy)
                        std::memcpy(mi.row(int(sy + lo.y - box.y0)) + size_t(sx0 + lo.x - box.x0) * 4,
                                    li.row(sy) + size_t(sx0) * 4, size_t(sx1 - sx0) * 4);
                }, 64);
            }
        }
        // Over a transparent pixel "over" gives the upper pixel itself, so compositing the
        // whole upper layer also covers the places only it lies on.
        paintOver(merged.image, up.image, up.x - box.x0, up.y - box.y0);
        merged.image.setBitsPerPixel(32);
    }
    merged.drawnWidth = merged.image.width();
    merged.drawnHeight = merged.image.height();

    m_layers[size_t(lower)] = std::move(merged);
    m_layers.erase(m_layers.begin() + upper);
    m_current = upper < lower ? lower - 1 : lower;
}

Image LayeredImage::mergeAll() const
{
    int w = 0, h = 0;
    for (const Layer& l : m_layers) {
        const Box b = boxOf(l);
        if (b.isEmpty())
            continue;
        w = std::max(w, b.x1);
        h = std::max(h, b.y1);
    }
    if (auto why = checkImageSize(w, h))
        throw Error("Cannot merge layers: " + *why);
    Image out(w, h, false, Rgba{m_background.r, m_background.g, m_background.b, 255});
    for (const Layer& l : m_layers)
        paintOver(out, l.image, l.x, l.y);
    return out;
}

} // namespace mw

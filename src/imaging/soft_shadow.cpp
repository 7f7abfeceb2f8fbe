#include "imaging/soft_shadow.h"

#include "imaging/canvas.h"
#include "imaging/parallel.h"
#include "imaging/status.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace mw {

namespace {

// The blur is fixed point: 14-bit weights, a 16-bit intermediate after the horizontal pass
// (alpha * 256), 8 bits out. A constant alpha stays exactly constant because the weights sum
// to exactly 1 and both shifts are exact for it.
constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr int kMidShift = 6;                               // after the horizontal pass
constexpr int kOutShift = 2 * kWeightBits - kMidShift;     // after the vertical pass
// Radii beyond this only cost time: the kernel is wider than any image we accept.
constexpr double kMaxRadius = 25000.0;

struct Kernel {
    int radius = 0;               // taps from -radius to +radius
    std::vector<int32_t> weights; // 2 * radius + 1 of them, summing to kOne
};

Kernel gaussianKernel(double sigma)
{
    Kernel k;
    if (!(sigma > 0.0)) {  // also NaN: no blur
        k.weights = {kOne};
        return k;
    }
    sigma = std::min(sigma, kMaxRadius);
    k.radius = int(std::ceil(3.0 * sigma));
    std::vector<double> w(size_t(2 * k.radius + 1));
    double sum = 0.0;
    for (int i = -k.radius; i <= k.radius; ++i) {
        w[size_t(i + k.radius)] = std::exp(-double(i) * i / (2.0 * sigma * sigma));
        sum += w[size_t(i + k.radius)];
    }
    k.weights.resize(w.size());
    int32_t total = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        k.weights[i] = int32_t(std::lround(w[i] / sum * kOne));
        total += k.weights[i];
    }
    k.weights[size_t(k.radius)] += kOne - total;  // the centre tap absorbs the rounding
    return k;
}

struct ShadowMath {
    int numer = 100;  // alpha of a shadow on a transparent pixel: q * numer / denom
    int denom = 100;  //   (h = 3 - 2 I / 100 = denom / numer with I a whole percent)
    int s[3] = {0, 0, 0};
};

ShadowMath shadowMath(const SoftShadowParams& p)
{
    ShadowMath m;
    const int intensity = std::clamp(p.intensity, 0, 100);
    m.numer = 100;
    m.denom = 300 - 2 * intensity;
    m.s[0] = p.color.r;
    m.s[1] = p.color.g;
    m.s[2] = p.color.b;
    return m;
}

// The per-pixel rule with exact integer arithmetic, so every truncation lands where the real
// numbers put it (a float 255 * (A + U(1-A)) can come out as 254.999...).
inline void shadePixel(uint8_t* px, int q, const ShadowMath& m)
{
    const int a = px[3];
    if (a == 255 || q == 0)
        return;
    if (a == 0) {
        px[0] = uint8_t(m.s[0]);
        px[1] = uint8_t(m.s[1]);
        px[2] = uint8_t(m.s[2]);
        px[3] = uint8_t(q * m.numer / m.denom);
        return;
    }
    const int ia = 255 - a;
    for (int c = 0; c < 3; ++c) {
        const int p = px[c];
        px[c] = uint8_t((a * p * 255 + ia * (q * m.s[c] + (255 - q) * p)) / 65025);
    }
    px[3] = uint8_t((a * 255 + q * ia) / 255);
}

struct Offset {
    int x = 0, y = 0;
};

Image prepare(Image& image, const SoftShadowParams& params)
{
    if (params.enlarge) {
        const Rgba clear{params.color.r, params.color.g, params.color.b, 0};
        return enlargeCentered(image, softShadowGrowth(params), clear);
    }
    Image copy = std::move(image);
    copy.setHasAlpha(true);
    return copy;
}

// Offsets beyond the image move the whole shadow out; clamping keeps the arithmetic in range.
Offset clampedOffset(const SoftShadowParams& p, const Image& img)
{
    const int lim = std::max(img.width(), img.height()) + 1;
    return Offset{std::clamp(p.offsetX, -lim, lim), std::clamp(p.offsetY, -lim, lim)};
}

// --- fast path -------------------------------------------------------------------------------
//
// Only pixels that are not opaque can change, and only where the moved shadow q is above 0.
// The image is cut into tiles; a tile that is opaque is skipped, and where the alpha under
// the kernel's reach is constant the blur is that constant and needs no arithmetic. Only the
// remaining tiles (along edges of the alpha, e.g. the border band of an opaque photo) are
// blurred, each over its own small window.

constexpr int kTile = 32;

void shadeFast(Image& img, const Kernel& k, Offset off, const ShadowMath& m, const ProgressFn& progress)
{
    const int W = img.width();
    const int H = img.height();
    const int R = k.radius;
    const int tilesX = (W + kTile - 1) / kTile;
    const int tilesY = (H + kTile - 1) / kTile;

    // Alpha range of every tile, taken before any pixel changes.
    std::vector<uint8_t> tileMin(size_t(tilesX) * size_t(tilesY));
    std::vector<uint8_t> tileMax(tileMin.size());
    parallelFor(0, tilesY, [&](int b, int e) {
        for (int ty = b; ty < e; ++ty) {
            for (int tx = 0; tx < tilesX; ++tx) {
                uint8_t lo = 255, hi = 0;
                const int x0 = tx * kTile, x1 = std::min(W, x0 + kTile);
                for (int y = ty * kTile, y1 = std::min(H, y + kTile); y < y1; ++y) {
                    const uint8_t* p = img.row(y) + size_t(x0) * 4 + 3;
                    for (int x = x0; x < x1; ++x, p += 4) {
                        lo = std::min(lo, *p);
                        hi = std::max(hi, *p);
                    }
                }
                tileMin[size_t(ty) * tilesX + tx] = lo;
                tileMax[size_t(ty) * tilesX + tx] = hi;
            }
        }
    }, 1);

    // The blur of one tile reads alpha from its neighbours, so every tile's q is worked out
    // (phase 1) before any pixel is shaded (phase 2). Most tiles need no buffer: opaque, or
    // q constant. Only tiles along edges of the alpha keep a block of blurred values.
    struct TileQ {
        int kind = 0;      // 0: nothing changes, 1: q constant, 2: q in the row's buffer
        int value = 0;     // the constant, or the offset into the buffer
        int bx0 = 0, by0 = 0, bw = 0, bh = 0;  // blurred rectangle in source coordinates
    };
    std::vector<TileQ> tiles(size_t(tilesX) * size_t(tilesY));
    std::vector<std::vector<uint8_t>> rowBuffers(static_cast<size_t>(tilesY));
    const int32_t* w = k.weights.data() + R;  // w[i] for i in -R..R

    parallelFor(0, tilesY, [&](int b, int e) {
        std::vector<uint8_t> line(size_t(kTile + 2 * R));
        std::vector<uint16_t> mid(size_t(kTile + 2 * R) * kTile);
        for (int ty = b; ty < e; ++ty) {
            if (progress && b == 0)
                progress(int(int64_t(ty - b) * 90 / std::max(1, e - b)));
            std::vector<uint8_t>& buffer = rowBuffers[size_t(ty)];
            for (int tx = 0; tx < tilesX; ++tx) {
                TileQ& t = tiles[size_t(ty) * tilesX + tx];
                if (tileMin[size_t(ty) * tilesX + tx] == 255)
                    continue;
                const int x0 = tx * kTile, x1 = std::min(W, x0 + kTile);
                const int y0 = ty * kTile, y1 = std::min(H, y0 + kTile);
                // Blurred values needed, in source coordinates (q at x is blur at x - ox).
                const int bx0 = std::max(0, x0 - off.x), bx1 = std::min(W, x1 - off.x);
                const int by0 = std::max(0, y0 - off.y), by1 = std::min(H, y1 - off.y);
                if (bx0 >= bx1 || by0 >= by1)
                    continue;  // the whole tile is uncovered: q = 0
                // Alpha range under the kernel's reach; outside the image counts as 0.
                const int wx0 = bx0 - R, wx1 = bx1 + R, wy0 = by0 - R, wy1 = by1 + R;
                int lo = (wx0 < 0 || wy0 < 0 || wx1 > W || wy1 > H) ? 0 : 255;
                int hi = 0;
                for (int sy = std::max(0, wy0) / kTile; sy <= (std::min(H, wy1) - 1) / kTile; ++sy)
                    for (int sx = std::max(0, wx0) / kTile; sx <= (std::min(W, wx1) - 1) / kTile; ++sx) {
                        lo = std::min<int>(lo, tileMin[size_t(sy) * tilesX + sx]);
                        hi = std::max<int>(hi, tileMax[size_t(sy) * tilesX + sx]);
                    }
                if (hi == 0)
                    continue;  // q = 0 everywhere here
                const int bw = bx1 - bx0, bh = by1 - by0;
                t.bx0 = bx0, t.by0 = by0, t.bw = bw, t.bh = bh;
                if (lo == hi) {
                    t.kind = 1;
                    t.value = lo;
                    continue;
                }
                t.kind = 2;
                t.value = int(buffer.size());
                buffer.resize(buffer.size() + size_t(bw) * bh);
                uint8_t* blurred = buffer.data() + t.value;
                // Horizontal pass over rows by0-R .. by1+R (rows outside the image are 0).
                for (int r = 0; r < bh + 2 * R; ++r) {
                    const int sy = by0 - R + r;
                    uint16_t* out = mid.data() + size_t(r) * bw;
                    if (sy < 0 || sy >= H) {
                        std::fill(out, out + bw, uint16_t(0));
                        continue;
                    }
                    const uint8_t* arow = img.row(sy) + 3;
                    const int lx0 = bx0 - R;
                    for (int i = 0; i < bw + 2 * R; ++i) {
                        const int sx = lx0 + i;
                        line[size_t(i)] = (sx >= 0 && sx < W) ? arow[size_t(sx) * 4] : 0;
                    }
                    for (int x = 0; x < bw; ++x) {
                        const uint8_t* c = line.data() + x + R;
                        int32_t acc = 0;
                        for (int i = -R; i <= R; ++i)
                            acc += w[i] * c[i];
                        out[x] = uint16_t((acc + (1 << (kMidShift - 1))) >> kMidShift);
                    }
                }
                // Vertical pass.
                for (int y = 0; y < bh; ++y) {
                    for (int x = 0; x < bw; ++x) {
                        const uint16_t* c = mid.data() + size_t(y + R) * bw + x;
                        uint32_t acc = 0;
                        for (int j = -R; j <= R; ++j)
                            acc += uint32_t(w[j]) * c[ptrdiff_t(j) * bw];
                        blurred[size_t(y) * bw + x] = uint8_t((acc + (1u << (kOutShift - 1))) >> kOutShift);
                    }
                }
            }
        }
    }, 1);

    // Phase 2: shade each tile's pixels that the moved blur covers.
    parallelFor(0, tilesY, [&](int b, int e) {
        for (int ty = b; ty < e; ++ty) {
            const uint8_t* buffer = rowBuffers[size_t(ty)].data();
            for (int tx = 0; tx < tilesX; ++tx) {
                const TileQ& t = tiles[size_t(ty) * tilesX + tx];
                if (t.kind == 0)
                    continue;
                for (int y = t.by0 + off.y; y < t.by0 + t.bh + off.y; ++y) {
                    uint8_t* px = img.row(y) + size_t(t.bx0 + off.x) * 4;
                    if (t.kind == 1) {
                        for (int x = 0; x < t.bw; ++x, px += 4)
                            shadePixel(px, t.value, m);
                        continue;
                    }
                    const uint8_t* q = buffer + t.value + size_t(y - off.y - t.by0) * t.bw;
                    for (int x = 0; x < t.bw; ++x, px += 4)
                        shadePixel(px, q[x], m);
                }
            }
        }
    }, 1);
}

} // namespace

int softShadowReach(const SoftShadowParams& p)
{
    const double r = std::isfinite(p.radius) ? std::clamp(p.radius, 0.0, kMaxRadius) : 0.0;
    const int64_t reach = int64_t(std::ceil(3.0 * r)) +
                          std::max(std::abs(int64_t(p.offsetX)), std::abs(int64_t(p.offsetY))) + 1;
    return int(std::min<int64_t>(reach, kMaxImageSide));
}

int softShadowGrowth(const SoftShadowParams& params)
{
    const int64_t ox = std::abs(int64_t(params.offsetX));
    const int64_t oy = std::abs(int64_t(params.offsetY));
    const double r = std::isfinite(params.radius) ? std::clamp(params.radius, -kMaxRadius, kMaxRadius) : 0.0;
    const int64_t g = 2 * std::max(ox, oy) + int64_t(std::trunc(5.0 * r));
    return int(std::clamp<int64_t>(g, 1, kMaxImageSide));
}

void applySoftShadow(Image& image, const SoftShadowParams& params, const ProgressFn& progress)
{
    Image img = prepare(image, params);
    if (!img.isEmpty())
        shadeFast(img, gaussianKernel(params.radius), clampedOffset(params, img), shadowMath(params), progress);
    if (progress)
        progress(100);
    image = std::move(img);
}

namespace detail {

// The same rule computed plainly over the whole image: full blur, then move, then shade.
void applySoftShadowReference(Image& image, const SoftShadowParams& params)
{
    Image img = prepare(image, params);
    const int W = img.width(), H = img.height();
    const Kernel k = gaussianKernel(params.radius);
    const int R = k.radius;
    const Offset off = clampedOffset(params, img);
    const ShadowMath m = shadowMath(params);

    auto alphaAt = [&](int x, int y) -> int {
        return (x >= 0 && x < W && y >= 0 && y < H) ? img.pixel(x, y).a : 0;
    };
    std::vector<uint16_t> mid(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            int32_t acc = 0;
            for (int i = -R; i <= R; ++i)
                acc += k.weights[size_t(i + R)] * alphaAt(x + i, y);
            mid[size_t(y) * W + x] = uint16_t((acc + (1 << (kMidShift - 1))) >> kMidShift);
        }
    std::vector<uint8_t> blurred(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint32_t acc = 0;
            for (int j = -R; j <= R; ++j)
                if (y + j >= 0 && y + j < H)
                    acc += uint32_t(k.weights[size_t(j + R)]) * mid[size_t(y + j) * W + x];
            blurred[size_t(y) * W + x] = uint8_t((acc + (1u << (kOutShift - 1))) >> kOutShift);
        }
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int sx = x - off.x, sy = y - off.y;
            const int q = (sx >= 0 && sx < W && sy >= 0 && sy < H) ? blurred[size_t(sy) * W + sx] : 0;
            shadePixel(img.row(y) + size_t(x) * 4, q, m);
        }
    image = std::move(img);
}

} // namespace detail

} // namespace mw

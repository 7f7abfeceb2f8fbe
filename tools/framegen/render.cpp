// Noise, shading and the cutting of a frame style into its eight pieces and a thumbnail.
#include "framegen.h"

#include <algorithm>

namespace framegen {

namespace {

uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u ^ uint32_t(x) * 0x85EBCA77u ^ uint32_t(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float lattice(int32_t x, int32_t y, uint32_t seed) {
    return float(hash3(x, y, seed) >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

int wrap(int i, int period) {
    if (period <= 0) return i;
    const int m = i % period;
    return m < 0 ? m + period : m;
}

uint8_t toByte(float v) { return uint8_t(std::lround(clamp01(v) * 255.f)); }

} // namespace

float valueNoise(float u, float v, int periodU, uint32_t seed) {
    const float fu = std::floor(u), fv = std::floor(v);
    const int iu = int(fu), iv = int(fv);
    float du = u - fu, dv = v - fv;
    du = du * du * (3 - 2 * du);
    dv = dv * dv * (3 - 2 * dv);
    const int u0 = wrap(iu, periodU), u1 = wrap(iu + 1, periodU);
    const float a = lattice(u0, iv, seed), b = lattice(u1, iv, seed);
    const float c = lattice(u0, iv + 1, seed), d = lattice(u1, iv + 1, seed);
    return (a + (b - a) * du) + ((c + (d - c) * du) - (a + (b - a) * du)) * dv;
}

float fbm(float u, float v, int periodU, int octaves, uint32_t seed) {
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(u, v, periodU, seed + uint32_t(o) * 7919u);
        norm += amp;
        amp *= 0.5f;
        u *= 2;
        v *= 2;
        periodU *= 2;
    }
    return sum / norm;
}

Shaded shadeFramePoint(const FrameStyle& style, Side side, float d, float t) {
    // Light from the upper left, a little above the picture plane.
    static const float lx = -0.55f, ly = -0.75f, lz = 0.95f;
    static const float ln = std::sqrt(lx * lx + ly * ly + lz * lz);
    static const float Lx = lx / ln, Ly = ly / ln, Lz = lz / ln;
    static const float hn = std::sqrt(Lx * Lx + Ly * Ly + (Lz + 1) * (Lz + 1));
    static const float Hx = Lx / hn, Hy = Ly / hn, Hz = (Lz + 1) / hn;

    const float e = 0.5f;
    const float hd = (style.height(d + e, t) - style.height(d - e, t)) / (2 * e);
    const float ht = (style.height(d, t + e) - style.height(d, t - e)) / (2 * e);
    // The cross-section runs inwards; turn its slopes into image x / y slopes for this side.
    float hx = 0, hy = 0;
    switch (side) {
    case Side::Top: hx = ht; hy = hd; break;
    case Side::Left: hx = hd; hy = ht; break;
    case Side::Right: hx = -hd; hy = ht; break;
    case Side::Bottom: hx = ht; hy = -hd; break;
    }
    const float nn = std::sqrt(hx * hx + hy * hy + 1);
    const float nx = -hx / nn, ny = -hy / nn, nz = 1 / nn;
    const float ndotl = std::max(0.f, nx * Lx + ny * Ly + nz * Lz);
    const float diffuse = ndotl / Lz;  // 1 on a flat face
    const float ndoth = std::max(0.f, nx * Hx + ny * Hy + nz * Hz);

    const Material m = style.material(d, t);
    const float spec = m.specular * std::pow(ndoth, m.shininess);
    Vec3 c = m.albedo * (0.30f + 0.70f * diffuse) + m.specColor * spec;
    return {Vec3{clamp01(c.r), clamp01(c.g), clamp01(c.b)}, m.alpha};
}

namespace {

// One frame point chosen by position inside a piece: which side it belongs to (the mitre is
// the diagonal where two sides' distances are equal) and its d / t.
struct Pick {
    Side side;
    float d, t;
    bool seam;  // on the mitre join
};

enum class PieceKind { C01, E02, C03, E04, E06, C07, E08, C09 };

Pick pickPoint(PieceKind kind, float x, float y, float W) {
    auto corner = [&](Side a, float da, float ta, Side b, float db, float tb) {
        const bool seam = std::abs(da - db) < 0.9f;
        return da < db ? Pick{a, da, ta, seam} : Pick{b, db, tb, seam};
    };
    switch (kind) {
    case PieceKind::C01: return corner(Side::Top, y, x - W, Side::Left, x, y - W);
    case PieceKind::E02: return {Side::Top, y, x, false};
    case PieceKind::C03: return corner(Side::Top, y, x, Side::Right, W - x, y - W);
    case PieceKind::E04: return {Side::Left, x, y, false};
    case PieceKind::E06: return {Side::Right, W - x, y, false};
    case PieceKind::C07: return corner(Side::Left, x, y, Side::Bottom, W - y, x - W);
    case PieceKind::E08: return {Side::Bottom, W - y, x, false};
    case PieceKind::C09: return corner(Side::Right, W - x, y, Side::Bottom, W - y, x);
    }
    return {Side::Top, y, x, false};
}

mw::Image renderPiece(const FrameStyle& style, PieceKind kind, int w, int h) {
    constexpr int kSub = 3;
    mw::Image img(w, h, true, mw::Rgba{0, 0, 0, 0});
    const float W = float(style.width);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Vec3 acc;
            float accA = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const float fx = x + (sx + 0.5f) / kSub, fy = y + (sy + 0.5f) / kSub;
                    const Pick p = pickPoint(kind, fx, fy, W);
                    Shaded s = shadeFramePoint(style, p.side, p.d, p.t);
                    // The join of two mitred lengths shows as a fine dark line.
                    if (p.seam) s.color = s.color * 0.55f;
                    acc = acc + s.color * s.alpha;
                    accA += s.alpha;
                }
            }
            const float n = float(kSub * kSub);
            const Vec3 c = accA > 0 ? acc * (1.f / accA) : Vec3{};
            img.setPixel(x, y, mw::Rgba{toByte(c.r), toByte(c.g), toByte(c.b), toByte(accA / n)});
        }
    }
    return img;
}

} // namespace

std::vector<mw::Image> renderPieces(const FrameStyle& style) {
    const int W = style.width, P = style.period;
    std::vector<mw::Image> pieces;
    pieces.push_back(renderPiece(style, PieceKind::C01, W, W));
    pieces.push_back(renderPiece(style, PieceKind::E02, P, W));
    pieces.push_back(renderPiece(style, PieceKind::C03, W, W));
    pieces.push_back(renderPiece(style, PieceKind::E04, W, P));
    pieces.push_back(renderPiece(style, PieceKind::E06, W, P));
    pieces.push_back(renderPiece(style, PieceKind::C07, W, W));
    pieces.push_back(renderPiece(style, PieceKind::E08, P, W));
    pieces.push_back(renderPiece(style, PieceKind::C09, W, W));
    return pieces;
}

mw::Image halve(const mw::Image& src) {
    const int w = src.width() / 2, h = src.height() / 2;
    mw::Image out(w, h, src.hasAlpha(), mw::Rgba{0, 0, 0, 0});
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int sum[3] = {0, 0, 0}, plain[3] = {0, 0, 0}, a = 0;
            for (int k = 0; k < 4; ++k) {
                const mw::Rgba p = src.pixel(2 * x + (k & 1), 2 * y + (k >> 1));
                sum[0] += p.r * p.a;
                sum[1] += p.g * p.a;
                sum[2] += p.b * p.a;
                plain[0] += p.r;
                plain[1] += p.g;
                plain[2] += p.b;
                a += p.a;
            }
            mw::Rgba o;
            uint8_t* ch[3] = {&o.r, &o.g, &o.b};
            for (int c = 0; c < 3; ++c)
                *ch[c] = uint8_t(a > 0 ? (sum[c] + a / 2) / a : (plain[c] + 2) / 4);
            o.a = uint8_t((a + 2) / 4);
            out.setPixel(x, y, o);
        }
    }
    return out;
}

mw::Image renderThumbnail(const FrameStyle& style, int size) {
    // The frame drawn small enough to leave room for the picture, the same for every frame
    // group so thumbnails compare at a glance.
    const float frameW = 6.f + 0.055f * float(style.width);
    const float k = float(style.width) / frameW;
    const mw::Image photo = renderLandscape(size * 3 / 2, size);
    const int photoX = size / 4;
    constexpr int kSub = 8;
    mw::Image out(size, size, false);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const mw::Rgba ph = photo.pixel(x + photoX, y);
            const Vec3 photoC = rgb(ph.r, ph.g, ph.b);
            Vec3 acc;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const float fx = x + (sx + 0.5f) / kSub, fy = y + (sy + 0.5f) / kSub;
                    const float dists[4] = {fy, fx, size - fx, size - fy};
                    const Side sides[4] = {Side::Top, Side::Left, Side::Right, Side::Bottom};
                    int best = 0;
                    for (int i = 1; i < 4; ++i)
                        if (dists[i] < dists[best]) best = i;
                    Vec3 c = photoC;
                    if (dists[best] < frameW) {
                        const float along = (best == 0 || best == 3) ? fx : fy;
                        const Shaded s = shadeFramePoint(style, sides[best], dists[best] * k, along * k);
                        c = mix(photoC, s.color, s.alpha);
                    }
                    acc = acc + c;
                }
            }
            acc = acc * (1.f / (kSub * kSub));
            out.setPixel(x, y, mw::Rgba{toByte(acc.r), toByte(acc.g), toByte(acc.b), 255});
        }
    }
    return out;
}

} // namespace framegen

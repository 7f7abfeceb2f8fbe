// A photo-like landscape: something with gradients, edges and fine texture to frame, so the
// sample and the benchmarks exercise the codecs and filters the way real photos do.
#include "framegen.h"

#include "imaging/parallel.h"

#include <algorithm>
#include <vector>

namespace framegen {
namespace {

uint32_t grainHash(uint32_t x, uint32_t y) {
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ 0x6A09E667u;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

struct Tree {
    float x, base, size;
};

} // namespace

mw::Image renderLandscape(int width, int height) {
    mw::Image img(width, height, false);
    const float H = float(height);
    const float aspect = float(width) / H;

    // Ridge lines per column, in picture heights from the top.
    std::vector<float> far(width), mid(width), near(width), shore(width);
    for (int x = 0; x < width; ++x) {
        const float u = x / H;  // horizontal position in picture heights
        far[x] = 0.50f - 0.10f * (0.5f + 0.5f * fbm(u * 2.2f, 0.3f, 0, 5, 11)) - 0.04f * std::sin(u * 1.7f);
        mid[x] = 0.545f - 0.09f * (0.5f + 0.5f * fbm(u * 3.0f + 5, 1.7f, 0, 5, 12)) + 0.04f * (u / aspect);
        near[x] = 0.72f + 0.05f * fbm(u * 1.6f + 9, 2.9f, 0, 4, 13) - 0.05f * (u / aspect);
        shore[x] = 0.655f + 0.02f * fbm(u * 6.f, 4.1f, 0, 3, 14);
    }
    const float sunX = 0.70f * aspect, sunY = 0.21f, sunR = 0.032f;
    const Tree trees[] = {{0.10f, 0.86f, 0.09f}, {0.16f, 0.83f, 0.06f}, {0.83f, 0.80f, 0.07f},
                          {0.90f, 0.84f, 0.10f}, {0.60f, 0.76f, 0.035f}, {0.64f, 0.765f, 0.03f}};

    auto sky = [&](float u, float v) {
        Vec3 c = mix(rgb(52, 98, 170), rgb(196, 214, 232), smoothstep(0.0f, 0.55f, v));
        const float dx = u - sunX, dy = v - sunY;
        const float r = std::sqrt(dx * dx + dy * dy);
        c = c + rgb(255, 214, 150) * (0.55f * std::exp(-r * 9.f));
        if (r < sunR) c = mix(c, rgb(255, 252, 236), smoothstep(sunR, sunR * 0.85f, r));
        // Clouds: soft fbm masses, brighter on the sun side, grey beneath.
        if (v < 0.48f) {
            const float n = fbm(u * 2.5f, v * 7.f, 0, 6, 21);
            const float cover = smoothstep(0.05f, 0.45f, n) * smoothstep(0.48f, 0.25f, v);
            const float shade = 0.5f + 0.5f * fbm(u * 2.5f, v * 7.f + 0.15f, 0, 4, 21);
            const Vec3 cloud = mix(rgb(150, 158, 176), rgb(250, 250, 252), clamp01(shade + 0.2f));
            c = mix(c, cloud, cover * 0.9f);
        }
        return c;
    };

    mw::parallelFor(0, height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* row = img.row(y);
            const float v = y / H;
            for (int x = 0; x < width; ++x) {
                const float u = x / H;
                Vec3 c;
                if (v < far[x]) {
                    c = sky(u, v);
                } else if (v < mid[x]) {
                    // Distant hills fade into the haze.
                    const float tex = fbm(u * 60.f, v * 60.f, 0, 4, 31);
                    const float ridge = fbm(u * 12.f, v * 5.f, 0, 3, 32);
                    c = mix(rgb(70, 96, 112), rgb(150, 170, 192), smoothstep(far[x] + 0.08f, far[x], v));
                    c = c * (1.f + 0.10f * tex + 0.08f * ridge);
                } else if (v < near[x] && v < shore[x]) {
                    // Wooded middle hills, lit from the right.
                    const float tex = fbm(u * 90.f, v * 90.f, 0, 4, 41);
                    const float slope = (mid[std::min(x + 2, width - 1)] - mid[std::max(x - 2, 0)]);
                    c = mix(rgb(46, 78, 44), rgb(92, 122, 64), clamp01(0.5f + 0.6f * tex - slope * 40.f));
                    c = mix(c, rgb(120, 140, 160), smoothstep(mid[x] + 0.05f, mid[x], v) * 0.35f);
                } else if (v < near[x]) {
                    // Lake: the sky mirrored, darker, broken by ripples.
                    const float mirrorV = 2 * shore[x] - v - 0.12f;
                    const float ripple = fbm(u * 8.f, v * 220.f, 0, 3, 51);
                    c = sky(u + 0.01f * ripple, std::clamp(mirrorV, 0.f, 0.6f)) * 0.72f;
                    c = c * (0.95f + 0.10f * ripple);
                } else {
                    // Meadow: warm greens, grass streaks, darker toward the bottom.
                    const float patch = fbm(u * 4.f, v * 6.f, 0, 4, 61);
                    const float blades = fbm(u * 260.f, v * 40.f, 0, 3, 62);
                    c = mix(rgb(78, 120, 38), rgb(150, 160, 70), clamp01(0.5f + 0.7f * patch));
                    c = c * (0.85f + 0.25f * blades);
                    c = c * (1.f - 0.35f * smoothstep(near[x], 1.0f, v));
                    if (std::abs(v - near[x]) < 0.004f) c = c * 0.8f;
                }
                for (const Tree& t : trees) {
                    const float tx = t.x * aspect;
                    const float dx = (u - tx) / t.size, dy = (v - (t.base - t.size * 1.1f)) / t.size;
                    const float edge = 0.12f * fbm(u * 60.f, v * 60.f, 0, 3, 71);
                    if (dx * dx + dy * dy * 0.7f < 0.36f + edge) {
                        const float lit = clamp01(0.5f + 0.8f * dx - 0.5f * dy + 2.f * edge);
                        c = mix(rgb(22, 46, 22), rgb(70, 104, 44), lit);
                    } else if (std::abs(u - tx) < t.size * 0.07f && v > t.base - t.size * 0.6f && v < t.base) {
                        c = rgb(60, 44, 30);
                    }
                }
                // Vignette and sensor grain.
                const float cx = u / aspect - 0.5f, cy = v - 0.5f;
                c = c * (1.f - 0.25f * (cx * cx + cy * cy));
                const float grain = float(grainHash(uint32_t(x), uint32_t(y)) >> 24) / 255.f - 0.5f;
                c = c + Vec3{1, 1, 1} * (grain * 0.035f);
                row[4 * x + 0] = uint8_t(std::lround(clamp01(c.r) * 255.f));
                row[4 * x + 1] = uint8_t(std::lround(clamp01(c.g) * 255.f));
                row[4 * x + 2] = uint8_t(std::lround(clamp01(c.b) * 255.f));
                row[4 * x + 3] = 255;
            }
        }
    });
    return img;
}

} // namespace framegen

// The starter frames: a cross-section (height over the distance from the outer edge) and a
// material per frame. Sizes are pixels of the 300 dpi drawing; the 150 dpi set is its half.
#include "framegen.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace framegen {
namespace {

constexpr float kPi = 3.14159265f;

// Height through control points (d, h), eased between neighbours: steps and bevels.
float profile(float d, std::initializer_list<std::pair<float, float>> pts) {
    const auto* first = pts.begin();
    const auto* last = pts.end() - 1;
    if (d <= first->first) return first->second;
    if (d >= last->first) return last->second;
    for (const auto* p = first; p != last; ++p) {
        const auto* q = p + 1;
        if (d <= q->first) {
            const float u = (d - p->first) / (q->first - p->first);
            return p->second + (q->second - p->second) * (u * u * (3 - 2 * u));
        }
    }
    return last->second;
}

// Half-round moulding of radius r centred at c.
float roll(float d, float c, float r) {
    const float x = d - c;
    return std::abs(x) < r ? std::sqrt(r * r - x * x) : 0.f;
}

// Concave sweep from height h0 at a down to h1 at b (a quarter circle, deepest near b).
float cove(float d, float a, float b, float h0, float h1) {
    if (d <= a) return h0;
    if (d >= b) return h1;
    const float u = (d - a) / (b - a);
    return h1 + (h0 - h1) * (1 - std::sqrt(std::max(0.f, 1 - (1 - u) * (1 - u))));
}

// The inner lip fades out over its last `len` pixels so the photo and the inner shadow show
// through it instead of meeting a hard cut edge.
float lipAlpha(float d, float W, float len) {
    if (d < W - len) return 1.f;
    const float u = clamp01((d - (W - len)) / len);
    return 1.f - 0.9f * u * u * (3 - 2 * u);
}

// Periodic position along the side: the pattern repeats every `period` pixels.
float phase(float t, int period, int repeats) { return t / float(period) * float(repeats); }

// ---- wood --------------------------------------------------------------------------------

struct WoodTone {
    Vec3 light, dark, pore;
    uint32_t seed;
    float ringDensity;
};

Vec3 woodColor(const WoodTone& tone, float d, float t, int period) {
    // Rings run along the length, bent by low-frequency noise; fibres are long streaks;
    // pores are short dark flecks.
    const float bend = 0.9f * fbm(phase(t, period, 1), d / 60.f, 1, 3, tone.seed) +
                       0.5f * fbm(phase(t, period, 2), d / 25.f, 2, 2, tone.seed + 11);
    const float ring = d * tone.ringDensity + bend;
    float g = 0.5f + 0.5f * std::sin(2 * kPi * ring);
    g = g * g * g * g;
    const float fibre = 0.5f + 0.5f * fbm(phase(t, period, 3), d / 1.6f, 3, 3, tone.seed + 23);
    const float blotch = 0.5f + 0.5f * fbm(phase(t, period, 1), d / 60.f, 1, 2, tone.seed + 37);
    Vec3 c = mix(tone.light, tone.dark, clamp01(0.45f * g + 0.35f * fibre + 0.25f * blotch - 0.12f));
    const float pore = valueNoise(phase(t, period, 16), d / 0.8f, 16, tone.seed + 41);
    if (pore > 0.7f) c = mix(c, tone.pore, clamp01((pore - 0.7f) * 2.5f));
    return c;
}

FrameStyle oak() {
    FrameStyle s;
    s.group = "Wood";
    s.fileStem = "Oak";
    s.width = 140;
    s.period = 160;
    auto h = [](float d, float) {
        return profile(d, {{0, 2}, {5, 9}, {24, 11}, {27, 7}, {31, 9}, {104, 13}, {110, 7}, {116, 9},
                           {122, 4}, {134, 2}, {140, 0}}) +
               0.8f * roll(d, 14, 9);
    };
    const WoodTone tone{rgb(196, 150, 96), rgb(122, 80, 42), rgb(80, 50, 26), 101u, 0.055f};
    s.height = [h](float d, float t) {
        // Open grain: a faint relief along the fibres catches the light.
        return h(d, t) + 0.15f * valueNoise(t / 20.f, d / 1.5f, 8, 7);
    };
    s.material = [tone, P = s.period, h](float d, float t) {
        Material m;
        m.albedo = woodColor(tone, d, t, P);
        if (d > 104 && d < 122) m.albedo = m.albedo * 0.82f;  // darker stain in the step
        m.specular = 0.10f;
        m.shininess = 14.f;
        m.alpha = lipAlpha(d, 140, 7);
        if (d > 133) m.albedo = m.albedo * 0.7f;
        (void)h;
        return m;
    };
    return s;
}

FrameStyle walnut() {
    FrameStyle s;
    s.group = "Wood";
    s.fileStem = "Walnut";
    s.width = 180;
    s.period = 160;
    auto h = [](float d) {
        float v;
        if (d < 40) v = profile(d, {{0, 4}, {6, 16}, {40, 22}}) + 0.6f * roll(d, 20, 14);
        else if (d < 120) v = cove(d, 40, 120, 22, 6);
        else v = profile(d, {{120, 6}, {150, 8}, {160, 4}, {172, 2}, {180, 0}});
        return v + 0.9f * roll(d, 140, 8);
    };
    const WoodTone tone{rgb(128, 86, 56), rgb(58, 36, 22), rgb(34, 20, 12), 202u, 0.045f};
    s.height = [h](float d, float t) { return h(d) + 0.12f * valueNoise(t / 20.f, d / 1.5f, 8, 9); };
    s.material = [tone, P = s.period](float d, float t) {
        Material m;
        m.albedo = woodColor(tone, d, t, P);
        // A lighter bead and a polished cove give the profile depth.
        if (d > 132 && d < 148) m.albedo = m.albedo * 1.25f;
        m.specular = 0.22f;
        m.shininess = 30.f;
        m.alpha = lipAlpha(d, 180, 8);
        if (d > 170) m.albedo = m.albedo * 0.75f;
        return m;
    };
    return s;
}

FrameStyle maple() {
    FrameStyle s;
    s.group = "Wood";
    s.fileStem = "Maple_light";  // frame name "Maple": the name ends at the first underscore
    s.width = 120;
    s.period = 128;
    auto h = [](float d) {
        return profile(d, {{0, 0}, {10, 10}, {86, 12}, {92, 8}, {104, 8}, {110, 3}, {120, 1}}) +
               0.5f * roll(d, 98, 5);
    };
    const WoodTone tone{rgb(232, 204, 160), rgb(196, 156, 104), rgb(170, 130, 86), 303u, 0.035f};
    s.height = [h](float d, float t) { return h(d) + 0.08f * valueNoise(t / 16.f, d / 1.5f, 8, 5); };
    s.material = [tone, P = s.period](float d, float t) {
        Material m;
        m.albedo = woodColor(tone, d, t, P);
        m.specular = 0.14f;
        m.shininess = 22.f;
        m.alpha = lipAlpha(d, 120, 6);
        if (d > 114) m.albedo = m.albedo * 0.8f;
        return m;
    };
    return s;
}

// ---- gilding -------------------------------------------------------------------------------

Vec3 goldColor(float d, float t, int period, float height, uint32_t seed) {
    const Vec3 gold = rgb(214, 168, 78), deep = rgb(120, 82, 30), bole = rgb(140, 62, 40);
    // Recesses hold darker patina; worn high points let the red bole show through.
    const float wear = 0.5f + 0.5f * fbm(phase(t, period, 3), d / 25.f, 3, 4, seed);
    Vec3 c = mix(deep, gold, clamp01(0.35f + height / 30.f + 0.25f * (wear - 0.5f)));
    const float rub = fbm(phase(t, period, 6), d / 6.f, 6, 3, seed + 5);
    if (height > 14 && rub > 0.35f) c = mix(c, bole, clamp01((rub - 0.35f) * 1.6f));
    return c;
}

Material goldMaterial(Vec3 albedo) {
    Material m;
    m.albedo = albedo;
    m.specular = 0.85f;
    m.shininess = 18.f;
    m.specColor = rgb(255, 236, 170);
    return m;
}

FrameStyle baroque() {
    FrameStyle s;
    s.group = "Gilded";
    s.fileStem = "Baroque";
    s.width = 220;
    s.period = 120;
    const int P = s.period;
    auto h = [P](float d, float t) {
        float v = 0;
        if (d < 34) {
            v = profile(d, {{0, 4}, {6, 14}, {34, 16}}) + 0.8f * roll(d, 18, 13);
            // A twisted ribbon on the outer roll.
            v += 1.5f * std::sin(2 * kPi * (phase(t, P, 8) + d / 14.f));
        } else if (d < 52) {
            // Pearl beads, ten per piece.
            const float u = fract(phase(t, P, 10)) * 12.f - 6.f;
            const float r2 = 36.f - (u * u + (d - 43) * (d - 43));
            v = 10.f + (r2 > 0 ? std::sqrt(r2) * 1.3f : 0.f);
        } else if (d < 60) {
            v = 10.f;
        } else if (d < 142) {
            // Acanthus band: leaves curling along the side, highest in the middle of the band.
            const float band = std::sin(kPi * (d - 60) / 82.f);
            const float leaf = 0.5f + 0.5f * std::cos(2 * kPi * (phase(t, P, 2) + 0.35f * std::sin(kPi * (d - 60) / 41.f)));
            const float vein = 0.5f + 0.5f * std::cos(2 * kPi * phase(t, P, 12) + (d - 60) * 0.15f);
            v = 12.f + band * (10.f * leaf + 2.5f * vein * leaf);
        } else if (d < 150) {
            const float u = fract(phase(t, P, 15)) * 8.f - 4.f;
            const float r2 = 12.f - (u * u + (d - 146) * (d - 146));
            v = 10.f + (r2 > 0 ? std::sqrt(r2) * 1.2f : 0.f);
        } else if (d < 200) {
            v = cove(d, 150, 200, 10, 3);
        } else {
            v = profile(d, {{200, 3}, {212, 5}, {220, 0}}) + 0.7f * roll(d, 206, 5);
        }
        return v;
    };
    s.height = h;
    s.material = [h, P](float d, float t) {
        Material m = goldMaterial(goldColor(d, t, P, h(d, t), 404u));
        if (d >= 52 && d < 60) m.albedo = m.albedo * 0.55f;    // shadowed channel
        if (d >= 150 && d < 200) {                              // sanded gold in the cove
            const float grit = valueNoise(phase(t, P, 40), d / 1.2f, 40, 77);
            m.albedo = m.albedo * (0.92f + 0.08f * grit);
            m.shininess = 10.f;
            m.specular = 0.5f;
        }
        m.alpha = lipAlpha(d, 220, 8);
        if (d > 212) m.albedo = m.albedo * 0.7f;
        return m;
    };
    return s;
}

FrameStyle antique() {
    FrameStyle s;
    s.group = "Gilded";
    s.fileStem = "Antique";
    s.width = 240;
    s.period = 120;
    const int P = s.period;
    auto h = [](float d, float t) {
        (void)t;
        if (d < 130)
            return profile(d, {{0, 3}, {5, 16}, {30, 20}, {100, 14}, {118, 16}, {130, 8}}) +
                   0.9f * roll(d, 16, 10) + 0.7f * roll(d, 116, 7);
        if (d < 140) return profile(d, {{130, 8}, {140, 4}});
        if (d < 222) return 4.f - (d - 140) * 0.03f;  // linen liner, sloping gently inwards
        return profile(d, {{222, 1.5f}, {228, 5}, {234, 2}, {240, 0}});
    };
    s.height = [h, P](float d, float t) {
        float v = h(d, t);
        if (d >= 140 && d < 222) {
            // Weave of the linen.
            v += 0.2f * std::sin(2 * kPi * phase(t, P, 40)) * std::sin(2 * kPi * d / 3.f);
        }
        return v;
    };
    s.material = [h, P](float d, float t) {
        Material m;
        if (d >= 140 && d < 222) {
            const float thread = 0.5f + 0.5f * fbm(phase(t, P, 30), d / 1.0f, 30, 2, 91);
            const float slub = 0.5f + 0.5f * fbm(phase(t, P, 4), d / 12.f, 4, 2, 93);
            m.albedo = mix(rgb(214, 204, 182), rgb(238, 230, 212), clamp01(0.6f * thread + 0.4f * slub));
            m.specular = 0.02f;
            m.shininess = 6.f;
            // The liner sits below the gold: darker close to the step.
            if (d < 150) m.albedo = m.albedo * (0.7f + 0.03f * (d - 140));
        } else {
            m = goldMaterial(goldColor(d, t, P, h(d, t), 505u) * 0.92f);
            if (d >= 30 && d < 100) {
                // Gesso punchwork pattern on the flat.
                const float dots = std::sin(2 * kPi * phase(t, P, 20)) * std::sin(2 * kPi * (d - 30) / 6.f);
                if (dots > 0.7f) m.albedo = m.albedo * 0.7f;
            }
        }
        m.alpha = lipAlpha(d, 240, 7);
        if (d > 234) m.albedo = m.albedo * 0.7f;
        return m;
    };
    return s;
}

// ---- modern --------------------------------------------------------------------------------

FrameStyle blackSatin() {
    FrameStyle s;
    s.group = "Modern";
    s.fileStem = "Black";
    s.width = 80;
    s.period = 96;
    s.height = [](float d, float) {
        return profile(d, {{0, 0}, {8, 10}, {62, 11}, {70, 6}, {74, 4}, {80, 0}});
    };
    s.material = [P = s.period](float d, float t) {
        Material m;
        const float n = fbm(phase(t, P, 6), d / 8.f, 6, 2, 606);
        m.albedo = rgb(24, 24, 26) * (1.f + 0.08f * n);
        m.specular = 0.30f;
        m.shininess = 36.f;
        m.alpha = lipAlpha(d, 80, 5);
        return m;
    };
    return s;
}

FrameStyle aluminium() {
    FrameStyle s;
    s.group = "Modern";
    s.fileStem = "Aluminium";
    s.width = 64;
    s.period = 96;
    s.height = [](float d, float) {
        return profile(d, {{0, 0}, {6, 9}, {50, 9}, {56, 4}, {64, 0}});
    };
    s.material = [P = s.period](float d, float t) {
        Material m;
        // Brushed along the length.
        const float brush = fbm(phase(t, P, 2), d / 0.7f, 2, 3, 707);
        m.albedo = rgb(138, 142, 150) * (1.f + 0.12f * brush);
        m.specular = 0.55f;
        m.shininess = 12.f;
        m.specColor = rgb(240, 244, 250);
        m.alpha = lipAlpha(d, 64, 5);
        return m;
    };
    return s;
}

FrameStyle whiteGloss() {
    FrameStyle s;
    s.group = "Modern";
    s.fileStem = "White";
    s.width = 100;
    s.period = 96;
    s.height = [](float d, float) {
        if (d < 20) return profile(d, {{0, 0}, {4, 12}, {20, 16}});
        if (d < 84) return cove(d, 20, 84, 16, 4);
        return profile(d, {{84, 4}, {92, 6}, {100, 0}});
    };
    s.material = [P = s.period](float d, float t) {
        Material m;
        const float n = fbm(phase(t, P, 3), d / 20.f, 3, 2, 808);
        m.albedo = rgb(236, 234, 228) * (1.f + 0.02f * n);
        m.specular = 0.25f;
        m.shininess = 40.f;
        m.alpha = lipAlpha(d, 100, 6);
        return m;
    };
    return s;
}

} // namespace

std::vector<FrameStyle> frameStyles() {
    return {oak(), walnut(), maple(), baroque(), antique(), blackSatin(), aluminium(), whiteGloss()};
}

} // namespace framegen

#pragma once
// Shared pieces of the starter-library generator: deterministic noise, a small float colour
// type, the frame styles and the landscape painter. Everything here is a pure function of its
// arguments and fixed seeds, so every build draws the same library.
#include "imaging/image.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace framegen {

struct Vec3 {
    float r = 0, g = 0, b = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Vec3 operator*(Vec3 a, Vec3 b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Vec3 mix(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }
inline Vec3 rgb(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f}; }

inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline float fract(float x) { return x - std::floor(x); }

// Value noise in [-1, 1]. When periodU > 0 the lattice wraps every periodU cells along u, so
// the pattern repeats exactly: edge pieces built on it tile without a seam.
float valueNoise(float u, float v, int periodU, uint32_t seed);
// Sum of `octaves` value-noise layers, each twice the frequency (and period) of the last.
float fbm(float u, float v, int periodU, int octaves, uint32_t seed);

// What the surface of a frame looks like at one point of its cross-section. d is the distance
// inward from the frame's outer edge, t the position along the side, both in pixels of the
// 300 dpi drawing.
struct Material {
    Vec3 albedo;
    float specular = 0.1f;
    float shininess = 16.f;
    Vec3 specColor{1, 1, 1};
    float alpha = 1.f;
};

struct FrameStyle {
    std::string group;
    std::string fileStem;  // thumbnail stem; the frame name is its text before the first '_'
    int width = 0;         // frame width at 300 dpi (corner size)
    int period = 0;        // edge piece length at 300 dpi; the pattern repeats with it
    std::function<float(float d, float t)> height;
    std::function<Material(float d, float t)> material;
};

std::vector<FrameStyle> frameStyles();

// Side of the frame a point belongs to; decides how the cross-section's slopes face the light.
enum class Side { Top, Left, Right, Bottom };

// Shaded colour (straight alpha, 0..1) of a frame point.
struct Shaded {
    Vec3 color;
    float alpha;
};
Shaded shadeFramePoint(const FrameStyle& style, Side side, float d, float t);

// The eight pieces at 300 dpi, in the order 01 02 03 04 06 07 08 09.
std::vector<mw::Image> renderPieces(const FrameStyle& style);
// Halves an RGBA image (2 x 2 box, alpha-weighted colour).
mw::Image halve(const mw::Image& src);
// A small picture of the frame around a landscape, flattened onto white.
mw::Image renderThumbnail(const FrameStyle& style, int size);

// A photo-like landscape (sky, sun, clouds, hills, lake, meadow, grain) of any size.
mw::Image renderLandscape(int width, int height);

} // namespace framegen

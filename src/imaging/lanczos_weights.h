#pragma once
// Lanczos-3 weights and the column pass shared by the whole-image resample and the region
// resample, so both give the same pixels.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace mw::detail {

// Weights are 14-bit fixed point: plenty for 8-bit output and small enough that a sum over the
// widest kernel of 255 * weight stays far inside 32 bits.
constexpr int kLanczosWeightBits = 14;
constexpr int32_t kLanczosOne = 1 << kLanczosWeightBits;

// Taps of one output position: `count` source indices from `first`, their weights at
// weights[offset .. offset + count).
struct LanczosTaps {
    int first = 0;
    int count = 0;
    size_t offset = 0;
};

struct LanczosWeights {
    std::vector<LanczosTaps> taps;
    std::vector<int16_t> weights;
    int maxCount = 0;
};

// Weights for mapping `inSize` samples onto `outSize`. When shrinking, the kernel is stretched
// by the factor so every source sample contributes (antialiasing). Taps that fall outside the
// source are dropped and the rest renormalised; the fixed-point weights are then nudged so
// they sum to exactly kLanczosOne, which keeps a constant signal exactly constant.
LanczosWeights makeLanczos3Weights(int inSize, int outSize);

// The horizontal pass over one row, with the layout the vector code reads when the row is wide
// enough: the weights of makeLanczos3Weights, the same pixels either way.
struct LanczosRowFilter;
std::shared_ptr<const LanczosRowFilter> makeLanczosRowFilter(int inSize, int outSize);
// The source pixels [first, last) that outputs [o0, o1) read.
std::pair<int, int> rowFilterSpan(const LanczosRowFilter& f, int o0, int o1);
// Outputs [o0, o1) of a row into out[0 ..); `in` holds the source pixels from `inFirst` on
// (at least rowFilterSpan's).
void filterRowRange(const LanczosRowFilter& f, const uint8_t* in, int inFirst, uint8_t* out, int o0, int o1);

// One output row from `count` input rows and their weights (`rows` are bytes of equal length):
// sums rounded and clamped to 8 bits, vectorised where the processor allows.
void filterColumnRows(const uint8_t* const* rows, const int16_t* w, int count, uint8_t* out, size_t bytes);

} // namespace mw::detail

#include "imaging/resample.h"

#include "imaging/lanczos_weights.h"

#include "imaging/parallel.h"
#include "imaging/status.h"

#include <algorithm>
#include <climits>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MW_RESAMPLE_AVX2 1
#endif

namespace mw {

namespace {

constexpr int kWeightBits = detail::kLanczosWeightBits;
constexpr int32_t kOne = detail::kLanczosOne;
using Taps = detail::LanczosTaps;

struct Filter : detail::LanczosWeights {
    // The same taps for the vector row filter: every output reads `blockTaps` (a multiple of
    // 4) source pixels from blockFirst[i], all inside the row, weights laid out per group of
    // four taps as w0 w1 w0 w1 w0 w1 w0 w1 w2 w3 w2 w3 w2 w3 w2 w3 (the pmaddwd pairing).
    int blockTaps = 0;
    std::vector<int> blockFirst;
    std::vector<int16_t> blockWeights;
};

// Fills the vector layout when the row is wide enough to hold a whole block of taps.
void makeBlocks(Filter& f, int inSize)
{
    const int k = (f.maxCount + 3) / 4 * 4;
    if (k > inSize)
        return;
    f.blockTaps = k;
    f.blockFirst.resize(f.taps.size());
    f.blockWeights.assign(f.taps.size() * size_t(k) * 4, 0);
    std::vector<int16_t> w(static_cast<size_t>(k));
    for (size_t i = 0; i < f.taps.size(); ++i) {
        const Taps& t = f.taps[i];
        const int first = std::clamp(t.first, 0, inSize - k);
        std::fill(w.begin(), w.end(), int16_t(0));
        for (int j = 0; j < t.count; ++j)
            w[size_t(t.first - first + j)] = f.weights[t.offset + size_t(j)];
        f.blockFirst[i] = first;
        int16_t* out = f.blockWeights.data() + i * size_t(k) * 4;
        for (int g = 0; g < k; g += 4)
            for (int half = 0; half < 2; ++half)
                for (int c = 0; c < 4; ++c) {
                    *out++ = w[size_t(g + 2 * half)];
                    *out++ = w[size_t(g + 2 * half + 1)];
                }
    }
}

Filter makeFilter(int inSize, int outSize)
{
    Filter f;
    static_cast<detail::LanczosWeights&>(f) = detail::makeLanczos3Weights(inSize, outSize);
    return f;
}

inline uint8_t clampRound(int32_t acc)
{
    acc = (acc + (1 << (kWeightBits - 1))) >> kWeightBits;
    return uint8_t(std::clamp(acc, 0, 255));
}

#ifdef MW_RESAMPLE_AVX2
std::atomic<bool> g_simdAllowed{true};

bool haveAvx2()
{
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes && g_simdAllowed.load(std::memory_order_relaxed);
}
#endif

#ifdef MW_RESAMPLE_AVX2
// Outputs [o0, o1) of a row whose pixel `inFirst` is at `in`, four taps per step: 4 pixels
// widened to 16 bits, reordered so each 32-bit pair holds one channel of two neighbouring
// pixels, multiplied and pair-summed by vpmaddwd against the matching weight pair.
__attribute__((target("avx2"))) void filterRangeAvx2(const uint8_t* in, int inFirst, uint8_t* out, int o0, int o1,
                                                     const Filter& f)
{
    const __m256i order = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                           0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m128i half = _mm_set1_epi32(1 << (kWeightBits - 1));
    const int groups = f.blockTaps / 4;
    for (int i = o0; i < o1; ++i, out += 4) {
        const uint8_t* p = in + ptrdiff_t(f.blockFirst[size_t(i)] - inFirst) * 4;
        const int16_t* w = f.blockWeights.data() + size_t(i) * size_t(f.blockTaps) * 4;
        __m256i acc = _mm256_setzero_si256();
        for (int g = 0; g < groups; ++g, p += 16, w += 16) {
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m256i wide = _mm256_shuffle_epi8(_mm256_cvtepu8_epi16(px), order);
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(wide, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w))));
        }
        __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        sum = _mm_srai_epi32(_mm_add_epi32(sum, half), kWeightBits);
        sum = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
        const uint32_t v = uint32_t(_mm_cvtsi128_si32(sum));
        std::memcpy(out, &v, 4);
    }
}
#endif

void filterRange(const uint8_t* in, int inFirst, uint8_t* out, int o0, int o1, const Filter& f)
{
#ifdef MW_RESAMPLE_AVX2
    if (f.blockTaps > 0 && haveAvx2()) {
        filterRangeAvx2(in, inFirst, out, o0, o1, f);
        return;
    }
#endif
    const int16_t* weights = f.weights.data();
    for (int i = o0; i < o1; ++i, out += 4) {
        const Taps& t = f.taps[size_t(i)];
        const uint8_t* p = in + ptrdiff_t(t.first - inFirst) * 4;
        const int16_t* w = weights + t.offset;
        int32_t r = 0, g = 0, b = 0, a = 0;
        for (int k = 0; k < t.count; ++k, p += 4) {
            const int32_t wk = w[k];
            r += wk * p[0];
            g += wk * p[1];
            b += wk * p[2];
            a += wk * p[3];
        }
        out[0] = clampRound(r);
        out[1] = clampRound(g);
        out[2] = clampRound(b);
        out[3] = clampRound(a);
    }
}

// One row filtered horizontally: RGBA in, RGBA out.
void filterRow(const uint8_t* in, uint8_t* out, const Filter& f)
{
    filterRange(in, 0, out, 0, int(f.taps.size()), f);
}

#ifdef MW_RESAMPLE_AVX2
// Two rows per step: their bytes interleaved and widened to 16 bits, so vpmaddwd multiplies
// each by its row's weight and adds the pair. 16 output bytes per block.
__attribute__((target("avx2"))) size_t filterColumnAvx2(const uint8_t* const* rows, const int16_t* w, int count,
                                                       uint8_t* out, size_t bytes)
{
    const __m256i half = _mm256_set1_epi32(1 << (kWeightBits - 1));
    const __m128i zero = _mm_setzero_si128();
    size_t x = 0;
    for (; x + 16 <= bytes; x += 16) {
        __m256i acc0 = half, acc1 = half;
        for (int k = 0; k < count; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
            const bool pair = k + 1 < count;
            const __m128i b = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x)) : zero;
            const uint32_t w0 = uint16_t(w[k]), w1 = pair ? uint16_t(w[k + 1]) : 0u;
            const __m256i wpair = _mm256_set1_epi32(int(w0 | (w1 << 16)));
            const __m256i lo = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b));
            const __m256i hi = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b));
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(lo, wpair));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(hi, wpair));
        }
        acc0 = _mm256_srai_epi32(acc0, kWeightBits);
        acc1 = _mm256_srai_epi32(acc1, kWeightBits);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(acc0, acc1), 0xD8);
        const __m128i bytes8 = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), bytes8);
    }
    return x;
}
#endif

} // namespace

namespace detail {

struct LanczosRowFilter : Filter {};

std::shared_ptr<const LanczosRowFilter> makeLanczosRowFilter(int inSize, int outSize)
{
    auto f = std::make_shared<LanczosRowFilter>();
    static_cast<Filter&>(*f) = makeFilter(inSize, outSize);
    makeBlocks(*f, inSize);
    return f;
}

std::pair<int, int> rowFilterSpan(const LanczosRowFilter& f, int o0, int o1)
{
    int lo = INT32_MAX, hi = INT32_MIN;
    for (int i = o0; i < o1; ++i) {
        const Taps& t = f.taps[size_t(i)];
        lo = std::min(lo, t.first);
        hi = std::max(hi, t.first + t.count);
        if (f.blockTaps > 0) {  // the vector code reads whole blocks, zero weights included
            lo = std::min(lo, f.blockFirst[size_t(i)]);
            hi = std::max(hi, f.blockFirst[size_t(i)] + f.blockTaps);
        }
    }
    return {lo, hi};
}

void filterRowRange(const LanczosRowFilter& f, const uint8_t* in, int inFirst, uint8_t* out, int o0, int o1)
{
    filterRange(in, inFirst, out, o0, o1, f);
}

void filterColumnRows(const uint8_t* const* rows, const int16_t* w, int count, uint8_t* out, size_t bytes)
{
    size_t done = 0;
#ifdef MW_RESAMPLE_AVX2
    if (haveAvx2())
        done = filterColumnAvx2(rows, w, count, out, bytes);
#endif
    // Blocks keep the accumulators in registers / L1 and let the compiler vectorise the
    // inner loop over bytes.
    constexpr size_t kBlock = 256;
    int32_t acc[kBlock];
    for (size_t x0 = done; x0 < bytes; x0 += kBlock) {
        const size_t n = std::min(kBlock, bytes - x0);
        {
            const uint8_t* r = rows[0] + x0;
            const int32_t wk = w[0];
            for (size_t x = 0; x < n; ++x)
                acc[x] = wk * r[x] + (1 << (kWeightBits - 1));
        }
        for (int k = 1; k < count; ++k) {
            const uint8_t* r = rows[k] + x0;
            const int32_t wk = w[k];
            for (size_t x = 0; x < n; ++x)
                acc[x] += wk * r[x];
        }
        uint8_t* o = out + x0;
        for (size_t x = 0; x < n; ++x)
            o[x] = uint8_t(std::clamp(acc[x] >> kWeightBits, 0, 255));
    }
}

} // namespace detail

namespace {

} // namespace

namespace detail {
void setResampleSimd(bool allowed)
{
#ifdef MW_RESAMPLE_AVX2
    g_simdAllowed = allowed;
#else
    (void)allowed;
#endif
}
} // namespace detail

Image resampleLanczos3(const Image& src, int newWidth, int newHeight, const ProgressFn& progress)
{
    if (src.isEmpty())
        throw Error("Cannot resample an empty image");
    if (newHeight == -1 && newWidth > 0)
        newHeight = std::max<int64_t>(1, int64_t(newWidth) * src.height() / src.width());
    if (newWidth <= 0 || newHeight <= 0)
        throw Error("Cannot resample to " + std::to_string(newWidth) + " x " + std::to_string(newHeight) +
                    " pixels");
    if (auto why = checkImageSize(newWidth, newHeight))
        throw Error("Cannot resample: " + *why);
    if (newWidth == src.width() && newHeight == src.height())
        return src;

    const int srcW = src.width();
    const int srcH = src.height();
    Image dst(newWidth, newHeight, src.hasAlpha());
    dst.setBitsPerPixel(src.bitsPerPixel());

    const bool doH = newWidth != srcW;
    const bool doV = newHeight != srcH;
    Filter fh = doH ? makeFilter(srcW, newWidth) : Filter{};
    if (doH)
        makeBlocks(fh, srcW);
    const Filter fv = doV ? makeFilter(srcH, newHeight) : Filter{};
    const size_t outBytes = size_t(newWidth) * 4;

    // Progress is told only from the calling thread (the first band), which keeps the
    // callback on the thread that asked for the work.
    auto report = [&](int y0, int y, int y1) {
        if (progress && y0 == 0)
            progress(int(int64_t(y - y0) * 100 / std::max(1, y1 - y0)));
    };

    // Each worker owns a band of output rows and a small ring of horizontally filtered source
    // rows, so the intermediate never exists as a whole image and stays in cache.
    parallelFor(0, newHeight, [&](int y0, int y1) {
        if (!doV) {
            for (int y = y0; y < y1; ++y) {
                filterRow(src.row(y), dst.row(y), fh);
                if ((y & 63) == 0)
                    report(y0, y, y1);
            }
            return;
        }
        const int ring = fv.maxCount;
        std::vector<uint8_t> cache(doH ? size_t(ring) * outBytes : 0);
        std::vector<int> cachedRow(size_t(ring), -1);
        std::vector<const uint8_t*> rows(static_cast<size_t>(ring));
        for (int y = y0; y < y1; ++y) {
            const Taps& t = fv.taps[size_t(y)];
            for (int k = 0; k < t.count; ++k) {
                const int sy = t.first + k;
                if (!doH) {
                    rows[size_t(k)] = src.row(sy);
                    continue;
                }
                const size_t slot = size_t(sy % ring);
                uint8_t* line = cache.data() + slot * outBytes;
                if (cachedRow[slot] != sy) {
                    filterRow(src.row(sy), line, fh);
                    cachedRow[slot] = sy;
                }
                rows[size_t(k)] = line;
            }
            detail::filterColumnRows(rows.data(), fv.weights.data() + t.offset, t.count, dst.row(y), outBytes);
            if ((y & 63) == 0)
                report(y0, y, y1);
        }
    }, 8);
    if (progress)
        progress(100);
    return dst;
}

struct Lanczos3RowStream::Filters {
    Filter h, v;
    bool doH = false, doV = false;
};

Lanczos3RowStream::Lanczos3RowStream(int srcW, int srcH, int dstW, int dstH)
    : m_filters(std::make_unique<Filters>()), m_srcW(srcW), m_srcH(srcH), m_dstW(dstW), m_dstH(dstH)
{
    if (srcW <= 0 || srcH <= 0)
        throw Error("Cannot resample an empty image");
    if (dstW <= 0 || dstH <= 0)
        throw Error("Cannot resample to " + std::to_string(dstW) + " x " + std::to_string(dstH) + " pixels");
    if (auto why = checkImageSize(dstW, dstH))
        throw Error("Cannot resample: " + *why);
    Filters& f = *m_filters;
    f.doH = dstW != srcW;
    f.doV = dstH != srcH;
    if (f.doH) {
        f.h = makeFilter(srcW, dstW);
        makeBlocks(f.h, srcW);
    }
    if (f.doV) {
        f.v = makeFilter(srcH, dstH);
        m_ring = f.v.maxCount;
    }
    m_rows.resize(size_t(m_ring) * size_t(dstW) * 4);
}

Lanczos3RowStream::~Lanczos3RowStream() = default;

int Lanczos3RowStream::sourceRowsFor(int y) const
{
    if (!m_filters->doV)
        return y + 1;
    const Taps& t = m_filters->v.taps[size_t(y)];
    return t.first + t.count;
}

void Lanczos3RowStream::takeSourceRow(const uint8_t* row)
{
    if (m_taken >= m_srcH)
        throw Error("More source rows than the picture has");
    uint8_t* slot = m_rows.data() + size_t(m_taken % m_ring) * size_t(m_dstW) * 4;
    if (m_filters->doH)
        filterRow(row, slot, m_filters->h);
    else
        std::memcpy(slot, row, size_t(m_dstW) * 4);
    ++m_taken;
}

void Lanczos3RowStream::outputRow(int y, uint8_t* out)
{
    if (y < 0 || y >= m_dstH || sourceRowsFor(y) > m_taken)
        throw Error("The resample's source rows for row " + std::to_string(y) + " are not all there");
    const size_t bytes = size_t(m_dstW) * 4;
    if (!m_filters->doV) {
        if (y < m_taken - m_ring)
            throw Error("The resample's source rows for row " + std::to_string(y) + " are gone");
        std::memcpy(out, m_rows.data() + size_t(y % m_ring) * bytes, bytes);
        return;
    }
    const Taps& t = m_filters->v.taps[size_t(y)];
    // A row taken more than a ring ago has been overwritten: asked for too late.
    if (t.first < m_taken - m_ring)
        throw Error("The resample's source rows for row " + std::to_string(y) + " are gone");
    const uint8_t* rows[64];
    std::vector<const uint8_t*> many;
    const uint8_t** r = rows;
    if (t.count > 64) {
        many.resize(size_t(t.count));
        r = many.data();
    }
    for (int k = 0; k < t.count; ++k)
        r[k] = m_rows.data() + size_t((t.first + k) % m_ring) * bytes;
    detail::filterColumnRows(r, m_filters->v.weights.data() + t.offset, t.count, out, bytes);
}

} // namespace mw

// JPEG decode and encode of a 24-megapixel photo-like picture (6000 x 4000): the round trip
// every framed photo goes through, and the floor under the whole program's speed.
//
// The picture is smooth gradients with noise, so the entropy coder has real work to do (a flat
// image would flatter both directions). It is built once and shared by every benchmark.
#include "imaging/codecs/codec.h"
#include "imaging/image.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const mw::Image& photo()
{
    static const mw::Image image = [] {
        mw::Image img(kWidth, kHeight);
        uint32_t seed = 2024;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* p = img.row(y);
            for (int x = 0; x < kWidth; ++x, p += 4) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int((seed >> 24) & 15) - 8;
                const double wave = 40.0 * std::sin(x * 0.004) * std::cos(y * 0.006);
                auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
                p[0] = clamp(60 + 150.0 * x / kWidth + wave + noise);
                p[1] = clamp(40 + 170.0 * y / kHeight - wave + noise);
                p[2] = clamp(128 + 80.0 * std::sin((x + y) * 0.002) + noise);
                p[3] = 255;
            }
        }
        return img;
    }();
    return image;
}

const std::vector<uint8_t>& photoJpeg()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> out;
        if (!mw::codecs::encodeJpeg(photo(), out, 90))
            std::abort();
        // Lets the same file be timed with the command-line tools for comparison.
        if (const char* path = std::getenv("MW_BENCH_JPEG_OUT")) {
            if (FILE* f = std::fopen(path, "wb")) {
                std::fwrite(out.data(), 1, out.size(), f);
                std::fclose(f);
            }
        }
        return out;
    }();
    return bytes;
}

void BM_JpegDecode_6000x4000(benchmark::State& state)
{
    const std::vector<uint8_t>& file = photoJpeg();
    for (auto _ : state) {
        mw::Image img;
        mw::codecs::DecodeExtras extras;
        if (!mw::codecs::decodeJpeg(file, img, extras)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(img.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
    state.counters["file_MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_JpegDecode_6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegEncode_6000x4000_q90(benchmark::State& state)
{
    const mw::Image& img = photo();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!mw::codecs::encodeJpeg(img, out, 90)) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_JpegEncode_6000x4000_q90)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

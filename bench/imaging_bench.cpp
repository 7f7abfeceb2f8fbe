// Imaging kernels on a 24-megapixel (6000 x 4000) RGBA picture, the size of a typical camera
// photo. bench/compare_imaging.sh runs the same operations with other tools for comparison.
#include "imaging/canvas.h"
#include "imaging/layers.h"
#include "imaging/parallel.h"
#include "imaging/resample.h"
#include "imaging/soft_shadow.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using mw::Image;
using mw::Rgba;

constexpr int kW = 6000;
constexpr int kH = 4000;

// Smooth gradients with a little deterministic noise: photo-like, not compressible to nothing.
Image photo(int w, int h)
{
    Image img(w, h, true);
    mw::parallelFor(0, h, [&](int b, int e) {
        for (int y = b; y < e; ++y) {
            uint8_t* p = img.row(y);
            uint32_t seed = uint32_t(y) * 2654435761u;
            for (int x = 0; x < w; ++x, p += 4) {
                seed = seed * 1664525u + 1013904223u;
                const int n = int(seed >> 29);
                p[0] = uint8_t((x * 255 / w + n) & 255);
                p[1] = uint8_t((y * 255 / h + n) & 255);
                p[2] = uint8_t(((x + y) / 64 * 37 + n) & 255);
                p[3] = 255;
            }
        }
    });
    return img;
}

// A frame layer: an opaque border 300 pixels wide with a soft inner lip, and a transparent
// opening.
Image frameLayer(int w, int h)
{
    Image img(w, h, true, Rgba{192, 220, 192, 0});
    const int border = 300;
    mw::parallelFor(0, h, [&](int b, int e) {
        for (int y = b; y < e; ++y)
            for (int x = 0; x < w; ++x) {
                const int d = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
                if (d < border)
                    img.setPixel(x, y, Rgba{uint8_t(120 + (x * 7 + y) % 40), 80, 40, 255});
                else if (d < border + 4)
                    img.setPixel(x, y, Rgba{200, 180, 90, uint8_t(255 - (d - border) * 60)});
            }
    });
    return img;
}

void BM_Lanczos3_6010x4010_to_6000x4000(benchmark::State& state)
{
    const Image src = photo(kW + 10, kH + 10);
    for (auto _ : state) {
        Image out = mw::resampleLanczos3(src, kW, kH);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_Lanczos3_6010x4010_to_6000x4000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The drop shadow of a framed photo: radius 4, offsets (5, 5), enlarged, intensity 90.
void BM_SoftShadow_DropShadow_r4_enlarge(benchmark::State& state)
{
    const Image src = photo(kW, kH);
    const mw::SoftShadowParams params{4.0, 5, 5, true, mw::Color{0, 0, 0}, 90};
    for (auto _ : state) {
        state.PauseTiming();
        Image img = src;
        state.ResumeTiming();
        mw::applySoftShadow(img, params);
        benchmark::DoNotOptimize(img.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_SoftShadow_DropShadow_r4_enlarge)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The inner shadow a frame casts into its opening: radius 3, offsets (3, 3), not enlarged.
void BM_SoftShadow_FrameShadow_r3(benchmark::State& state)
{
    const Image src = frameLayer(kW, kH);
    const mw::SoftShadowParams params{3.0, 3, 3, false, mw::Color{0, 0, 0}, 100};
    for (auto _ : state) {
        state.PauseTiming();
        Image img = src;
        state.ResumeTiming();
        mw::applySoftShadow(img, params);
        benchmark::DoNotOptimize(img.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_SoftShadow_FrameShadow_r3)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A frame layer with a transparent opening merged over the photo.
void BM_MergeFrameOverPhoto(benchmark::State& state)
{
    const Image ph = photo(kW, kH);
    const Image fr = frameLayer(kW, kH);
    for (auto _ : state) {
        state.PauseTiming();
        mw::LayeredImage view(mw::Color{255, 255, 255});
        view.layer(0).image = ph;
        view.addLayer(mw::Layer{fr, 0, 0, kW, kH});
        state.ResumeTiming();
        view.mergeLayers(0, 1);
        benchmark::DoNotOptimize(view.layer(0).image.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_MergeFrameOverPhoto)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_FlattenOntoBackground(benchmark::State& state)
{
    Image src = photo(kW, kH);
    mw::paintOver(src, frameLayer(kW, kH), 0, 0);
    for (auto _ : state) {
        Image out = mw::flattenOnto(src, mw::Color{255, 255, 255});
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_FlattenOntoBackground)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

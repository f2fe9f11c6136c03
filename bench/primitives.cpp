// Rectangle fills and blends inside a 1024 x 768 bitmap against memset of the same rows, and the
// dashed outline of a hotspot frame, measured in the same run. Ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "raster/bitmap32.h"

namespace velmora {
namespace {

using bench::RatioReporter;

void Best(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b); }

constexpr int kWidth = 1024, kHeight = 768;
// An unaligned block, as a layer frame or control background would fill.
constexpr int kX1 = 3, kY1 = 5, kX2 = 1021, kY2 = 761;
constexpr size_t kRowBytes = size_t(kX2 - kX1) * sizeof(TColor32);
constexpr int64_t kBlockBytes = int64_t(kRowBytes) * (kY2 - kY1);

TBitmap32& Bitmap() {
    static TBitmap32* b = [] {
        auto* bmp = new TBitmap32;
        bmp->SetDimensions(kWidth, kHeight);
        bmp->FillAll(0xFF808080u);  // warm: first touch of fresh pages is not what is measured
        return bmp;
    }();
    return *b;
}

void BM_FillBlock(benchmark::State& state) {
    TBitmap32& b = Bitmap();
    TColor32 color = 0xFF102030u;
    for (auto _ : state) {
        b.FillBlock(kX1, kY1, kX2, kY2, color);
        benchmark::DoNotOptimize(b.PixelData());
        benchmark::ClobberMemory();
        color ^= 0x00010101u;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBlockBytes);
}

void BM_MemsetRows(benchmark::State& state) {
    TBitmap32& b = Bitmap();
    int value = 0x30;
    for (auto _ : state) {
        for (int y = kY1; y < kY2; ++y) std::memset(b.PixelAddress(kX1, y), value, kRowBytes);
        benchmark::DoNotOptimize(b.PixelData());
        benchmark::ClobberMemory();
        value ^= 1;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBlockBytes);
}

void BM_BlendBlock(benchmark::State& state) {
    TBitmap32& b = Bitmap();
    b.FillAll(0xFF808080u);
    for (auto _ : state) {
        b.BlendBlock(kX1, kY1, kX2, kY2, 0x80FF0000u);
        benchmark::DoNotOptimize(b.PixelData());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBlockBytes);
}

// A hotspot frame as the editor draws it: pattern restarted, then the closed outline.
void BM_DashedOutline(benchmark::State& state) {
    TBitmap32& b = Bitmap();
    const TArrayOfColor32 pattern = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
    for (auto _ : state) {
        b.SetDashPattern(pattern);
        b.DashedOutlineRect(100, 100, 700, 500);
        benchmark::DoNotOptimize(b.PixelData());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_FillBlock)->Apply(Best);
BENCHMARK(BM_MemsetRows)->Apply(Best);
BENCHMARK(BM_BlendBlock)->Apply(Best);
BENCHMARK(BM_DashedOutline)->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::bench::RunBenchmarks(
        argc, argv,
        {{"FillBlock 1018x756 / memset of its rows", "BM_FillBlock", "BM_MemsetRows"},
         {"BlendBlock alpha 128 / memset of its rows", "BM_BlendBlock", "BM_MemsetRows"}});
}

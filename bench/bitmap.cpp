// Whole-bitmap fill of a 1024 x 768 bitmap against memset of the same bytes, measured in the same run.
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
constexpr size_t kBytes = size_t(kWidth) * kHeight * sizeof(TColor32);

void BM_FillAll(benchmark::State& state) {
    TBitmap32 b;
    b.SetDimensions(kWidth, kHeight);
    b.FillAll(0);  // warm: first touch of fresh pages is not what is measured
    TColor32 color = 0xFF102030u;
    for (auto _ : state) {
        b.FillAll(color);
        benchmark::DoNotOptimize(b.PixelData());
        benchmark::ClobberMemory();
        color ^= 0x00010101u;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

void BM_Memset(benchmark::State& state) {
    auto* p = static_cast<unsigned char*>(std::aligned_alloc(64, kBytes));
    std::memset(p, 0, kBytes);
    int value = 0x30;
    for (auto _ : state) {
        std::memset(p, value, kBytes);
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
        value ^= 1;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
    std::free(p);
}

BENCHMARK(BM_FillAll)->Apply(Best);
BENCHMARK(BM_Memset)->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::bench::RunBenchmarks(argc, argv, {{"FillAll 1024x768 / memset", "BM_FillAll", "BM_Memset"}});
}

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

#include "raster/bitmap32.h"

namespace velmora {
namespace {

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

void Configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_FillBlock)->Apply(Configure);
BENCHMARK(BM_MemsetRows)->Apply(Configure);
BENCHMARK(BM_BlendBlock)->Apply(Configure);
BENCHMARK(BM_DashedOutline)->Apply(Configure);

// Console output as usual, plus each run's best time kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                times_[run.run_name.str()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline) const {
        auto m = times_.find(measured), b = times_.find(baseline);
        if (m == times_.end() || b == times_.end()) return;
        std::printf("%-44s %6.2f x  (%.1f us vs %.1f us)\n", what, m->second / b->second, m->second, b->second);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    velmora::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios (lower is faster):\n");
    reporter.PrintRatio("FillBlock 1018x756 / memset of its rows", "BM_FillBlock/repeats:7/real_time",
                        "BM_MemsetRows/repeats:7/real_time");
    reporter.PrintRatio("BlendBlock alpha 128 / memset of its rows", "BM_BlendBlock/repeats:7/real_time",
                        "BM_MemsetRows/repeats:7/real_time");
    benchmark::Shutdown();
    return 0;
}

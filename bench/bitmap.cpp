// Whole-bitmap fill of a 1024 x 768 bitmap against memset of the same bytes, measured in the same run.
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

void Configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMicrosecond)->UseRealTime()->MeasureProcessCPUTime()->Repetitions(7)->ReportAggregatesOnly(true);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(BM_FillAll)->Apply(Configure);
BENCHMARK(BM_Memset)->Apply(Configure);

// Console output as usual, plus each run's best real and process CPU times kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
            {
                times_[run.run_name.str()] = run.GetAdjustedRealTime();
                cpuTimes_[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline) const {
        auto m = times_.find(measured), b = times_.find(baseline);
        if (m == times_.end() || b == times_.end()) return;
        std::printf("%-44s %6.2f x  (%.1f us vs %.1f us)\n", what, m->second / b->second, m->second, b->second);
        const double cm = cpuTimes_.at(measured), cb = cpuTimes_.at(baseline);
        std::printf("%-44s %6.2f x  (%.1f us vs %.1f us)\n", "  on process CPU time", cm / cb, cm, cb);
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, double> cpuTimes_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    // Repetitions of both sides interleaved, so that load from other processes falls on both alike.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    velmora::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios (lower is faster):\n");
    reporter.PrintRatio("FillAll 1024x768 / memset", "BM_FillAll/repeats:7/process_time/real_time", "BM_Memset/repeats:7/process_time/real_time");
    benchmark::Shutdown();
    return 0;
}

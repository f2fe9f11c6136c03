#pragma once
// What the benchmark programs share: best-of-N repetitions, a console reporter that keeps each
// benchmark's best real and process CPU time, and ratios printed against a baseline of the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <initializer_list>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace velmora::bench {

// Repetitions reported as aggregates with a "min" statistic: the best run is the least disturbed one.
inline void BestOfRepetitions(benchmark::internal::Benchmark* b, int repetitions = 7,
                              benchmark::TimeUnit unit = benchmark::kMicrosecond) {
    b->Unit(unit)->UseRealTime()->MeasureProcessCPUTime()->Repetitions(repetitions)->ReportAggregatesOnly(true);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double Real = 0;
        double Cpu = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "min") continue;
            std::string key = run.run_name.function_name;
            if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
            FTimes[key] = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // measured and baseline are benchmark names with their arguments ("BM_ScrollStep/4000/3000"). Wall
    // time is the figure; process CPU time shows what a baseline spread over several threads costs.
    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline,
                    const char* unit = "us") const {
        auto m = FTimes.find(measured), b = FTimes.find(baseline);
        if (m == FTimes.end() || b == FTimes.end()) return;
        const Times& mt = m->second;
        const Times& bt = b->second;
        std::printf("%-56s %6.2f x  (%.1f %s vs %.1f %s)\n", what, mt.Real / bt.Real, mt.Real, unit, bt.Real, unit);
        std::printf("%-56s %6.2f x  (%.1f %s vs %.1f %s)\n", "  on process CPU time", mt.Cpu / bt.Cpu, mt.Cpu, unit,
                    bt.Cpu, unit);
    }

private:
    std::map<std::string, Times> FTimes;
};

// Initialises Google Benchmark with the repetitions of all benchmarks interleaved, so that load from
// other processes falls on the measured side and its baseline alike. False on unknown arguments.
inline bool InitializeInterleaved(int argc, char** argv) {
    static std::vector<char*> args;
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.assign(argv, argv + argc);
    args.insert(args.begin() + 1, interleave);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

// A ratio to print after the run: the measured benchmark's time over its baseline's.
struct TRatio {
    const char* What;
    const char* Measured;
    const char* Baseline;
};

// The main of every benchmark program: interleaved repetitions, the ratio reporter, then the ratios.
inline int RunBenchmarks(int argc, char** argv, std::initializer_list<TRatio> ratios, const char* unit = "us") {
    if (!InitializeInterleaved(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (ratios.size() > 0) std::printf("\nratios (lower is faster):\n");
    for (const TRatio& ratio : ratios) reporter.PrintRatio(ratio.What, ratio.Measured, ratio.Baseline, unit);
    benchmark::Shutdown();
    return 0;
}

}  // namespace velmora::bench

// Loading a hotspot file of 10,000 hotspots against loading it and reading every key, in one run.
// The figure printed at the end is the cost of reading all keys relative to the load:
//   (time(load + read) - time(load)) / time(load).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/data_set.h"
#include "text/mem_ini_file.h"

using namespace velmora;

namespace {

constexpr int kHotspots = 10000;
std::string gPath;

void WriteSampleFile(const std::string& path) {
    std::vector<THotspotRecord> hotspots;
    for (int i = 0; i < kHotspots; ++i) {
        float left = static_cast<float>(i % 1400), top = static_cast<float>((i * 7) % 1000);
        hotspots.push_back({TSingleRect{left, top, left + 30 + i % 50, top + 40 + i % 30},
                            "A-" + std::to_string(i % 40) + "a"});
    }
    WriteHotspotFile(path, hotspots);
}

int64_t ReadAllKeys(const TMemIniFile& ini) {
    int64_t sum = ini.GetNumber("info", "count", 0);
    for (int i = 1; i <= kHotspots; ++i) {
        const std::string section = std::to_string(i);
        sum += ini.GetNumber(section, "top", 0);
        sum += ini.GetNumber(section, "left", 0);
        sum += ini.GetNumber(section, "width", 0);
        sum += ini.GetNumber(section, "height", 0);
        sum += static_cast<int64_t>(ini.GetValue(section, "opis", "").size());
    }
    return sum;
}

void BM_Load(benchmark::State& state) {
    for (auto _ : state) {
        TMemIniFile ini(gPath);
        benchmark::DoNotOptimize(ini.Sections().Count());
    }
}

void BM_LoadAndReadAllKeys(benchmark::State& state) {
    for (auto _ : state) {
        TMemIniFile ini(gPath);
        benchmark::DoNotOptimize(ReadAllKeys(ini));
    }
}

struct Times {
    double real = 0;
    double cpu = 0;
};

// Keeps the median times of every benchmark for the closing ratio. CPU time is the steadier figure
// on a machine shared with other work; real time is printed beside it.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[run.run_name.function_name] = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> times;
};

void PrintRatio(const char* what, double load, double both) {
    std::printf("%s: load %.3f ms, load + read all keys %.3f ms, read / load = (%.3f - %.3f) / %.3f = %.2f"
                " (goal <= 1.5)\n",
                what, load, both, both, load, load, (both - load) / load);
}

}  // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.2)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadAndReadAllKeys)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(0.2)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    char dir[] = "/tmp/velmora_bench_XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    gPath = std::string(dir) + "/1_1.ini";
    WriteSampleFile(gPath);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const Times load = reporter.times["BM_Load"];
    const Times both = reporter.times["BM_LoadAndReadAllKeys"];
    if (load.cpu > 0 && both.cpu > 0) {
        std::printf("hotspot file of %d hotspots, %lld bytes; medians of 7 repetitions\n", kHotspots,
                    static_cast<long long>(std::filesystem::file_size(gPath)));
        PrintRatio("CPU time", load.cpu, both.cpu);
        PrintRatio("real time", load.real, both.real);
    }
    std::filesystem::remove_all(dir);
    return 0;
}

// The search index on a generated catalogue of 2,000 items with 20 hotspots each (100 pages of 20
// items, 500 signs): building it (the catalogue walk, then the index) against reading the same
// hotspot files and the caption list with the INI store alone, one file after another and on every
// core, measured in the same run. Then one keystroke's search over the 40,000 hotspots, the panel's
// way (the best 200 kept), for the letters of a word typed one by one and a few whole queries; and
// the same when every hotspot names a sign of its own, the worst a catalogue can do.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string_view>
#include <string>
#include <vector>

#include "app/parallel_for.h"
#include "app/search_index.h"
#include "bench/support/ratio_reporter.h"
#include "text/mem_ini_file.h"
#include "text/string_list.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int Pages = 100;
constexpr int ItemsPerPage = 20;
constexpr int HotspotsPerItem = 20;
constexpr int Signs = 500;
constexpr size_t Listed = 200;  // what the panel keeps of a search

std::string gDir;
std::vector<std::string> gHotspotFiles;

// Parts appended one by one: g++ 12 warns falsely about long chains of string additions.
void Append(std::string& to, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) to += part;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Captions in the style of a sign list, Windows-1250: a few hundred different ones.
std::string Caption(int s) {
    static const char* const first[] = {"Niebezpieczny zakr\xEAt w prawo", "Niebezpieczny zakr\xEAt w lewo",
                                        "Przej\x9C" "cie dla pieszych", "Zakaz wjazdu", "Stop", "Ustap pierwsze\xF1stwa",
                                        "Roboty drogowe", "\xA3uk drogi", "Zw\xEA\xBF" "enie jezdni", "Dzikie zwierz\xEAta"};
    return std::string(first[s % 10]) + " " + std::to_string(s / 10 + 1);
}

std::string Description(int s) { return std::string(1, static_cast<char>('A' + s % 8)) + "-" + std::to_string(s / 8 + 1); }

void WriteCatalogue() {
    fs::create_directories(gDir + "znaki");
    std::string captions, info;
    for (int s = 0; s < Signs; ++s) {
        captions += Description(s) + ".jpg\t" + Caption(s) + "\r\n";
        WriteText(gDir + "znaki/" + Description(s) + ".jpg", "x");
    }
    WriteText(gDir + "znaki.txt", captions);
    for (int p = 1; p <= Pages; ++p) {
        Append(info, {"[", std::to_string(p), "]\r\nItems=", std::to_string(ItemsPerPage), "\r\n\r\n"});
        // The walk asks only whether pictures exist; their contents do not matter here.
        WriteText(gDir + "p_" + std::to_string(p) + ".jpg", "x");
        for (int i = 1; i <= ItemsPerPage; ++i) {
            const std::string item = std::to_string(p) + "_" + std::to_string(i);
            WriteText(gDir + "p_" + item + ".jpg", "x");
            std::string text;
            Append(text, {"[info]\r\ncount=", std::to_string(HotspotsPerItem), "\r\n\r\n"});
            for (int h = 1; h <= HotspotsPerItem; ++h)
                Append(text, {"[", std::to_string(h), "]\r\nwidth=40\r\nheight=40\r\ntop=", std::to_string(30 * h),
                              "\r\nleft=", std::to_string(40 * h), "\r\nopis=",
                              Description((p * 131 + i * 17 + h * 7) % Signs), "\r\n\r\n"});
            WriteText(gDir + item + ".ini", text);
            gHotspotFiles.push_back(gDir + item + ".ini");
        }
    }
    WriteText(gDir + "info.ini", info);
}

// What the index needs from one file, read with the INI store and nothing else.
size_t ReadWithIniStore(const std::string& path) {
    const TMemIniFile ini(path);
    size_t bytes = 0;
    const int32_t count = ini.GetNumber("info", "count", 0);
    for (int32_t k = 1; k <= count; ++k) {
        const std::string section = std::to_string(k);
        bytes += static_cast<size_t>(ini.GetNumber(section, "top", 0) + ini.GetNumber(section, "left", 0) +
                                     ini.GetNumber(section, "width", 0) + ini.GetNumber(section, "height", 0));
        bytes += ini.GetValue(section, "opis", "").size();
    }
    return bytes;
}

void BM_IniStoreOneByOne(benchmark::State& state) {
    for (auto _ : state) {
        TStringList captions;
        captions.LoadLines(gDir + "znaki.txt");
        size_t bytes = 0;
        for (const std::string& path : gHotspotFiles) bytes += ReadWithIniStore(path);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_IniStoreOnEveryCore(benchmark::State& state) {
    for (auto _ : state) {
        TStringList captions;
        captions.LoadLines(gDir + "znaki.txt");
        std::vector<size_t> bytes(gHotspotFiles.size());
        ParallelFor(gHotspotFiles.size(), 0, [&](size_t i) { bytes[i] = ReadWithIniStore(gHotspotFiles[i]); });
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_BuildIndex(benchmark::State& state) {
    for (auto _ : state) {
        const TSearchIndex index = BuildSearchIndex(gDir);
        if (index.PlaceCount() != size_t(Pages) * ItemsPerPage * HotspotsPerItem) {
            std::fprintf(stderr, "the index holds %zu hotspots\n", index.PlaceCount());
            std::exit(1);
        }
    }
}

const TSearchIndex& Index() {
    static const TSearchIndex index = BuildSearchIndex(gDir);
    return index;
}

// Every hotspot a description of its own: 40,000 signs to match instead of 500.
const TSearchIndex& DistinctIndex() {
    static const TSearchIndex index = [] {
        TSearchIndex built;
        for (int p = 1; p <= Pages; ++p)
            for (int i = 1; i <= ItemsPerPage; ++i) {
                std::vector<THotspotRecord> records;
                for (int h = 0; h < HotspotsPerItem; ++h) {
                    const int n = ((p - 1) * ItemsPerPage + (i - 1)) * HotspotsPerItem + h;
                    records.push_back({{0, 0, 40, 40}, Description(n)});
                }
                built.ReplaceItem(p, i, records);
            }
        return built;
    }();
    return index;
}

const char* const Queries[] = {"z", "za", "zak", "zakr", "zakre", "zakret", "b20", "przejscie dla", "zakret prawo 7", "x"};

void BM_Keystroke(benchmark::State& state) {
    const char* query = Queries[state.range(0)];
    state.SetLabel(query);
    const TSearchIndex& index = state.range(1) != 0 ? DistinctIndex() : Index();
    for (auto _ : state) {
        const TSearchResults results = index.Search(query, Listed);
        benchmark::DoNotOptimize(results.Shown.data());
    }
}

void Configure(benchmark::internal::Benchmark* b) {
    bench::BestOfRepetitions(b, 5, benchmark::kMillisecond);
    b->Iterations(3);
}

BENCHMARK(BM_IniStoreOneByOne)->Apply(Configure);
BENCHMARK(BM_IniStoreOnEveryCore)->Apply(Configure);
BENCHMARK(BM_BuildIndex)->Apply(Configure);
BENCHMARK(BM_Keystroke)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(std::size(Queries)) - 1, 1), {0, 1}})
    ->Apply([](benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b, 5, benchmark::kMicrosecond); });

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    using namespace velmora;
    char pattern[] = "/tmp/velmora_bench_search_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    gDir = std::string(pattern) + "/dane/";
    WriteCatalogue();
    const int result = bench::RunBenchmarks(
        argc, argv,
        {{"index build / INI store alone on every core", "BM_BuildIndex", "BM_IniStoreOnEveryCore"},
         {"index build / INI store alone one by one", "BM_BuildIndex", "BM_IniStoreOneByOne"}},
        "ms");
    std::printf("\nindex: %zu signs, %zu hotspots; one keystroke is BM_Keystroke above (us), /0 the catalogue's "
                "500 signs, /1 every hotspot a sign of its own\n",
                Index().SignCount(), Index().PlaceCount());
    fs::remove_all(pattern);
    return result;
}

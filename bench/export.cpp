// velmora --export-html of the demo catalogue against copying its folder with cp -r, measured in the
// same run: the program as a process of its own, and the export called in this process, with the
// program's bare start (--version) beside them. Prints the size of the site against the catalogue's.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/intro_html.h"
#include "app/web_export.h"
#include "bench/support/ratio_reporter.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::string gWork;  // a fresh folder of this run

int Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each iteration writes into a folder that does not exist yet; removing it is not timed.
template <class Write>
void EachIntoFreshFolder(benchmark::State& state, Write write) {
    const std::string target = gWork + "/out";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        if (!write(target)) state.SkipWithError("the copy or export failed");
    }
    fs::remove_all(target);
}

void BM_CopyWithCp(benchmark::State& state) {
    EachIntoFreshFolder(state, [](const std::string& to) { return Spawn({"cp", "-r", VELMORA_DEMO_DIR, to}) == 0; });
}

void BM_ExportProgram(benchmark::State& state) {
    EachIntoFreshFolder(state, [](const std::string& to) {
        return Spawn({VELMORA_PROGRAM, "--export-html", to, "--data", VELMORA_DEMO_DIR}) == 0;
    });
}

// What the program costs before it does anything: its start, which loads no Qt library for a command.
void BM_ProgramStart(benchmark::State& state) {
    for (auto _ : state)
        if (Spawn({VELMORA_PROGRAM, "--version"}) != 0) state.SkipWithError("the program did not start");
}

void BM_ExportInProcess(benchmark::State& state) {
    EachIntoFreshFolder(state, [](const std::string& to) {
        TWebExportOptions options;
        options.DataDir = VELMORA_DEMO_DIR;
        options.OutDir = to;
        options.IntroToHtml = IntroRtfToHtml;
        return ExportWebSite(options).Written;
    });
}

void Configure(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b, 7, benchmark::kMillisecond); }

BENCHMARK(BM_CopyWithCp)->Apply(Configure);
BENCHMARK(BM_ExportProgram)->Apply(Configure);
BENCHMARK(BM_ExportInProcess)->Apply(Configure);
BENCHMARK(BM_ProgramStart)->Apply(Configure);

uint64_t FolderBytes(const std::string& dir) {
    uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    using namespace velmora;
    // On tmpfs where there is one: on a disk, how fast files are made in a fresh folder swings by
    // three times with where the file system places it, which would drown both programs' own costs.
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    gWork = (base / ("velmora-bench-export-" + std::to_string(getpid()))).string();
    fs::create_directories(gWork);
    const int result = bench::RunBenchmarks(
        argc, argv,
        {{"velmora --export-html vs cp -r of dane (process each)", "BM_ExportProgram", "BM_CopyWithCp"},
         {"export in this process vs cp -r of dane", "BM_ExportInProcess", "BM_CopyWithCp"},
         {"  velmora --version alone vs cp -r of dane", "BM_ProgramStart", "BM_CopyWithCp"}},
        "ms");
    const std::string site = gWork + "/site";
    TWebExportOptions options;
    options.DataDir = VELMORA_DEMO_DIR;
    options.OutDir = site;
    options.IntroToHtml = IntroRtfToHtml;
    if (ExportWebSite(options).Written) {
        const auto siteBytes = FolderBytes(site), daneBytes = FolderBytes(VELMORA_DEMO_DIR);
        std::printf("\nsite %llu bytes, dane %llu bytes: %.3f x\n", static_cast<unsigned long long>(siteBytes),
                    static_cast<unsigned long long>(daneBytes), double(siteBytes) / double(daneBytes));
    }
    fs::remove_all(gWork);
    return result;
}

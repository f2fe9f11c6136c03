// Two figures of the main window on the demo catalogue beside the program:
//  - page switch: from the click on a chapter link until the stage and the first item are painted,
//    in process under the offscreen platform, against decoding the same two JPEGs with bare
//    libjpeg-turbo into reused buffers;
//  - start-up: the velmora process from launch until the menu is painted and it quits, against a
//    minimal Qt program that decodes and shows the same menu picture.
// Both sides run alternately in every iteration, so a busy machine slows both alike; the counters
// give the medians in milliseconds and their ratio.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "bench/support/bare_jpeg.h"
#include "bench/support/ratio_reporter.h"
#include "toolkit/application.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const fs::path ProgramPath = VELMORA_PROGRAM;
const fs::path AppDir = ProgramPath.parent_path();

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void PageSwitch(benchmark::State& state) {
    const std::string stage = (AppDir / "dane/p_1.jpg").string();
    const std::string item = (AppDir / "dane/p_1_1.jpg").string();
    if (!fs::exists(stage) || !fs::exists(item)) return state.SkipWithError("the demo catalogue is missing");

    TMainFormOptions options;
    options.AppDir = AppDir.string() + "/";
    options.ScreenSize = QSize(1024, 768);
    TMainForm form(options);
    form.setGeometry(0, 0, 1024, 768);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return state.SkipWithError("window not exposed");
    QCoreApplication::processEvents();

    auto switchPage = [&] {
        const uint64_t stagePaints = form.MainImage->TransferCount();
        const uint64_t itemPaints = form.sub_image->TransferCount();
        QTest::mouseClick(form.cxLabel1, Qt::LeftButton);
        QCoreApplication::processEvents();
        return form.MainImage->TransferCount() > stagePaints && form.sub_image->TransferCount() > itemPaints;
    };
    std::vector<uint32_t> stagePixels, itemPixels;
    for (int i = 0; i < 3; ++i) {
        if (!switchPage()) return state.SkipWithError("the page was not painted");
        bench::BareDecode(stage, stagePixels);
        bench::BareDecode(item, itemPixels);
    }

    std::vector<double> formMs, bareMs;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        const bool painted = switchPage();
        const Clock::time_point t1 = Clock::now();
        bench::BareDecode(stage, stagePixels);
        bench::BareDecode(item, itemPixels);
        const Clock::time_point t2 = Clock::now();
        if (!painted) return state.SkipWithError("the page was not painted");
        formMs.push_back(Ms(t1 - t0));
        bareMs.push_back(Ms(t2 - t1));
    }
    state.counters["form_ms"] = Median(formMs);
    state.counters["libjpeg_ms"] = Median(bareMs);
    state.counters["ratio"] = Median(formMs) / Median(bareMs);
}
BENCHMARK(PageSwitch)->Iterations(200)->Unit(benchmark::kMillisecond);

// Runs a program to its end with its output discarded; the wall time, or a negative value when it
// failed.
double RunMs(const std::vector<std::string>& args) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("VELMORA_QUIT_AFTER_FIRST_PAINT=", 0) == 0) continue;
        envStrings.emplace_back(entry);
    }
    envStrings.emplace_back("QT_QPA_PLATFORM=offscreen");
    envStrings.emplace_back("VELMORA_QUIT_AFTER_FIRST_PAINT=1");
    std::vector<char*> env, argv;
    for (std::string& s : envStrings) env.push_back(s.data());
    env.push_back(nullptr);
    std::vector<std::string> argCopy = args;
    for (std::string& s : argCopy) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point t0 = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    const Clock::time_point t1 = Clock::now();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Ms(t1 - t0) : -1;
}

void StartUp(benchmark::State& state) {
    const std::string menu = (AppDir / "dane/p_menu.jpg").string();
    if (!fs::exists(menu)) return state.SkipWithError("the demo catalogue is missing");
    const std::vector<std::string> velmora = {ProgramPath.string()};
    const std::vector<std::string> minimal = {VELMORA_MINIMAL_VIEWER, menu};
    // Warm the page cache and the font cache of both.
    for (int i = 0; i < 2; ++i) {
        if (RunMs(velmora) < 0 || RunMs(minimal) < 0) return state.SkipWithError("a program failed");
    }
    std::vector<double> velmoraMs, minimalMs, pairRatios;
    for (auto _ : state) {
        const double a = RunMs(velmora);
        const double b = RunMs(minimal);
        if (a < 0 || b < 0) return state.SkipWithError("a program failed");
        velmoraMs.push_back(a);
        minimalMs.push_back(b);
        pairRatios.push_back(a / b);
    }
    state.counters["velmora_ms"] = Median(velmoraMs);
    state.counters["minimal_ms"] = Median(minimalMs);
    state.counters["ratio"] = Median(velmoraMs) / Median(minimalMs);
    // Start-up times drift with the machine from one second to the next; each pair was run back to
    // back, so the median of the pairs' ratios is the steadier figure.
    state.counters["pair_ratio"] = Median(pairRatios);
}
BENCHMARK(StartUp)->Iterations(80)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    velmora::TApplication app(argc, argv);
    app.SetTitle(velmora::ProgramTitle);
    // Its figures are counters of each run: the ratios are measured within the run itself.
    return velmora::bench::RunBenchmarks(argc, argv, {});
}

// The page switch of the main window with the stage at scale 2 against scale 1, in the same run.
// Qt's scale factor holds for a whole process, so each scale has a child process of its own (this
// program again, with --child N) that keeps a main window on the demo catalogue under the offscreen
// platform; for every iteration the benchmark asks one child through a pipe to click a chapter link
// and waits until the stage and the first item have been painted. Both children run interleaved, so
// a busy machine slows both alike.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "bench/support/ratio_reporter.h"
#include "toolkit/application.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;

const fs::path AppDir = fs::path(VELMORA_PROGRAM).parent_path();

// --- the child: one window at one scale, a page switch per request ---------------------------------

int RunChild(int argc, char** argv, const char* scale) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", scale);
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    (void)argc;
    TMainFormOptions options;
    options.AppDir = AppDir.string() + "/";
    options.ScreenSize = QSize(1024, 768);
    TMainForm form(options);
    form.setGeometry(0, 0, 1024, 768);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    QCoreApplication::processEvents();
    char request = 0;
    while (read(0, &request, 1) == 1) {
        const uint64_t stagePaints = form.MainImage->TransferCount();
        const uint64_t itemPaints = form.sub_image->TransferCount();
        QTest::mouseClick(form.cxLabel1, Qt::LeftButton);
        QCoreApplication::processEvents();
        const bool painted = form.MainImage->TransferCount() > stagePaints && form.sub_image->TransferCount() > itemPaints;
        // The window really is drawn at the scale asked for.
        const bool scaled = form.devicePixelRatio() == std::atoi(scale);
        const char reply = painted && scaled ? 'k' : 'f';
        if (write(1, &reply, 1) != 1) return 1;
    }
    return 0;
}

// --- the parent: the children and the benchmark --------------------------------------------------

struct TChild {
    pid_t Pid = -1;
    int To = -1, From = -1;

    bool Start(const char* self, const char* scale) {
        int down[2], up[2];
        if (pipe(down) != 0 || pipe(up) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, down[0], 0);
        posix_spawn_file_actions_adddup2(&actions, up[1], 1);
        posix_spawn_file_actions_addclose(&actions, down[1]);
        posix_spawn_file_actions_addclose(&actions, up[0]);
        std::string selfCopy = self, flag = "--child", scaleCopy = scale;
        char* args[] = {selfCopy.data(), flag.data(), scaleCopy.data(), nullptr};
        const int spawned = posix_spawn(&Pid, self, &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(down[0]);
        close(up[1]);
        To = down[1];
        From = up[0];
        return spawned == 0;
    }
    // One page switch; false when the child failed or the page was not painted at its scale.
    bool SwitchPage() {
        char request = 's', reply = 0;
        return write(To, &request, 1) == 1 && read(From, &reply, 1) == 1 && reply == 'k';
    }
    ~TChild() {
        if (To >= 0) close(To);  // the child's loop ends
        if (From >= 0) close(From);
        if (Pid > 0) waitpid(Pid, nullptr, 0);
    }
};

TChild Children[3];

void BM_PageSwitch(benchmark::State& state) {
    TChild& child = Children[state.range(0)];
    // Warm both pictures' pages and the child's buffers first.
    for (int i = 0; i < 3; ++i)
        if (!child.SwitchPage()) return state.SkipWithError("the child did not paint the page at its scale");
    for (auto _ : state)
        if (!child.SwitchPage()) return state.SkipWithError("the child did not paint the page at its scale");
}
BENCHMARK(BM_PageSwitch)->Arg(1)->Arg(2)->Iterations(60)->Apply([](benchmark::internal::Benchmark* b) {
    bench::BestOfRepetitions(b, 7, benchmark::kMillisecond);
});

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return velmora::RunChild(argc, argv, argv[2]);
    if (!std::filesystem::exists(velmora::AppDir / "dane/p_1.jpg")) {
        std::fprintf(stderr, "the demo catalogue beside the program is missing\n");
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    if (!velmora::Children[1].Start(self.c_str(), "1") || !velmora::Children[2].Start(self.c_str(), "2")) return 1;
    return velmora::bench::RunBenchmarks(
        argc, argv, {{"page switch, stage at scale 2 / scale 1", "BM_PageSwitch/2", "BM_PageSwitch/1"}}, "ms");
}

// The introduction's view loading an introduction that switches bold on and off after every letter,
// 50,000 times without a space, against the same letters as plain words of ten, in the same run:
// reading, laying out at the view's width and painting what the view shows. Qt lays out a long word
// of many runs in time that grows with the square of its length, so the figure keeps the reader's
// bounds honest.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <string>

#include "bench/support/ratio_reporter.h"
#include "toolkit/rich_text_view.h"

namespace velmora {
namespace {

void Best(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b, 5, benchmark::kMillisecond); }

std::string Introduction(bool switches) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Tahoma;}}\\fs22 ";
    for (int i = 0; i < 25000; ++i) rtf += switches ? "\\b a\\b0 b" : i % 5 == 4 ? "ab " : "ab";
    return rtf + "}";
}

void BM_LoadIntroduction(benchmark::State& state) {
    const std::string rtf = Introduction(state.range(0) != 0);
    for (auto _ : state) {
        TRichTextView view;
        view.resize(730, 625);
        view.LoadFromRtf(rtf);
        const QImage shown = view.grab().toImage();
        benchmark::DoNotOptimize(shown.constBits());
    }
}

BENCHMARK(BM_LoadIntroduction)->Arg(1)->Arg(0)->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    return velmora::bench::RunBenchmarks(
        argc, argv, {{"50,000 runs without a space / the letters as plain words", "BM_LoadIntroduction/1", "BM_LoadIntroduction/0"}},
        "ms");
}

// Row kernels over a 1024 x 768 picture with translucent sources, each variant, against pixman's
// OVER and QPainter's straight-alpha drawImage measured in the same run. Ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "raster/blend.h"

namespace velmora {
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr size_t kPixels = size_t(kWidth) * kHeight;

// Alphas 1..254 so that no fast exit is taken.
std::vector<TColor32> TranslucentPicture(uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<TColor32> p(kPixels);
    for (auto& c : p) c = (rng() & 0x00FFFFFF) | ((1 + rng() % 254) << 24);
    return p;
}

struct Pictures {
    std::vector<TColor32> src = TranslucentPicture(1);
    std::vector<TColor32> pristine = TranslucentPicture(2);
    std::vector<TColor32> dst = pristine;
    std::vector<TColor32> premultiplied = Premultiply(src);

    static std::vector<TColor32> Premultiply(const std::vector<TColor32>& in) {
        std::vector<TColor32> out(in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            uint32_t a = in[i] >> 24;
            uint32_t r = ((in[i] >> 16) & 0xFF) * a / 255, g = ((in[i] >> 8) & 0xFF) * a / 255, b = (in[i] & 0xFF) * a / 255;
            out[i] = (a << 24) | (r << 16) | (g << 8) | b;
        }
        return out;
    }
};

Pictures& Data() {
    static Pictures p;
    return p;
}

// Every iteration starts from the same destination, restored outside the timing.
template <typename Body>
void RunRestoring(benchmark::State& state, Body body) {
    Pictures& d = Data();
    body();  // warm the buffers
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(d.dst.data(), d.pristine.data(), kPixels * sizeof(TColor32));
        state.ResumeTiming();
        body();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

BlendVariant VariantOf(const benchmark::State& state) { return state.range(0) ? BlendVariant::Vector : BlendVariant::Portable; }

void BM_BlendRow(benchmark::State& state) {
    const BlendOps& ops = BlendOpsFor(VariantOf(state));
    Pictures& d = Data();
    RunRestoring(state, [&] {
        for (int y = 0; y < kHeight; ++y) ops.Blend.Row(d.src.data() + y * kWidth, d.dst.data() + y * kWidth, kWidth);
    });
}

void BM_BlendRowMaster(benchmark::State& state) {
    const BlendOps& ops = BlendOpsFor(VariantOf(state));
    Pictures& d = Data();
    RunRestoring(state, [&] {
        for (int y = 0; y < kHeight; ++y)
            ops.Blend.RowMaster(d.src.data() + y * kWidth, d.dst.data() + y * kWidth, kWidth, 200);
    });
}

void BM_MergeRow(benchmark::State& state) {
    const BlendOps& ops = BlendOpsFor(VariantOf(state));
    Pictures& d = Data();
    RunRestoring(state, [&] {
        for (int y = 0; y < kHeight; ++y) ops.Merge.Row(d.src.data() + y * kWidth, d.dst.data() + y * kWidth, kWidth);
    });
}

void BM_MixRow(benchmark::State& state) {
    const BlendOps& ops = BlendOpsFor(VariantOf(state));
    Pictures& d = Data();
    RunRestoring(state, [&] {
        for (int y = 0; y < kHeight; ++y) ops.MixRow(d.src.data() + y * kWidth, d.dst.data() + y * kWidth, kWidth, 100);
    });
}

void BM_PixmanOver(benchmark::State& state) {
    Pictures& d = Data();
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight,
                                                   reinterpret_cast<uint32_t*>(d.premultiplied.data()), kWidth * 4);
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, reinterpret_cast<uint32_t*>(d.dst.data()), kWidth * 4);
    RunRestoring(state, [&] { pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight); });
    pixman_image_unref(src);
    pixman_image_unref(dst);
}

void BM_QPainterDrawImage(benchmark::State& state) {
    Pictures& d = Data();
    const QImage src(reinterpret_cast<const uchar*>(d.src.data()), kWidth, kHeight, kWidth * 4, QImage::Format_ARGB32);
    QImage dst(reinterpret_cast<uchar*>(d.dst.data()), kWidth, kHeight, kWidth * 4, QImage::Format_ARGB32);
    RunRestoring(state, [&] {
        QPainter painter(&dst);
        painter.drawImage(0, 0, src);
    });
}

// The machine is shared: each figure is the fastest of many short repetitions, the least disturbed.
void Configure(benchmark::internal::Benchmark* b) {
    b->Iterations(1);
    bench::BestOfRepetitions(b, 60);
}

BENCHMARK(BM_BlendRow)->ArgName("vector")->Arg(0)->Arg(1)->Apply(Configure);
BENCHMARK(BM_PixmanOver)->Apply(Configure);
BENCHMARK(BM_MergeRow)->ArgName("vector")->Arg(0)->Arg(1)->Apply(Configure);
BENCHMARK(BM_QPainterDrawImage)->Apply(Configure);
BENCHMARK(BM_MixRow)->ArgName("vector")->Arg(0)->Arg(1)->Apply(Configure);
BENCHMARK(BM_BlendRowMaster)->ArgName("vector")->Arg(0)->Arg(1)->Apply(Configure);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::bench::RunBenchmarks(
        argc, argv,
        {{"BlendRow vector / pixman OVER", "BM_BlendRow/vector:1", "BM_PixmanOver"},
         {"BlendRow portable / pixman OVER", "BM_BlendRow/vector:0", "BM_PixmanOver"},
         {"MergeRow vector / QPainter drawImage", "BM_MergeRow/vector:1", "BM_QPainterDrawImage"},
         {"MergeRow portable / QPainter drawImage", "BM_MergeRow/vector:0", "BM_QPainterDrawImage"},
         {"MixRow vector / portable", "BM_MixRow/vector:1", "BM_MixRow/vector:0"},
         {"BlendRowMaster vector / portable", "BM_BlendRowMaster/vector:1", "BM_BlendRowMaster/vector:0"}});
}

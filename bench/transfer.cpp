// Transfers between bitmaps against baselines measured in the same run: a same-size opaque block
// transfer against memcpy, and the draft shrink of a 1600 x 1200 picture to 788 x 591 against Qt's
// smooth scaling of the same picture.
#include <benchmark/benchmark.h>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "raster/bitmap32.h"
#include "raster/transfer.h"

namespace velmora {
namespace {

using bench::RatioReporter;

void Best(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b); }

// A smooth picture with some noise, opaque like a decoded photograph.
void Paint(TBitmap32& b, int w, int h) {
    b.SetDimensions(w, h);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t n = rng() & 0x0F0F0F;
            b.PixelData()[size_t(y) * w + x] =
                0xFF000000u | (((uint32_t(x * 255 / w) << 16) + (uint32_t(y * 255 / h) << 8) + uint32_t((x ^ y) & 0x7F)) + n);
        }
}

void BM_TransferBlock(benchmark::State& state) {
    TBitmap32 src, dst;
    Paint(src, 1024, 768);
    dst.SetDimensions(1024, 768);
    dst.FillAll(0);
    const TPixelCombineEvent none;
    for (auto _ : state) {
        TransferBlock(dst, dst.FullRect(), src, 0, 0, TDrawMode::dmOpaque, none);
        benchmark::DoNotOptimize(dst.PixelData());
        benchmark::ClobberMemory();
    }
}

void BM_Memcpy(benchmark::State& state) {
    TBitmap32 src, dst;
    Paint(src, 1024, 768);
    dst.SetDimensions(1024, 768);
    dst.FillAll(0);
    const size_t bytes = size_t(1024) * 768 * sizeof(TColor32);
    for (auto _ : state) {
        std::memcpy(dst.PixelData(), src.PixelData(), bytes);
        benchmark::DoNotOptimize(dst.PixelData());
        benchmark::ClobberMemory();
    }
}

void BM_DrawOntoDraft(benchmark::State& state) {
    TBitmap32 src, dst;
    Paint(src, 1600, 1200);
    src.SetResamplerClassName("TDraftResampler");
    dst.SetDimensions(788, 591);
    dst.FillAll(0);
    for (auto _ : state) {
        src.DrawOnto(dst, dst.FullRect());
        benchmark::DoNotOptimize(dst.PixelData());
        benchmark::ClobberMemory();
    }
}

void BM_QImageSmoothScale(benchmark::State& state) {
    TBitmap32 src;
    Paint(src, 1600, 1200);
    // An opaque picture is an RGB32 image to Qt, the format its decoders give and its fastest path.
    QImage image(reinterpret_cast<const uchar*>(src.PixelData()), 1600, 1200, 1600 * 4, QImage::Format_RGB32);
    QImage owned = image.copy();
    for (auto _ : state) {
        QImage scaled = owned.scaled(788, 591, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

BENCHMARK(BM_TransferBlock)->Apply(Best);
BENCHMARK(BM_Memcpy)->Apply(Best);
BENCHMARK(BM_DrawOntoDraft)->Apply(Best);
BENCHMARK(BM_QImageSmoothScale)->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    return velmora::bench::RunBenchmarks(
        argc, argv,
        {{"TransferBlock 1024x768 opaque / memcpy", "BM_TransferBlock", "BM_Memcpy"},
         {"DrawOnto draft 1600x1200->788x591 / QImage smooth", "BM_DrawOntoDraft", "BM_QImageSmoothScale"}});
}

// LoadPictureFile of 1024 x 768 and 4000 x 3000 JPEGs into a bitmap already holding a picture of that
// size, against a bare libjpeg decode of the same file into a reused 32-bit buffer (the file read
// each time as well), measured in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench/support/bare_jpeg.h"
#include "bench/support/ratio_reporter.h"
#include "raster/bitmap32.h"

namespace velmora {
namespace {

using bench::BareDecode;

struct Sample {
    int Width;
    int Height;
    std::string Path;
};

std::string gDir;
std::vector<Sample> gSamples;

// A smooth synthetic picture (gradients and slow waves), quality 85, written with libjpeg.
void WriteSample(const Sample& s) {
    FILE* f = std::fopen(s.Path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + s.Path);
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(s.Width);
    c.image_height = static_cast<JDIMENSION>(s.Height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(s.Width) * 3);
    while (c.next_scanline < c.image_height) {
        const double y = static_cast<double>(c.next_scanline) / s.Height;
        for (int x = 0; x < s.Width; ++x) {
            const double u = static_cast<double>(x) / s.Width;
            row[x * 3] = static_cast<unsigned char>(255 * u);
            row[x * 3 + 1] = static_cast<unsigned char>(127.5 + 127 * std::sin(6.0 * y + 3.0 * u));
            row[x * 3 + 2] = static_cast<unsigned char>(127.5 + 127 * std::cos(9.0 * u * y));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void BM_LoadPictureFile(benchmark::State& state) {
    const Sample& s = gSamples[static_cast<size_t>(state.range(0))];
    TBitmap32 bitmap;
    bitmap.LoadPictureFile(s.Path);  // warm: the bitmap already holds a picture of this size
    for (auto _ : state) {
        bitmap.LoadPictureFile(s.Path);
        benchmark::DoNotOptimize(bitmap.PixelData());
        benchmark::ClobberMemory();
    }
    if (bitmap.Width() != s.Width || bitmap.Height() != s.Height) state.SkipWithError("wrong size");
}

void BM_BareLibjpeg(benchmark::State& state) {
    const Sample& s = gSamples[static_cast<size_t>(state.range(0))];
    std::vector<uint32_t> pixels;
    BareDecode(s.Path, pixels);  // warm the reused buffer
    for (auto _ : state) {
        BareDecode(s.Path, pixels);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

void Configure(benchmark::internal::Benchmark* b) {
    bench::BestOfRepetitions(b, 7, benchmark::kMillisecond);
    b->Arg(0)->Arg(1);
}

BENCHMARK(BM_BareLibjpeg)->Apply(Configure);
BENCHMARK(BM_LoadPictureFile)->Apply(Configure);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    using namespace velmora;
    char pattern[] = "/tmp/velmora_bench_jpeg_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    gDir = pattern;
    gSamples = {{1024, 768, gDir + "/picture_1024.jpg"}, {4000, 3000, gDir + "/picture_4000.jpg"}};
    for (const Sample& s : gSamples) WriteSample(s);
    const int result = bench::RunBenchmarks(
        argc, argv,
        {{"LoadPictureFile 1024x768 / bare libjpeg", "BM_LoadPictureFile/0", "BM_BareLibjpeg/0"},
         {"LoadPictureFile 4000x3000 / bare libjpeg", "BM_LoadPictureFile/1", "BM_BareLibjpeg/1"}},
        "ms");
    for (const Sample& s : gSamples) std::remove(s.Path.c_str());
    rmdir(gDir.c_str());
    return result;
}

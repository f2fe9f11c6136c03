// velmora --check of a generated catalogue of 200 pages x 10 items (pictures 1024 x 768, hotspot
// files of 20 hotspots) against bare libjpeg-turbo decoding every one of its pictures one after
// another, measured in the same run; then the peak memory of each, each in a process of its own. The
// same decodes on every core show what parallel work could gain on the machine at that moment.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/catalogue_check.h"
#include "app/parallel_for.h"
#include "bench/support/bare_jpeg.h"
#include "bench/support/ratio_reporter.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int Pages = 200;
constexpr int ItemsPerPage = 10;
constexpr int HotspotsPerItem = 20;
constexpr int Signs = 30;

std::string gDir;                   // the data directory, with its trailing "/"
std::vector<std::string> gPictures;  // every picture of it, as the checker decodes them

// A photograph-like picture: smooth gradients with fine texture, so the entropy decoder has real work.
std::vector<unsigned char> EncodePicture(int width, int height, unsigned seed) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    unsigned noise = seed * 2654435761u + 1;
    while (c.next_scanline < c.image_height) {
        const double y = static_cast<double>(c.next_scanline) / height;
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) % 41) - 20;
            const auto clamp = [](double v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[x * 3] = clamp(255 * u + grain);
            row[x * 3 + 1] = clamp(127.5 + 127 * std::sin(6.0 * y + 3.0 * u) + grain);
            row[x * 3 + 2] = clamp(127.5 + 127 * std::cos(9.0 * u * y) + grain);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<unsigned char> bytes(out, out + size);
    std::free(out);
    return bytes;
}

void WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void WriteText(const std::string& path, const std::string& text) { WriteFile(path, text.data(), text.size()); }

void WriteCatalogue() {
    fs::create_directories(gDir + "znaki");
    // A few different pictures, so the decoder does not see one file over and over.
    std::vector<std::vector<unsigned char>> large;
    for (unsigned k = 0; k < 4; ++k) large.push_back(EncodePicture(1024, 768, k));
    const std::vector<unsigned char> sign = EncodePicture(300, 300, 99);
    const auto picture = [&](const std::string& name, const std::vector<unsigned char>& bytes) {
        WriteFile(gDir + name, bytes.data(), bytes.size());
        gPictures.push_back(gDir + name);
    };
    picture("p_menu.jpg", large[0]);
    picture("p_spis.jpg", large[1]);
    std::string info, captions;
    for (int s = 1; s <= Signs; ++s) {
        picture("znaki/S-" + std::to_string(s) + ".jpg", sign);
        captions += "S-" + std::to_string(s) + ".jpg\tSign number " + std::to_string(s) + "\r\n";
    }
    WriteText(gDir + "znaki.txt", captions);
    for (int p = 1; p <= Pages; ++p) {
        info += "[";
        info += std::to_string(p);
        info += "]\r\nItems=";
        info += std::to_string(ItemsPerPage);
        info += "\r\n\r\n";
        picture("p_" + std::to_string(p) + ".jpg", large[static_cast<size_t>(p) % 4]);
        for (int i = 1; i <= ItemsPerPage; ++i) {
            const std::string item = std::to_string(p) + "_" + std::to_string(i);
            picture("p_" + item + ".jpg", large[static_cast<size_t>(p + i) % 4]);
            std::string hotspots = "[info]\r\ncount=";
            hotspots += std::to_string(HotspotsPerItem);
            hotspots += "\r\n\r\n";
            for (int h = 1; h <= HotspotsPerItem; ++h) {
                for (const std::string& part :
                     std::initializer_list<std::string>{"[", std::to_string(h), "]\r\nwidth=40\r\nheight=40\r\ntop=", std::to_string(30 * h),
                      "\r\nleft=", std::to_string(40 * h), "\r\nopis=S-", std::to_string((p + i + h) % Signs + 1),
                      "\r\n\r\n"})
                    hotspots += part;
            }
            WriteText(gDir + item + ".ini", hotspots);
        }
    }
    WriteText(gDir + "info.ini", info);
}

void DecodeAllBare() {
    std::vector<uint32_t> pixels;
    for (const std::string& path : gPictures) bench::BareDecode(path, pixels);
}

// The same decodes spread over every core: the best a parallel check could do on this machine now,
// which shows how many cores the run really had.
void DecodeAllBareInParallel() {
    ParallelFor(gPictures.size(), 0, [](size_t i) {
        thread_local std::vector<uint32_t> pixels;
        bench::BareDecode(gPictures[i], pixels);
    });
}

void Check() {
    const std::vector<TFinding> findings = CheckCatalogue(gDir);
    benchmark::DoNotOptimize(findings.data());
    if (HasErrors(findings)) {
        std::fprintf(stderr, "the generated catalogue has errors: %s\n", FindingLine(findings.front()).c_str());
        std::exit(1);
    }
}

void BM_BareLibjpegOneByOne(benchmark::State& state) {
    for (auto _ : state) DecodeAllBare();
}

void BM_BareLibjpegOnEveryCore(benchmark::State& state) {
    for (auto _ : state) DecodeAllBareInParallel();
}

void BM_Check(benchmark::State& state) {
    for (auto _ : state) Check();
}

void Configure(benchmark::internal::Benchmark* b) {
    bench::BestOfRepetitions(b, 3, benchmark::kMillisecond);
    b->Iterations(1);
}

BENCHMARK(BM_BareLibjpegOneByOne)->Apply(Configure);
BENCHMARK(BM_BareLibjpegOnEveryCore)->Apply(Configure);
BENCHMARK(BM_Check)->Apply(Configure);

// The peak resident memory, in MiB, of a child process that runs work once.
double PeakMemoryOf(const std::function<void()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    using namespace velmora;
    char pattern[] = "/tmp/velmora_bench_check_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    gDir = std::string(pattern) + "/dane/";
    WriteCatalogue();
    // Measured before any benchmark thread exists, each in a process of its own.
    const double barePeak = PeakMemoryOf(DecodeAllBare);
    const double checkPeak = PeakMemoryOf(Check);
    const int result = bench::RunBenchmarks(
        argc, argv,
        {{"--check 200 x 10 / bare libjpeg one after another", "BM_Check", "BM_BareLibjpegOneByOne"},
         {"  bare libjpeg on every core / one after another", "BM_BareLibjpegOnEveryCore", "BM_BareLibjpegOneByOne"},
         {"  --check / bare libjpeg on every core", "BM_Check", "BM_BareLibjpegOnEveryCore"}},
        "ms");
    uintmax_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(gDir))
        if (entry.is_regular_file()) bytes += entry.file_size();
    std::printf("\n%zu pictures, %.0f MiB on disk; peak memory: --check %.1f MiB, bare libjpeg %.1f MiB\n",
                gPictures.size(), static_cast<double>(bytes) / (1 << 20), checkPeak, barePeak);
    fs::remove_all(pattern);
    return result;
}

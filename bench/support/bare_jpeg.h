#pragma once
// The baseline of the decoding figures: what a program calling libjpeg-turbo itself does for one
// picture, reading the file and decoding straight into 32-bit rows of a buffer it keeps.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <benchmark/benchmark.h>

namespace velmora::bench {

inline std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw std::runtime_error("cannot read " + path);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}

inline void BareDecode(const std::string& path, std::vector<uint32_t>& pixels) {
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    jpeg_decompress_struct d;
    jpeg_error_mgr e;
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&d);
    pixels.resize(static_cast<size_t>(d.output_width) * d.output_height);
    JSAMPROW rows[4];
    while (d.output_scanline < d.output_height) {
        const int n = std::min<int>(d.rec_outbuf_height, std::min(4, static_cast<int>(d.output_height - d.output_scanline)));
        for (int i = 0; i < n; ++i)
            rows[i] = reinterpret_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(d.output_scanline + i) * d.output_width);
        jpeg_read_scanlines(&d, rows, static_cast<JDIMENSION>(n));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(pixels.data());
}

}  // namespace velmora::bench

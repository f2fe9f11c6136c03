#pragma once
// JPEG files made with plain libjpeg for tests: a smooth colour field with some detail.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace velmora::testing {

struct EncodeOptions {
    int Width = 61;
    int Height = 37;
    bool Grey = false;
    bool Progressive = false;
    int Quality = 85;
    // Four components as print workflows write them: cyan, magenta, yellow and black.
    bool Cmyk = false;
};

// A smooth colour field with some detail so that every DCT path has work to do.
inline std::vector<uint8_t> Encode(const EncodeOptions& o) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(o.Width);
    c.image_height = static_cast<JDIMENSION>(o.Height);
    c.input_components = o.Grey ? 1 : o.Cmyk ? 4 : 3;
    c.in_color_space = o.Grey ? JCS_GRAYSCALE : o.Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, o.Quality, TRUE);
    if (o.Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(o.Width) * c.input_components);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < o.Width; ++x) {
            const int r = (x * 255) / o.Width;
            const int g = (y * 255) / o.Height;
            const int b = ((x / 5 + y / 3) % 2) ? 200 : 40;
            if (o.Grey) {
                row[x] = static_cast<unsigned char>((r + g + b) / 3);
            } else if (o.Cmyk) {
                row[x * 4] = static_cast<unsigned char>(255 - r);
                row[x * 4 + 1] = static_cast<unsigned char>(255 - g);
                row[x * 4 + 2] = static_cast<unsigned char>(255 - b);
                row[x * 4 + 3] = 0;
            } else {
                row[x * 3] = static_cast<unsigned char>(r);
                row[x * 3 + 1] = static_cast<unsigned char>(g);
                row[x * 3 + 2] = static_cast<unsigned char>(b);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// The same file's bytes as a string, as tests write files.
inline std::string EncodeText(const EncodeOptions& o) {
    const std::vector<uint8_t> bytes = Encode(o);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace velmora::testing

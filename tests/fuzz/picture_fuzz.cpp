// Picture loading on arbitrary bytes named .jpg, as the program loads every picture, with the decoding
// limits in force; a picture that loads is decoded once more with other settings of the decoder.
#include "core/exception.h"
#include "raster/bitmap32.h"
#include "raster/jpeg_image.h"
#include "tests/fuzz/fuzz_targets.h"

namespace velmora::fuzz {

namespace {

// Whether the bytes hold a start-of-frame marker of arithmetic coding, which has no floor of bits a
// block (a rough look for the bound's sake: the marker bytes may also appear inside data).
bool ArithmeticCoded(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] >= 0xC9 && data[i + 1] <= 0xCF && data[i + 1] != 0xCC) return true;
    return false;
}

}  // namespace

void FuzzPicture(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("picture.jpg", data, size);
    TBitmap32 bitmap;
    try {
        bitmap.LoadPictureFile(path);
    } catch (const Exception&) {
        // Refusals and library errors are the loader's answers to such bytes.
        return;
    }
    // A large picture from a few bytes is a bomb: Huffman data takes at least a bit for every block of
    // the first scan, and that scan covers at least one component, at worst a quarter-size chroma one.
    const uint64_t pixels = uint64_t(bitmap.Width()) * bitmap.Height();
    Check(pixels <= MaxCutShortPixels || ArithmeticCoded(data, size) || uint64_t(size) * 2048 >= pixels,
          "a large picture loaded from far too few bytes");
    for (int i = 0; i < bitmap.Width() * bitmap.Height() && i < 4096; ++i)
        Check(AlphaOf(bitmap.PixelData()[i]) == 255, "a loaded picture has a pixel that is not opaque");

    TJPEGImage image;
    try {
        image.LoadFromMemory(std::vector<uint8_t>(data, data + size));
        image.SetShowProgressively(true);
        image.SetScaleDown(static_cast<TJPEGScale>(size % 4));
        image.SetOutputDepth(size % 2 ? TJPEGOutputDepth::Depth8 : TJPEGOutputDepth::Depth24);
        bitmap.AssignGraphic(image);
    } catch (const Exception&) {
    }
}

}  // namespace velmora::fuzz

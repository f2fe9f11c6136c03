// Picture loading on arbitrary bytes named .jpg, as the program loads every picture, with the decoding
// limits in force; a picture that loads is decoded once more with other settings of the decoder.
#include "core/exception.h"
#include "raster/bitmap32.h"
#include "raster/jpeg_image.h"
#include "tests/fuzz/fuzz_targets.h"

namespace velmora::fuzz {

void FuzzPicture(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("picture.jpg", data, size);
    TBitmap32 bitmap;
    try {
        bitmap.LoadPictureFile(path);
    } catch (const Exception&) {
        // Refusals and library errors are the loader's answers to such bytes.
        return;
    }
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

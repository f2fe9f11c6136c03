// JPEG pictures: decoded pixels against plain libjpeg decodes of the same files, the settings that
// shape decoding, library errors, the picture-format registry and loading files into bitmaps.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "raster/bitmap32.h"
#include "raster/jpeg_image.h"
#include "raster/picture.h"
#include "tests/support/jpeg_encode.h"

using namespace velmora;
using velmora::testing::Encode;
using velmora::testing::EncodeOptions;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- encoding and reference decoding through plain libjpeg -------------------------------------

struct RefParams {
    int ScaleDenom = 1;
    bool Smooth = true;
    bool Quantise = false;
    bool ForceGray = false;
    bool Fast = false;
};

struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<TColor32> Pixels;
};

// Decodes with libjpeg directly: RGB (or the quantised index) per row, assembled here into 32-bit
// pixels, independently of the code under test.
Picture ReferenceDecode(const Bytes& bytes, const RefParams& p) {
    jpeg_decompress_struct d;
    jpeg_error_mgr e;
    d.err = jpeg_std_error(&e);
    e.emit_message = [](j_common_ptr, int) {};  // files cut short warn; that is expected here
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = static_cast<unsigned>(p.ScaleDenom);
    d.do_block_smoothing = p.Smooth;
    if (p.ForceGray) d.out_color_space = JCS_GRAYSCALE;
    if (p.Quantise) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 236;
    } else if (d.out_color_space != JCS_GRAYSCALE) {
        d.out_color_space = JCS_RGB;
    }
    if (p.Fast) {
        d.dct_method = JDCT_IFAST;
        d.two_pass_quantize = FALSE;
        d.dither_mode = JDITHER_ORDERED;
    }
    jpeg_start_decompress(&d);
    Picture pic;
    pic.Width = static_cast<int>(d.output_width);
    pic.Height = static_cast<int>(d.output_height);
    pic.Pixels.resize(static_cast<size_t>(pic.Width) * pic.Height);
    std::vector<unsigned char> row(static_cast<size_t>(d.output_width) * d.output_components);
    while (d.output_scanline < d.output_height) {
        const int y = static_cast<int>(d.output_scanline);
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (int x = 0; x < pic.Width; ++x) {
            uint8_t rr, gg, bb;
            if (p.Quantise) {
                const int i = row[x];
                rr = d.colormap[0][i];
                gg = d.out_color_components == 3 ? d.colormap[1][i] : rr;
                bb = d.out_color_components == 3 ? d.colormap[2][i] : rr;
            } else if (d.output_components == 1) {
                rr = gg = bb = row[x];
            } else {
                rr = row[x * 3];
                gg = row[x * 3 + 1];
                bb = row[x * 3 + 2];
            }
            pic.Pixels[static_cast<size_t>(y) * pic.Width + x] = Color32(rr, gg, bb, 255);
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pic;
}

// Draws an image into a buffer pre-filled with a marker so that untouched pixels show.
Picture DrawImage(const TJPEGImage& image, int width = -1, int height = -1, bool* opaque = nullptr) {
    Picture pic;
    pic.Width = width < 0 ? image.Width() : width;
    pic.Height = height < 0 ? image.Height() : height;
    pic.Pixels.assign(static_cast<size_t>(pic.Width) * pic.Height, 0x12345678u);
    const bool o = image.Draw(pic.Pixels.data(), pic.Width, pic.Height);
    if (opaque) *opaque = o;
    return pic;
}

std::unique_ptr<TJPEGImage> ImageOf(const Bytes& bytes) {
    auto image = std::make_unique<TJPEGImage>();
    image->LoadFromMemory(bytes);
    return image;
}

void ExpectSamePixels(const Picture& expected, const Picture& actual) {
    ASSERT_EQ(expected.Width, actual.Width);
    ASSERT_EQ(expected.Height, actual.Height);
    size_t mismatches = 0;
    size_t first = 0;
    for (size_t i = 0; i < expected.Pixels.size(); ++i)
        if (expected.Pixels[i] != actual.Pixels[i] && mismatches++ == 0) first = i;
    EXPECT_EQ(mismatches, 0u) << "first at (" << first % expected.Width << ", " << first / expected.Width
                              << "): expected " << std::hex << expected.Pixels[first] << " got "
                              << actual.Pixels[first];
}

// ---- files -------------------------------------------------------------------------------------

std::string DataFile(const std::string& name) { return std::string(VELMORA_JPEG_TEST_DATA) + "/" + name; }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A private directory for files written by a test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/velmora_jpeg_XXXXXX";
        FPath = mkdtemp(pattern);
    }
    ~TempDir() {
        for (const auto& f : FFiles) std::remove(f.c_str());
        for (auto it = FDirs.rbegin(); it != FDirs.rend(); ++it) rmdir(it->c_str());
        rmdir(FPath.c_str());
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = FPath + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        FFiles.push_back(path);
        return path;
    }
    std::string MakeDir(const std::string& name) {
        const std::string path = FPath + "/" + name;
        mkdir(path.c_str(), 0700);
        FDirs.push_back(path);
        return path;
    }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::vector<std::string> FFiles;
    std::vector<std::string> FDirs;
};

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

int JpegCodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EJPEG& e) {
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.Code()));
        return e.Code();
    }
    return 0;
}

Picture BitmapPixels(const TBitmap32& bitmap) {
    Picture pic;
    pic.Width = bitmap.Width();
    pic.Height = bitmap.Height();
    if (!bitmap.IsEmpty())
        pic.Pixels.assign(bitmap.PixelData(), bitmap.PixelData() + static_cast<size_t>(pic.Width) * pic.Height);
    return pic;
}

void FillBitmap(TBitmap32& bitmap, int width, int height, TColor32 color) {
    bitmap.SetDimensions(width, height);
    for (int i = 0; i < width * height; ++i) bitmap.PixelData()[i] = color;
}

// ---- decoding ------------------------------------------------------------------------------------

TEST(JpegDecoding, ColourPicturesArriveAsTheLibraryDecodesThemWithOpaqueAlpha) {
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        EncodeOptions o;
        o.Progressive = progressive;
        const Bytes bytes = Encode(o);
        const auto imageHolder = ImageOf(bytes);
        const TJPEGImage& image = *imageHolder;
        EXPECT_EQ(image.Width(), 61);
        EXPECT_EQ(image.Height(), 37);
        EXPECT_FALSE(image.Grayscale());
        EXPECT_EQ(image.EncodeProgressive(), progressive);
        bool opaque = false;
        const Picture drawn = DrawImage(image, -1, -1, &opaque);
        EXPECT_TRUE(opaque);
        ExpectSamePixels(ReferenceDecode(bytes, {}), drawn);
    }
}

TEST(JpegDecoding, GreyscaleFilesAreQuantisedToAtMost236OpaqueGreyLevels) {
    EncodeOptions o;
    o.Grey = true;
    o.Width = 256;
    o.Height = 24;
    const Bytes bytes = Encode(o);
    const auto imageHolder = ImageOf(bytes);
    const TJPEGImage& image = *imageHolder;
    EXPECT_TRUE(image.Grayscale());
    const Picture drawn = DrawImage(image);
    RefParams ref;
    ref.Quantise = true;
    ExpectSamePixels(ReferenceDecode(bytes, ref), drawn);
    std::set<TColor32> levels;
    for (TColor32 c : drawn.Pixels) {
        ASSERT_EQ(AlphaOf(c), 255);
        ASSERT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << std::hex << c;
        levels.insert(c);
    }
    EXPECT_LE(levels.size(), 236u);
    EXPECT_GT(levels.size(), 100u);  // a full ramp really uses the levels
}

TEST(JpegDecoding, SettingsShapeTheDecodeAsTheyShapeLibjpegs) {
    const Bytes colour = Encode({});
    struct Case {
        const char* Name;
        std::function<void(TJPEGImage&)> Set;
        RefParams Ref;
    };
    RefParams gray;
    gray.ForceGray = true;
    gray.Quantise = true;
    RefParams depth8;
    depth8.Quantise = true;
    RefParams fast;
    fast.Fast = true;
    RefParams fastDepth8 = depth8;
    fastDepth8.Fast = true;
    RefParams half;
    half.ScaleDenom = 2;
    RefParams eighth;
    eighth.ScaleDenom = 8;
    const std::vector<Case> cases{
        {"ForceGray", [](TJPEGImage& i) { i.SetForceGray(true); }, gray},
        {"Depth8", [](TJPEGImage& i) { i.SetOutputDepth(TJPEGOutputDepth::Depth8); }, depth8},
        {"SpeedFirst", [](TJPEGImage& i) { i.SetDecodeSpeed(TJPEGDecodeSpeed::SpeedFirst); }, fast},
        {"SpeedFirst Depth8",
         [](TJPEGImage& i) {
             i.SetDecodeSpeed(TJPEGDecodeSpeed::SpeedFirst);
             i.SetOutputDepth(TJPEGOutputDepth::Depth8);
         },
         fastDepth8},
        {"ScaleHalf", [](TJPEGImage& i) { i.SetScaleDown(TJPEGScale::ScaleHalf); }, half},
        {"ScaleEighth", [](TJPEGImage& i) { i.SetScaleDown(TJPEGScale::ScaleEighth); }, eighth},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto imageHolder = ImageOf(colour);
        TJPEGImage& image = *imageHolder;
        c.Set(image);
        const Picture expected = ReferenceDecode(colour, c.Ref);
        EXPECT_EQ(image.Width(), expected.Width);
        EXPECT_EQ(image.Height(), expected.Height);
        ExpectSamePixels(expected, DrawImage(image));
    }
}

TEST(JpegDecoding, BlockSmoothingAndProgressiveDisplayKeepTheLibrarysResult) {
    // Block smoothing only acts where a progressive file left coefficients unrefined: cut one short.
    EncodeOptions o;
    o.Progressive = true;
    o.Width = 96;
    o.Height = 64;
    Bytes bytes = Encode(o);
    bytes.resize(bytes.size() * 2 / 5);
    Picture smoothed, plain;
    for (const bool smooth : {true, false}) {
        SCOPED_TRACE(smooth ? "smoothing" : "no smoothing");
        const auto imageHolder = ImageOf(bytes);
        TJPEGImage& image = *imageHolder;
        image.SetSmoothBlocks(smooth);
        RefParams ref;
        ref.Smooth = smooth;
        const Picture expected = ReferenceDecode(bytes, ref);
        (smooth ? smoothed : plain) = expected;
        ExpectSamePixels(expected, DrawImage(image));
    }
    EXPECT_NE(smoothed.Pixels, plain.Pixels);  // the cut really leaves work for the smoothing

    // Progressive display sends intermediate passes through the rows with speed settings; the
    // final pass must leave exactly the normal result, also when the quantiser changes between them.
    const Bytes whole = Encode(o);
    RefParams depth8;
    depth8.Quantise = true;
    const Bytes greyWhole = Encode({61, 37, true, true, 85});
    struct Case {
        const char* Name;
        const Bytes& Data;
        bool Depth8;
        RefParams Ref;
    };
    for (const Case& c : {Case{"colour", whole, false, {}}, Case{"colour Depth8", whole, true, depth8},
                          Case{"grey", greyWhole, false, depth8}}) {
        SCOPED_TRACE(c.Name);
        const auto imageHolder = ImageOf(c.Data);
        TJPEGImage& image = *imageHolder;
        image.SetShowProgressively(true);
        if (c.Depth8) image.SetOutputDepth(TJPEGOutputDepth::Depth8);
        ExpectSamePixels(ReferenceDecode(c.Data, c.Ref), DrawImage(image));
    }
}

TEST(JpegDecoding, DrawingKeepsToTheTargetWhateverItsSize) {
    const Bytes bytes = Encode({});
    const auto imageHolder = ImageOf(bytes);
    const TJPEGImage& image = *imageHolder;
    const Picture full = ReferenceDecode(bytes, {});
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{20, 10}, {61, 5}, {80, 50}, {1, 1}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        bool opaque = true;
        const Picture drawn = DrawImage(image, w, h, &opaque);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const TColor32 got = drawn.Pixels[static_cast<size_t>(y) * w + x];
                const TColor32 want = x < full.Width && y < full.Height
                                          ? full.Pixels[static_cast<size_t>(y) * full.Width + x]
                                          : 0x12345678u;  // outside the picture: untouched
                ASSERT_EQ(got, want) << x << ", " << y;
            }
        EXPECT_EQ(opaque, w <= full.Width && h <= full.Height);
    }
    // Quantised output takes the same clipping path.
    const auto greyHolder = ImageOf(Encode({61, 37, true, false, 85}));
    TJPEGImage& grey = *greyHolder;
    const Picture drawn = DrawImage(grey, 30, 40);
    EXPECT_EQ(drawn.Pixels[39 * 30 + 29], 0x12345678u);
    EXPECT_EQ(AlphaOf(drawn.Pixels[36 * 30 + 29]), 255);
}

TEST(JpegDecoding, KeptDecodedPicturesAreDroppedWhenTheirSettingsChange) {
    const Bytes bytes = Encode({});
    const auto imageHolder = ImageOf(bytes);
    TJPEGImage& image = *imageHolder;
    const TJPEGPixels& kept = image.DecodedPicture();
    EXPECT_TRUE(image.HasDecodedPicture());
    ExpectSamePixels(ReferenceDecode(bytes, {}), Picture{kept.Width, kept.Height, kept.Pixels});

    // Another picture assigned from this one shares the data and takes a copy of the decoded pixels.
    TJPEGImage copy;
    copy.Assign(image);
    EXPECT_EQ(copy.Data(), image.Data());
    EXPECT_TRUE(copy.HasDecodedPicture());
    ExpectSamePixels(ReferenceDecode(bytes, {}), DrawImage(copy));

    int changes = 0;
    image.OnChange = [&](TGraphic*) { ++changes; };
    image.SetScaleDown(TJPEGScale::ScaleQuarter);
    EXPECT_FALSE(image.HasDecodedPicture());
    EXPECT_EQ(changes, 1);
    RefParams quarter;
    quarter.ScaleDenom = 4;
    ExpectSamePixels(ReferenceDecode(bytes, quarter), DrawImage(image));
    image.SetScaleDown(TJPEGScale::ScaleQuarter);
    EXPECT_EQ(changes, 1);  // unchanged value, no event
}

TEST(JpegDecoding, PixelsAssignedFromElsewhereBecomeTheOpaquePicture) {
    const std::vector<TColor32> pixels{0x00112233u, 0x80445566u, 0xFF778899u, 0x01000000u, 0xFFFFFFFFu, 0u};
    TJPEGImage image;
    image.AssignPixels(pixels.data(), 3, 2);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_TRUE(image.Data()->Bytes.empty());
    const Picture drawn = DrawImage(image);
    for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(drawn.Pixels[i], pixels[i] | 0xFF000000u);
}

// ---- errors and damaged files ------------------------------------------------------------------

TEST(JpegErrors, DamagedHeadersFailWithTheLibrarysCode) {
    struct Case {
        const char* File;
        int Code;
    };
    for (const Case& c : {Case{"not_jpeg.jpg", 53}, Case{"soi_only.jpg", 51}, Case{"header_cut.jpg", 59}}) {
        SCOPED_TRACE(c.File);
        const Bytes bytes = ReadFile(DataFile(c.File));
        ASSERT_FALSE(bytes.empty());
        const auto imageHolder = ImageOf(Encode({}));
        TJPEGImage& image = *imageHolder;
        EXPECT_EQ(JpegCodeOf([&] { image.LoadFromMemory(bytes); }), c.Code);
        // A failed load leaves the picture it had.
        EXPECT_EQ(image.Width(), 61);
        EXPECT_EQ(image.Height(), 37);
    }
    // The library error is one of the invalid-graphic failures.
    EXPECT_THROW(ImageOf(ReadFile(DataFile("not_jpeg.jpg"))), EInvalidGraphic);
}

TEST(JpegErrors, FilesCutShortOrEmptyLoadWithoutError) {
    const auto emptyHolder = ImageOf(Bytes{});
    const TJPEGImage& empty = *emptyHolder;
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);

    const auto cutHolder = ImageOf(ReadFile(DataFile("truncated.jpg")));
    const TJPEGImage& cut = *cutHolder;
    ASSERT_EQ(cut.Width(), 48);
    ASSERT_EQ(cut.Height(), 48);
    const Picture drawn = DrawImage(cut);
    const Picture intact = ReferenceDecode(ReadFile(DataFile("gradient_48.jpg")), {});
    for (TColor32 c : drawn.Pixels) ASSERT_EQ(AlphaOf(c), 255);
    // The rows whose data survived are the intact file's rows.
    for (int x = 0; x < 48; ++x) EXPECT_EQ(drawn.Pixels[x], intact.Pixels[x]) << x;
}

TEST(JpegErrors, HeaderSizesAreTakenWithoutDecodingAndSizesCannotBeSet) {
    const auto imageHolder = ImageOf(ReadFile(DataFile("huge_header.jpg")));
    TJPEGImage& image = *imageHolder;
    EXPECT_EQ(image.Width(), 60000);
    EXPECT_EQ(image.Height(), 60000);
    EXPECT_EQ(MessageOf([&] { image.DecodedPicture(); }), "Can't allocate the DIB handle");
    image.SetScaleDown(TJPEGScale::ScaleEighth);
    EXPECT_EQ(image.Width(), 7500);
    EXPECT_EQ(MessageOf([&] { image.SetWidth(10); }), "Cannot change the size of a JPEG image");
    EXPECT_THROW(image.SetHeight(10), EInvalidGraphicOperation);
    EXPECT_EQ(image.Height(), 7500);
}

// ---- registry and picture holder ---------------------------------------------------------------

TEST(PictureFormats, RegistryListsTheToolkitFormatsThenJpegAndSearchesBackwards) {
    const auto& formats = PictureFormats();
    ASSERT_GE(formats.size(), 6u);
    const char* expected[] = {"wmf", "emf", "ico", "bmp", "jpeg", "jpg"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(formats[i].Extension, expected[i]);
    EXPECT_EQ(formats[4].Description, "JPEG Image File");
    EXPECT_EQ(formats[5].Description, "JPEG Image File");

    const TGraphicClass* jpg = FindPictureFormat("JpG");
    ASSERT_NE(jpg, nullptr);
    EXPECT_STREQ(jpg->ClassName, "TJPEGImage");
    EXPECT_EQ(FindPictureFormat("JPEG"), jpg);
    EXPECT_EQ(FindPictureFormat("jpe"), nullptr);
    EXPECT_EQ(FindPictureFormat(""), nullptr);
    EXPECT_EQ(FindPictureFormat("bmp"), &TBitmapClass);

    // A later registration of the same extension wins; extensions are stored lower-cased.
    static const TGraphicClass first{"First", nullptr};
    static const TGraphicClass second{"Second", nullptr};
    RegisterPictureFormat("ZZTEST", "first", &first);
    RegisterPictureFormat("zztest", "second", &second);
    EXPECT_EQ(FindPictureFormat("zzTest"), &second);
    EXPECT_EQ(PictureFormats().back().Extension, "zztest");
}

TEST(PictureFormats, ExtensionsComeFromTheLastPathComponent) {
    EXPECT_EQ(PictureFileExtension("a/b/sign.JPG"), "JPG");
    EXPECT_EQ(PictureFileExtension("sign.tar.jpeg"), "jpeg");
    EXPECT_EQ(PictureFileExtension("dir.v2/sign"), "");
    EXPECT_EQ(PictureFileExtension("sign."), "");
    EXPECT_EQ(PictureFileExtension("sign"), "");
}

TEST(PictureFormats, PictureHolderKeepsItsGraphicWhenALoadFails) {
    TempDir dir;
    const std::string good = dir.Write("good.jpg", Encode({}));
    const std::string bad = dir.Write("bad.jpg", ReadFile(DataFile("not_jpeg.jpg")));
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture*) { ++changes; };
    picture.LoadFromFile(good);
    EXPECT_EQ(changes, 1);
    const TGraphic* loaded = picture.Graphic();
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->ClassName(), "TJPEGImage");
    EXPECT_EQ(picture.Width(), 61);

    EXPECT_EQ(MessageOf([&] { picture.LoadFromFile(bad); }), "JPEG error #53");
    EXPECT_EQ(MessageOf([&] { picture.LoadFromFile(dir.Path() + "/icon.ico"); }),
              "Unknown picture file extension (.ico)");
    EXPECT_EQ(picture.Graphic(), loaded);
    EXPECT_EQ(changes, 1);

    // The graphic's own changes reach the holder.
    static_cast<TJPEGImage*>(picture.Graphic())->SetScaleDown(TJPEGScale::ScaleHalf);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picture.Width(), 31);
}

TEST(PictureFormats, GraphicsReadStreamsFromTheirCurrentPosition) {
    const Bytes bytes = Encode({});
    std::string content = "prefix";
    content.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::istringstream stream(content);
    stream.seekg(6);
    TJPEGImage image;
    image.LoadFromStream(stream);
    EXPECT_EQ(image.Data()->Bytes, bytes);
    EXPECT_EQ(image.Width(), 61);
}

// ---- loading files into bitmaps ----------------------------------------------------------------

TEST(LoadPictureFile, JpegFilesOfEitherExtensionLoadAsTheLibraryDecodesThem) {
    TempDir dir;
    const Bytes colour = Encode({});
    const Bytes grey = Encode({61, 37, true, false, 85});
    RefParams quantised;
    quantised.Quantise = true;
    struct Case {
        std::string Name;
        const Bytes& Data;
        Picture Expected;
    };
    const std::vector<Case> cases{{"upper.JPG", colour, ReferenceDecode(colour, {})},
                                  {"long.jpeg", colour, ReferenceDecode(colour, {})},
                                  {"grey.jpg", grey, ReferenceDecode(grey, quantised)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap32 bitmap;
        FillBitmap(bitmap, 5, 5, 0x00000000u);
        int changes = 0, resizes = 0;
        bitmap.OnChange = [&](TNotifiablePersistent*) { ++changes; };
        bitmap.OnResize = [&](TNotifiablePersistent*) { ++resizes; };
        bitmap.LoadPictureFile(dir.Write(c.Name, c.Data));
        ExpectSamePixels(c.Expected, BitmapPixels(bitmap));
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(resizes, 1);
    }
}

TEST(LoadPictureFile, EveryPixelIsOpaqueAfterLoadingOverOldContent) {
    TempDir dir;
    const std::string path = dir.Write("p.jpg", Encode({}));
    TBitmap32 bitmap;
    // Same size, transparent old content: the load must not rely on a fresh or opaque store.
    FillBitmap(bitmap, 61, 37, 0x00FFFFFFu);
    bitmap.LoadPictureFile(path);
    for (TColor32 c : BitmapPixels(bitmap).Pixels) ASSERT_EQ(AlphaOf(c), 255);
    const std::string truncated = dir.Write("t.jpg", ReadFile(DataFile("truncated.jpg")));
    FillBitmap(bitmap, 48, 48, 0x00000000u);
    bitmap.LoadPictureFile(truncated);
    for (TColor32 c : BitmapPixels(bitmap).Pixels) ASSERT_EQ(AlphaOf(c), 255);
}

TEST(LoadPictureFile, FailuresLeaveTheBitmapAsItWas) {
    TempDir dir;
    const std::string subdir = dir.MakeDir("folder.jpg");
    struct Case {
        std::string Path;
        std::string Message;
    };
    const std::vector<Case> cases{
        {dir.Write("x.jpe", Encode({})), "Unknown picture file extension (.jpe)"},
        {dir.Write("noext", Encode({})), "Unknown picture file extension (.)"},
        {dir.Write("old.bmp", Encode({})), "Unknown picture file extension (.bmp)"},
        {dir.Write("not.jpg", ReadFile(DataFile("not_jpeg.jpg"))), "JPEG error #53"},
        {dir.Write("soi.jpg", ReadFile(DataFile("soi_only.jpg"))), "JPEG error #51"},
        {dir.Path() + "/missing.jpg", "Cannot open file \"" + dir.Path() + "/missing.jpg\". No such file or directory"},
        {subdir, "Cannot open file \"" + subdir + "\". Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        TBitmap32 bitmap;
        FillBitmap(bitmap, 7, 3, 0x80A0B0C0u);
        int changes = 0;
        bitmap.OnChange = [&](TNotifiablePersistent*) { ++changes; };
        EXPECT_EQ(MessageOf([&] { bitmap.LoadPictureFile(c.Path); }), c.Message);
        EXPECT_EQ(bitmap.Width(), 7);
        EXPECT_EQ(bitmap.Height(), 3);
        for (TColor32 px : BitmapPixels(bitmap).Pixels) ASSERT_EQ(px, 0x80A0B0C0u);
        EXPECT_EQ(changes, 0);
    }
    EXPECT_THROW(TBitmap32().LoadPictureFile(dir.Path() + "/missing.jpg"), EFileStreamOpenError);
}

TEST(LoadPictureFile, EmptyFilesEmptyTheBitmapAndOversizedHeadersFailCleanly) {
    TempDir dir;
    TBitmap32 bitmap;
    FillBitmap(bitmap, 4, 4, 0xFF000000u);
    bitmap.LoadPictureFile(dir.Write("empty.jpg", ReadFile(DataFile("empty.jpg"))));
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_TRUE(bitmap.IsEmpty());

    FillBitmap(bitmap, 4, 4, 0xFF000000u);
    EXPECT_EQ(MessageOf([&] { bitmap.LoadPictureFile(dir.Write("huge.jpg", ReadFile(DataFile("huge_header.jpg")))); }),
              "Can't allocate the DIB handle");
    EXPECT_TRUE(bitmap.IsEmpty());
    // The bitmap is usable afterwards.
    bitmap.LoadPictureFile(dir.Write("ok.jpg", Encode({})));
    EXPECT_EQ(bitmap.Width(), 61);
}

TEST(LoadPictureFile, PictureHoldersAndGraphicsAssignLikeFiles) {
    const Bytes bytes = Encode({});
    const auto imageHolder = ImageOf(bytes);
    TJPEGImage& image = *imageHolder;
    image.SetScaleDown(TJPEGScale::ScaleHalf);
    TBitmap32 bitmap;
    bitmap.AssignGraphic(image);
    RefParams half;
    half.ScaleDenom = 2;
    ExpectSamePixels(ReferenceDecode(bytes, half), BitmapPixels(bitmap));

    // A decoded picture kept by the graphic is copied rather than decoded again.
    TJPEGImage kept;
    const std::vector<TColor32> pixels{0x00010203u, 0x00040506u};
    kept.AssignPixels(pixels.data(), 2, 1);
    bitmap.AssignGraphic(kept);
    EXPECT_EQ(BitmapPixels(bitmap).Pixels, (std::vector<TColor32>{0xFF010203u, 0xFF040506u}));

    // An empty holder, or none, empties the bitmap.
    TPicture none;
    bitmap.Assign(&none);
    EXPECT_TRUE(bitmap.IsEmpty());
    FillBitmap(bitmap, 2, 2, 0u);
    bitmap.Assign(static_cast<const TPicture*>(nullptr));
    EXPECT_TRUE(bitmap.IsEmpty());
}

// ---- decoding bounds -----------------------------------------------------------------------------

std::string HostileFile(const std::string& name) { return std::string(VELMORA_HOSTILE_TEST_DATA) + "/" + name; }

TEST(JpegLimits, SmallFilesThatDescribeHugeWorkFailNamingTheFile) {
    TempDir dir;
    struct Case {
        const char* Name;
        std::string Source;
        const char* Problem;
        bool SizeKept;  // refused at loading, before the bitmap took the picture's size
    };
    const std::vector<Case> cases{
        {"header.jpg", HostileFile("progressive_header_16384.jpg"), "needs more than 512 MB to decode", true},
        {"scans.jpg", HostileFile("empty_scans_3000_4096.jpg"), "has scans that would take too long to decode", false},
        {"large.jpg", HostileFile("empty_scans_3000.jpg"), "ends long before its image data does", true},
        {"many.jpg", DataFile("many_scans.jpg"), "has more than 500 scans", false},
        {"short.jpg", HostileFile("baseline_header_10240x9216.jpg"), "ends long before its image data does", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.Write(c.Name, ReadFile(c.Source));
        TBitmap32 bitmap;
        FillBitmap(bitmap, 7, 3, 0xFF102030u);
        std::string message;
        try {
            bitmap.LoadPictureFile(path);
        } catch (const EJPEGLimit& e) {
            message = e.what();
        }
        EXPECT_EQ(message, "JPEG picture \"" + path + "\" " + c.Problem);
        EXPECT_EQ(bitmap.Width() == 7, c.SizeKept);
    }
    // A whole picture larger than the cut-short bound loads, greyscale with the fewest blocks a pixel.
    const auto large = ImageOf(Encode({.Width = 4200, .Height = 4100, .Grey = true, .Quality = 10}));
    EXPECT_EQ(large->Width(), 4200);
    // From memory there is no name to give; a progressive display is bounded as well.
    const auto many = ImageOf(ReadFile(DataFile("many_scans.jpg")));
    EXPECT_EQ(MessageOf([&] { DrawImage(*many); }), "JPEG picture has more than 500 scans");
    many->SetShowProgressively(true);
    EXPECT_EQ(MessageOf([&] { DrawImage(*many); }), "JPEG picture has more than 500 scans");
    EXPECT_EQ(MessageOf([&] { ImageOf(ReadFile(HostileFile("progressive_header_16384.jpg"))); }),
              "JPEG picture needs more than 512 MB to decode");
}

TEST(JpegLimits, OtherPrecisionsAndProcessesKeepTheLibrarysError) {
    const Bytes baseline = Encode({});
    size_t sof = 2;
    while (baseline[sof + 1] != 0xC0) sof += 2 + ((baseline[sof + 2] << 8) | baseline[sof + 3]);
    Bytes twelveBit = baseline;
    twelveBit[sof + 4] = 12;
    Bytes lossless = baseline;
    lossless[sof + 1] = 0xC3;
    EXPECT_EQ(JpegCodeOf([&] { ImageOf(twelveBit); }), JERR_BAD_PRECISION);
    EXPECT_EQ(JpegCodeOf([&] { ImageOf(lossless); }), JERR_SOF_UNSUPPORTED);
}

// ---- ink pictures --------------------------------------------------------------------------------

// A colour field as inks (CMYK, or YCCK for the encoder to transform), inverted as desktop-publishing
// programs store them when the file carries an Adobe marker.
Bytes EncodeInks(bool ycck, bool adobeMarker) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 40;
    c.image_height = 24;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    c.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(40 * 4);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < 40; ++x) {
            const int inks[4] = {x * 6, y * 10, 120, x < 20 ? 0 : 60};
            for (int k = 0; k < 4; ++k) row[x * 4 + k] = static_cast<unsigned char>(adobeMarker ? 255 - inks[k] : inks[k]);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

// What the inks of each pixel give: plain libjpeg's CMYK, each colour the paper left by its ink times
// the paper left by black.
Picture ReferenceInkDecode(const Bytes& bytes) {
    jpeg_decompress_struct d;
    jpeg_error_mgr e;
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_CMYK;
    jpeg_start_decompress(&d);
    const bool inverted = d.saw_Adobe_marker;
    Picture pic{static_cast<int>(d.output_width), static_cast<int>(d.output_height), {}};
    std::vector<unsigned char> row(static_cast<size_t>(pic.Width) * 4);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        for (int x = 0; x < pic.Width; ++x) {
            double paper[4];
            for (int k = 0; k < 4; ++k) paper[k] = inverted ? row[x * 4 + k] : 255 - row[x * 4 + k];
            const auto channel = [&](int k) { return static_cast<uint8_t>(std::lround(paper[k] * paper[3] / 255.0)); };
            pic.Pixels.push_back(Color32(channel(0), channel(1), channel(2), 255));
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pic;
}

TEST(JpegInks, CmykAndYcckPicturesDecodeToTheColourOfTheirInks) {
    struct Case {
        const char* Name;
        bool Ycck;
        bool Adobe;
    };
    Picture plain;
    for (const Case& c : {Case{"CMYK, no marker", false, false}, Case{"CMYK, Adobe", false, true},
                          Case{"YCCK, Adobe", true, true}}) {
        SCOPED_TRACE(c.Name);
        const Bytes bytes = EncodeInks(c.Ycck, c.Adobe);
        const auto image = ImageOf(bytes);
        const Picture drawn = DrawImage(*image);
        ExpectSamePixels(ReferenceInkDecode(bytes), drawn);
        // Read the right way round, every file shows the same picture: the marker decides the inversion.
        if (plain.Pixels.empty()) plain = drawn;
        for (size_t i = 0; i < drawn.Pixels.size(); i += 37)
            ASSERT_LE(std::abs(int(GreenOf(drawn.Pixels[i])) - int(GreenOf(plain.Pixels[i]))), 12) << i;
        // Cyan 0, magenta 0, yellow 120, no black at the top left: a yellowish white.
        EXPECT_GT(RedOf(drawn.Pixels[0]), 240);
        EXPECT_LT(BlueOf(drawn.Pixels[0]), 150);

        // Grey when asked, clipped like every other picture, and the same through a bitmap.
        image->SetForceGray(true);
        const Picture grey = DrawImage(*image, 30, 10);
        EXPECT_EQ(RedOf(grey.Pixels[5]), BlueOf(grey.Pixels[5]));
        EXPECT_EQ(AlphaOf(grey.Pixels[5]), 255);
        TBitmap32 bitmap;
        TempDir dir;
        bitmap.LoadPictureFile(dir.Write("inks.jpg", bytes));
        ExpectSamePixels(drawn, BitmapPixels(bitmap));
    }
}

}  // namespace

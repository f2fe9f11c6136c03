#pragma once
// JPEG pictures through libjpeg. Loading keeps the file's bytes and reads only the header (size,
// grey flag, multi-scan flag); the image is decoded when it is first drawn, straight into the
// target's 32-bit rows. Colour pictures decode as blue, green, red, alpha 255. Greyscale files, and
// every picture when ForceGray or Depth8 is set, are quantised by libjpeg to at most 236 levels and
// expanded through its colour map.
//
// CMYK and YCCK files decode to colour: libjpeg delivers CMYK, converted here to red, green, blue.
// A file with an Adobe marker holds its inks inverted (255 is no ink), as desktop-publishing programs
// write them; one without holds them plain. Such pictures are never quantised (ForceGray gives grey
// from the converted colour, Depth8 is ignored).
//
// Library failures surface as EJPEG "JPEG error #<code>" with libjpeg's message code; warnings are
// only noted (DecodeWarning), so a file cut short inside its image data decodes (libjpeg completes it).
//
// A small file can describe an enormous amount of work, so decoding is bounded: libjpeg's own memory
// (the whole-image buffers of multi-scan files and of two-pass quantising) to MaxJpegWorkBytes,
// checked when the header is read and again before each decode, and the scans to MaxJpegScans and
// to the blocks of MaxJpegScanPasses whole-image passes in all (an output pass of a progressive display
// counts as one). A picture of more than MaxCutShortPixels as decoded (and within the bitmap's limit)
// whose first scan cannot fit in the bytes the file has left (a Huffman-coded block costs a bit or two
// at least) is refused when it is loaded: a header of a few hundred bytes would otherwise cost a
// bitmap of gigabytes, filled grey. Smaller pictures cut short still decode as libjpeg completes them.
// Past a bound the load or draw fails with EJPEGLimit, whose message names the file. The decoded
// pixels themselves are bounded by the bitmap's own limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/picture.h"

namespace velmora {

class EJPEG : public EInvalidGraphic {
public:
    explicit EJPEG(int code);
    int Code() const { return FCode; }

private:
    int FCode;
};

// Decoding bounds; no real picture comes near them.
constexpr size_t MaxJpegWorkBytes = size_t(512) << 20;
constexpr int MaxJpegScans = 500;
// Scans may cover 50 times the whole image (a real progressive file covers it 5 to 15 times), or
// 4M blocks, whichever is more: a few tens of milliseconds.
constexpr int MaxJpegScanPasses = 50;
constexpr uint64_t MinJpegScanBudgetBlocks = uint64_t(1) << 22;
// 4096 x 4096: a picture this size cut short costs 64 MB and a tenth of a second, whatever it claims.
constexpr uint64_t MaxCutShortPixels = uint64_t(1) << 24;

// A picture that would need more than the decoding bounds allow.
class EJPEGLimit : public EInvalidGraphic {
public:
    enum class TKind : uint8_t { Scans, ScanWork, Memory, CutShort };
    // fileName may be empty for a picture that came from memory.
    EJPEGLimit(TKind kind, const std::string& fileName);
    TKind Kind() const { return FKind; }

private:
    TKind FKind;
};

enum class TJPEGOutputDepth : uint8_t { Depth24, Depth8 };
enum class TJPEGDecodeSpeed : uint8_t { QualityFirst, SpeedFirst };
enum class TJPEGScale : uint8_t { ScaleFull, ScaleHalf, ScaleQuarter, ScaleEighth };

// Settings given to every new TJPEGImage. The toolkit sets OutputDepth to Depth8 at start-up when the
// screen has 8 bits per pixel or fewer; nothing else changes them.
struct TJPEGDefaults {
    int EncodeQuality = 90;
    bool ForceGray = false;
    TJPEGDecodeSpeed DecodeSpeed = TJPEGDecodeSpeed::QualityFirst;
    TJPEGOutputDepth OutputDepth = TJPEGOutputDepth::Depth24;
    bool ShowProgressively = false;
    bool EncodeProgressive = false;
    TJPEGScale ScaleDown = TJPEGScale::ScaleFull;
    bool SmoothBlocks = true;
};

extern TJPEGDefaults JpegDefaults;

// One file's content with what its header says; shared by the pictures assigned from each other.
struct TJPEGData {
    std::vector<uint8_t> Bytes;
    std::string FileName;  // the file the bytes came from, for error messages; empty from memory
    uint32_t Width = 0;
    uint32_t Height = 0;
    bool Grayscale = false;
};

// A decoded picture kept by a TJPEGImage: top row first, no gaps, alpha 255.
struct TJPEGPixels {
    int Width = 0;
    int Height = 0;
    std::vector<TColor32> Pixels;
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    const char* ClassName() const override { return "TJPEGImage"; }

    // The decoded picture's size when there is one, else the header's size reduced by ScaleDown.
    int Width() const override;
    int Height() const override;
    // Always fails: "Cannot change the size of a JPEG image".
    void SetWidth(int value) override;
    void SetHeight(int value) override;

    // Fails with EJPEGLimit, leaving the picture as it was, when decoding would need more memory
    // than MaxJpegWorkBytes.
    void LoadFromMemory(std::vector<uint8_t> bytes) override;
    bool Draw(TColor32* pixels, int width, int height) const override;

    // Shares the source's data; takes a copy of its decoded picture when it has one.
    void Assign(const TJPEGImage& source);
    // Takes pixels decoded elsewhere (an empty data holder and a copy of the pixels).
    void AssignPixels(const TColor32* pixels, int width, int height);

    // Decodes now (if not done yet) into a picture this object keeps until its data or settings change.
    const TJPEGPixels& DecodedPicture();
    bool HasDecodedPicture() const { return FDecoded != nullptr; }
    // What libjpeg warned about in the last decode: the first warning's message code (0: none), and
    // whether the data ended before the image did (the file is cut short).
    int DecodeWarning() const { return FDecodeWarning; }
    bool DecodeDataEnded() const { return FDecodeDataEnded; }

    const std::shared_ptr<const TJPEGData>& Data() const { return FData; }
    bool Grayscale() const { return FData->Grayscale; }

    bool SmoothBlocks() const { return FSmoothBlocks; }
    bool ForceGray() const { return FForceGray; }
    TJPEGOutputDepth OutputDepth() const { return FOutputDepth; }
    int EncodeQuality() const { return FEncodeQuality; }
    bool ShowProgressively() const { return FShowProgressively; }
    bool EncodeProgressive() const { return FEncodeProgressive; }
    TJPEGDecodeSpeed DecodeSpeed() const { return FDecodeSpeed; }
    TJPEGScale ScaleDown() const { return FScaleDown; }

    // Settings that change the decoded pixels drop a kept decoded picture.
    void SetSmoothBlocks(bool value);
    void SetForceGray(bool value);
    void SetOutputDepth(TJPEGOutputDepth value);
    void SetEncodeQuality(int value) { FEncodeQuality = value; }
    void SetShowProgressively(bool value) { FShowProgressively = value; }
    void SetEncodeProgressive(bool value) { FEncodeProgressive = value; }
    void SetDecodeSpeed(TJPEGDecodeSpeed value);
    void SetScaleDown(TJPEGScale value);

protected:
    void LoadFromFileBytes(std::vector<uint8_t> bytes, const std::string& fileName) override;

private:
    void Load(std::vector<uint8_t> bytes, const std::string& fileName);
    void DecodingSettingChanged();
    void ComputeScaledSize() const;
    bool Decode(TColor32* pixels, int width, int height) const;

    std::shared_ptr<const TJPEGData> FData;
    std::unique_ptr<TJPEGPixels> FDecoded;
    // The reduced-scale size is asked of libjpeg once after each change.
    mutable int FScaledWidth = 0;
    mutable int FScaledHeight = 0;
    mutable bool FNeedRecalc = true;
    mutable int FDecodeWarning = 0;
    mutable bool FDecodeDataEnded = false;

    bool FSmoothBlocks;
    bool FForceGray;
    TJPEGOutputDepth FOutputDepth;
    int FEncodeQuality;
    bool FShowProgressively;
    bool FEncodeProgressive;
    TJPEGDecodeSpeed FDecodeSpeed;
    TJPEGScale FScaleDown;
};

// The formats "jpeg" and "jpg", which the picture-format registry starts with.
std::vector<TPictureFormat> JpegPictureFormats();

}  // namespace velmora

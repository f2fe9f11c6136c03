#include "raster/jpeg_image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "raster/bitmap32.h"

namespace velmora {

TJPEGDefaults JpegDefaults;

EJPEG::EJPEG(int code) : EInvalidGraphic("JPEG error #" + std::to_string(code)), FCode(code) {}

namespace {

std::string LimitMessage(EJPEGLimit::TKind kind, const std::string& fileName) {
    std::string text = "JPEG picture ";
    if (!fileName.empty()) {
        text += '"';
        text += fileName;
        text += "\" ";
    }
    switch (kind) {
        case EJPEGLimit::TKind::Scans: text += "has more than " + std::to_string(MaxJpegScans) + " scans"; break;
        case EJPEGLimit::TKind::ScanWork: text += "has scans that would take too long to decode"; break;
        case EJPEGLimit::TKind::Memory:
            text += "needs more than " + std::to_string(MaxJpegWorkBytes >> 20) + " MB to decode";
            break;
        case EJPEGLimit::TKind::CutShort: text += "ends long before its image data does"; break;
    }
    return text;
}

// Codes of the decoding bounds, raised through libjpeg's error exit like its own (which end far below).
constexpr int ScanLimitCode = 10001;
constexpr int ScanWorkCode = 10002;
constexpr int MemoryLimitCode = 10003;

}  // namespace

EJPEGLimit::EJPEGLimit(TKind kind, const std::string& fileName)
    : EInvalidGraphic(LimitMessage(kind, fileName)), FKind(kind) {}

namespace {

// libjpeg reports fatal errors through a callback that must not return. It jumps back to the
// guarded function that armed the bridge; that function returns the code, and only then, outside
// every libjpeg frame, the decompressor is destroyed and EJPEG thrown. Nothing between setjmp and
// longjmp may own resources: the guarded functions below use plain data only.
struct TErrorBridge {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    int Code;
    int FirstWarning;  // 0 until libjpeg warns
    bool DataEnded;    // a warning said the data ended early
};

[[noreturn]] void BridgeErrorExit(j_common_ptr cinfo) {
    auto* bridge = reinterpret_cast<TErrorBridge*>(cinfo->err);
    bridge->Code = cinfo->err->msg_code;
    std::longjmp(bridge->Jump, 1);
}

// Warnings never stop a decode (a file cut short is one); they are only noted, for the catalogue
// checker. Trace and message output are of no interest.
void BridgeEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* bridge = reinterpret_cast<TErrorBridge*>(cinfo->err);
    if (bridge->FirstWarning == 0) bridge->FirstWarning = cinfo->err->msg_code;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) bridge->DataEnded = true;
}
void BridgeOutputMessage(j_common_ptr) {}

[[noreturn]] void RaiseCode(j_common_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    (*cinfo->err->error_exit)(cinfo);
    std::abort();  // error_exit never returns
}

// Counts the scans libjpeg reads and the blocks they cover; an output pass of a progressive display
// counts as a whole-image pass. Called by libjpeg while it consumes input and reads scanlines.
struct TScanWatch {
    jpeg_progress_mgr Manager;
    int LastScan;
    uint64_t Blocks;       // blocks covered so far
    uint64_t BlockBudget;
};

void WatchScans(j_common_ptr common) {
    auto* watch = reinterpret_cast<TScanWatch*>(common->progress);
    auto cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number == watch->LastScan) return;
    watch->LastScan = cinfo->input_scan_number;
    if (cinfo->input_scan_number > MaxJpegScans) RaiseCode(common, ScanLimitCode);
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        watch->Blocks += uint64_t(cinfo->cur_comp_info[i]->width_in_blocks) * cinfo->cur_comp_info[i]->height_in_blocks;
    if (watch->Blocks > watch->BlockBudget) RaiseCode(common, ScanWorkCode);
}

// A decompressor whose libjpeg state is always released, also when an exception passes.
class TDecompressor {
public:
    TDecompressor() {
        std::memset(&FInfo, 0, sizeof FInfo);
        std::memset(&FBridge, 0, sizeof FBridge);
        std::memset(&FWatch, 0, sizeof FWatch);
        jpeg_std_error(&FBridge.Manager);
        FBridge.Manager.error_exit = BridgeErrorExit;
        FBridge.Manager.emit_message = BridgeEmitMessage;
        FBridge.Manager.output_message = BridgeOutputMessage;
        FInfo.err = &FBridge.Manager;
    }
    ~TDecompressor() { jpeg_destroy_decompress(&FInfo); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;

    j_decompress_ptr Info() { return &FInfo; }
    TErrorBridge* Bridge() { return &FBridge; }
    TScanWatch* Watch() { return &FWatch; }

    // Destroys the library state first, so that the exception leaves nothing half-released behind.
    [[noreturn]] void Fail(int code, const std::string& fileName) {
        jpeg_destroy_decompress(&FInfo);
        switch (code) {
            case ScanLimitCode: throw EJPEGLimit(EJPEGLimit::TKind::Scans, fileName);
            case ScanWorkCode: throw EJPEGLimit(EJPEGLimit::TKind::ScanWork, fileName);
            case MemoryLimitCode: throw EJPEGLimit(EJPEGLimit::TKind::Memory, fileName);
            default: throw EJPEG(code);
        }
    }

private:
    jpeg_decompress_struct FInfo;
    TErrorBridge FBridge;
    TScanWatch FWatch;
};

[[noreturn]] void RaiseLibraryError(j_decompress_ptr cinfo, int code) {
    RaiseCode(reinterpret_cast<j_common_ptr>(cinfo), code);
}

// Decoding parameters taken from a picture's settings.
struct TDecodeParams {
    int ScaleShift;
    bool SmoothBlocks;
    bool ForceGray;
    bool Depth8;
    bool SpeedFirst;
    bool ShowProgressively;
};

// How the rows libjpeg delivers become 32-bit pixels.
enum class TRowForm : uint8_t {
    Direct,     // blue, green, red, alpha: the pixels themselves
    Quantised,  // one palette index per pixel
    Inks,       // cyan, magenta, yellow, black, as printed (255 is full ink)
    InvertedInks,
};

struct TOutputPlan {
    TRowForm Form;
    bool Grey;  // ink rows: grey from the converted colour
};

// Creates the decompressor, reads the header and applies the settings.
TOutputPlan SetUpDecoding(j_decompress_ptr cinfo, const uint8_t* data, size_t size, const TDecodeParams& p) {
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = static_cast<long>(MaxJpegWorkBytes);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1u << p.ScaleShift;
    cinfo->do_block_smoothing = p.SmoothBlocks ? TRUE : FALSE;
    if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        // libjpeg turns YCCK into CMYK but no further; four bytes a pixel also fit the target rows.
        cinfo->out_color_space = JCS_CMYK;
        return {cinfo->saw_Adobe_marker ? TRowForm::InvertedInks : TRowForm::Inks, p.ForceGray};
    }
    if (p.ForceGray) cinfo->out_color_space = JCS_GRAYSCALE;
    const bool quantise = p.Depth8 || cinfo->out_color_space == JCS_GRAYSCALE;
    if (quantise) {
        // Quantisation must run in the default output space: libjpeg does not combine it with the
        // extended 32-bit spaces correctly, so the colour map is expanded by hand afterwards.
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
    } else {
        cinfo->out_color_space = JCS_EXT_BGRA;
    }
    if (p.SpeedFirst) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
    }
    return {quantise ? TRowForm::Quantised : TRowForm::Direct, false};
}

// The blocks of all components, as the coefficient buffer holds them (whole sampling units).
uint64_t ImageBlocks(j_decompress_ptr cinfo) {
    uint64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        const uint64_t across = (uint64_t(c.width_in_blocks) + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const uint64_t down = (uint64_t(c.height_in_blocks) + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        blocks += across * down;
    }
    return blocks;
}

// libjpeg's whole-image buffers for this decode, once the output size is known: every coefficient of a
// multi-scan file, every output sample for two-pass quantising.
uint64_t WholeImageBytes(j_decompress_ptr cinfo, bool quantised) {
    uint64_t bytes = 0;
    if (jpeg_has_multiple_scans(cinfo) || cinfo->buffered_image) bytes += ImageBlocks(cinfo) * DCTSIZE2 * sizeof(JCOEF);
    if (quantised && cinfo->two_pass_quantize)
        bytes += uint64_t(cinfo->output_width) * cinfo->output_height * cinfo->out_color_components;
    return bytes;
}

struct THeaderInfo {
    uint32_t Width;
    uint32_t Height;
    bool Grayscale;
    bool MultiScan;
    uint64_t WorkBytes;  // WholeImageBytes with the picture's settings
    bool CutShort;       // larger than MaxCutShortPixels, and the first scan cannot fit in the file
};

// Whether the bytes left after the first scan's header are too few for that scan, once the header has
// been read. A Huffman-coded block takes at least one bit for its DC and, in a sequential scan, one for
// its end of block; a progressive file starts with a DC scan. Arithmetic coding has no such floor.
bool FirstScanCannotFit(j_decompress_ptr cinfo) {
    if (cinfo->arith_code) return false;
    const uint64_t bitsPerBlock = cinfo->progressive_mode ? 1 : 2;
    uint64_t blocks = 0;
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        blocks += uint64_t(cinfo->cur_comp_info[i]->width_in_blocks) * cinfo->cur_comp_info[i]->height_in_blocks;
    return uint64_t(cinfo->src->bytes_in_buffer) * 8 < blocks * bitsPerBlock;
}

int ReadHeaderGuarded(TDecompressor* d, const uint8_t* data, size_t size, const TDecodeParams* p,
                      THeaderInfo* out) {
    j_decompress_ptr cinfo = d->Info();
    if (setjmp(d->Bridge()->Jump)) return d->Bridge()->Code;
    const TOutputPlan plan = SetUpDecoding(cinfo, data, size, *p);
    out->Width = cinfo->image_width;
    out->Height = cinfo->image_height;
    out->Grayscale = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    out->MultiScan = jpeg_has_multiple_scans(cinfo) != 0;
    jpeg_calc_output_dimensions(cinfo);
    // Past the bitmap's limit the bitmap refuses the picture with its own error.
    const uint64_t pixels = uint64_t(cinfo->output_width) * cinfo->output_height;
    out->CutShort = pixels > MaxCutShortPixels && pixels <= uint64_t(MaxBitmapPixels) && FirstScanCannotFit(cinfo);
    out->WorkBytes = WholeImageBytes(cinfo, plan.Form == TRowForm::Quantised);
    return 0;
}

int ScaledSizeGuarded(TDecompressor* d, const uint8_t* data, size_t size, const TDecodeParams* p,
                      THeaderInfo* out) {
    j_decompress_ptr cinfo = d->Info();
    if (setjmp(d->Bridge()->Jump)) return d->Bridge()->Code;
    SetUpDecoding(cinfo, data, size, *p);
    jpeg_calc_output_dimensions(cinfo);
    out->Width = cinfo->output_width;
    out->Height = cinfo->output_height;
    return 0;
}

struct TDecodeTarget {
    TColor32* Pixels;
    int Width;
    int Height;
};

// The colour map of a quantised pass as opaque 32-bit colours.
void BuildPalette(j_decompress_ptr cinfo, TColor32* palette) {
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u;
    const int count = cinfo->actual_number_of_colors;
    if (cinfo->out_color_components == 1) {
        for (int i = 0; i < count; ++i) {
            const uint8_t v = cinfo->colormap[0][i];
            palette[i] = Color32(v, v, v);
        }
    } else if (cinfo->out_color_components == 3) {
        for (int i = 0; i < count; ++i)
            palette[i] = Color32(cinfo->colormap[0][i], cinfo->colormap[1][i], cinfo->colormap[2][i]);
    } else {
        RaiseLibraryError(cinfo, JERR_CONVERSION_NOTIMPL);
    }
}

// Ink rows to opaque colour, in place when src is dst's memory: each of red, green and blue is the
// paper its ink leaves, times the paper black leaves, rounded to nearest.
void InksToColour(const JSAMPLE* src, TColor32* dst, int count, bool inverted, bool grey) {
    for (int x = 0; x < count; ++x) {
        unsigned c = src[4 * x], m = src[4 * x + 1], y = src[4 * x + 2], k = src[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
        if (grey) {
            const unsigned v = (299 * r + 587 * g + 114 * b + 500) / 1000;
            dst[x] = Color32(static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v));
        } else {
            dst[x] = Color32(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
        }
    }
}

// One output pass: every scanline goes to the target row of the same number. Rows of four bytes a
// pixel and the target's width are written in place (ink rows converted there); anything else goes
// through a scratch row and is clipped.
void ReadPass(j_decompress_ptr cinfo, const TOutputPlan& plan, const TDecodeTarget* t, JSAMPARRAY scratch,
              int scratchRows) {
    const bool quantised = plan.Form == TRowForm::Quantised;
    const bool inks = plan.Form == TRowForm::Inks || plan.Form == TRowForm::InvertedInks;
    const bool inverted = plan.Form == TRowForm::InvertedInks;
    TColor32 palette[256];
    if (quantised) BuildPalette(cinfo, palette);
    const bool direct = !quantised && static_cast<int>(cinfo->output_width) == t->Width;
    const int copyWidth = static_cast<int>(cinfo->output_width) < t->Width
                              ? static_cast<int>(cinfo->output_width)
                              : t->Width;
    JSAMPROW rows[16];
    while (cinfo->output_scanline < cinfo->output_height) {
        const int first = static_cast<int>(cinfo->output_scanline);
        int want = scratchRows;
        if (want > static_cast<int>(cinfo->output_height) - first)
            want = static_cast<int>(cinfo->output_height) - first;
        for (int i = 0; i < want; ++i) {
            const int y = first + i;
            rows[i] = direct && y < t->Height
                          ? reinterpret_cast<JSAMPROW>(t->Pixels + static_cast<size_t>(y) * t->Width)
                          : scratch[i];
        }
        const int got = static_cast<int>(jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(want)));
        if (got <= 0) break;  // a memory source never suspends; guard against looping anyway
        for (int i = 0; i < got; ++i) {
            const int y = first + i;
            if (y >= t->Height) continue;
            TColor32* dst = t->Pixels + static_cast<size_t>(y) * t->Width;
            if (rows[i] != scratch[i]) {
                if (inks) InksToColour(rows[i], dst, t->Width, inverted, plan.Grey);
                continue;
            }
            if (inks) {
                InksToColour(scratch[i], dst, copyWidth, inverted, plan.Grey);
            } else if (quantised) {
                const JSAMPLE* src = scratch[i];
                for (int x = 0; x < copyWidth; ++x) dst[x] = palette[src[x]];
            } else {
                std::memcpy(dst, scratch[i], static_cast<size_t>(copyWidth) * 4);
            }
        }
    }
}

int DecodeGuarded(TDecompressor* d, const uint8_t* data, size_t size, const TDecodeParams* p,
                  const TDecodeTarget* t, bool* covered) {
    j_decompress_ptr cinfo = d->Info();
    if (setjmp(d->Bridge()->Jump)) return d->Bridge()->Code;
    const TOutputPlan plan = SetUpDecoding(cinfo, data, size, *p);
    const bool quantised = plan.Form == TRowForm::Quantised;
    const bool progressive = p->ShowProgressively && jpeg_has_multiple_scans(cinfo);
    // The final pass keeps the chosen settings; intermediate passes of a progressive display favour
    // speed. Every quantiser a pass may use has to be enabled before decompression starts.
    const J_DCT_METHOD finalDct = cinfo->dct_method;
    const J_DITHER_MODE finalDither = cinfo->dither_mode;
    const boolean finalTwoPass = cinfo->two_pass_quantize;
    if (progressive) {
        cinfo->buffered_image = TRUE;
        if (quantised) {
            cinfo->enable_1pass_quant = TRUE;
            cinfo->enable_2pass_quant = finalTwoPass;
        }
    }
    jpeg_calc_output_dimensions(cinfo);
    if (WholeImageBytes(cinfo, quantised) > MaxJpegWorkBytes) RaiseLibraryError(cinfo, MemoryLimitCode);
    TScanWatch* watch = d->Watch();
    watch->Manager.progress_monitor = WatchScans;
    watch->LastScan = 0;
    watch->Blocks = 0;
    const uint64_t imageBlocks = ImageBlocks(cinfo);
    watch->BlockBudget = std::max(imageBlocks * MaxJpegScanPasses, MinJpegScanBudgetBlocks);
    cinfo->progress = &watch->Manager;
    jpeg_start_decompress(cinfo);
    int scratchRows = cinfo->rec_outbuf_height > 16 ? 16 : cinfo->rec_outbuf_height;
    if (scratchRows < 1) scratchRows = 1;
    const JDIMENSION rowBytes = cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components);
    JSAMPARRAY scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                     rowBytes, static_cast<JDIMENSION>(scratchRows));
    if (progressive) {
        bool finalPass;
        do {
            finalPass = jpeg_input_complete(cinfo) != 0;
            cinfo->dct_method = finalPass ? finalDct : JDCT_IFAST;
            cinfo->dither_mode = finalPass ? finalDither : JDITHER_ORDERED;
            cinfo->two_pass_quantize = finalPass ? finalTwoPass : FALSE;
            // A pass that may switch quantisers needs libjpeg to choose and build its map afresh.
            if (quantised) cinfo->colormap = nullptr;
            watch->Blocks += imageBlocks;
            if (watch->Blocks > watch->BlockBudget) RaiseLibraryError(cinfo, ScanWorkCode);
            jpeg_start_output(cinfo, cinfo->input_scan_number);
            ReadPass(cinfo, plan, t, scratch, scratchRows);
            jpeg_finish_output(cinfo);
        } while (!finalPass);
    } else {
        ReadPass(cinfo, plan, t, scratch, scratchRows);
    }
    *covered = static_cast<int>(cinfo->output_width) >= t->Width &&
               static_cast<int>(cinfo->output_height) >= t->Height;
    jpeg_finish_decompress(cinfo);
    return 0;
}

}  // namespace

TJPEGImage::TJPEGImage()
    : FData(std::make_shared<TJPEGData>()),
      FSmoothBlocks(JpegDefaults.SmoothBlocks),
      FForceGray(JpegDefaults.ForceGray),
      FOutputDepth(JpegDefaults.OutputDepth),
      FEncodeQuality(JpegDefaults.EncodeQuality),
      FShowProgressively(JpegDefaults.ShowProgressively),
      FEncodeProgressive(JpegDefaults.EncodeProgressive),
      FDecodeSpeed(JpegDefaults.DecodeSpeed),
      FScaleDown(JpegDefaults.ScaleDown) {}

TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const {
    if (FDecoded) return FDecoded->Width;
    if (FScaleDown == TJPEGScale::ScaleFull) return static_cast<int>(FData->Width);
    ComputeScaledSize();
    return FScaledWidth;
}

int TJPEGImage::Height() const {
    if (FDecoded) return FDecoded->Height;
    if (FScaleDown == TJPEGScale::ScaleFull) return static_cast<int>(FData->Height);
    ComputeScaledSize();
    return FScaledHeight;
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::LoadFromMemory(std::vector<uint8_t> bytes) { Load(std::move(bytes), std::string()); }

void TJPEGImage::LoadFromFileBytes(std::vector<uint8_t> bytes, const std::string& fileName) {
    Load(std::move(bytes), fileName);
}

void TJPEGImage::Load(std::vector<uint8_t> bytes, const std::string& fileName) {
    auto data = std::make_shared<TJPEGData>();
    data->Bytes = std::move(bytes);
    data->FileName = fileName;
    bool multiScan = FEncodeProgressive;
    if (!data->Bytes.empty()) {
        const TDecodeParams params{static_cast<int>(FScaleDown), FSmoothBlocks, FForceGray,
                                   FOutputDepth == TJPEGOutputDepth::Depth8,
                                   FDecodeSpeed == TJPEGDecodeSpeed::SpeedFirst, false};
        TDecompressor d;
        THeaderInfo info{};
        if (int code = ReadHeaderGuarded(&d, data->Bytes.data(), data->Bytes.size(), &params, &info))
            d.Fail(code, fileName);
        // Refused before any buffer is made, so the picture (and a bitmap loading it) stays as it was.
        if (info.WorkBytes > MaxJpegWorkBytes) throw EJPEGLimit(EJPEGLimit::TKind::Memory, fileName);
        if (info.CutShort) throw EJPEGLimit(EJPEGLimit::TKind::CutShort, fileName);
        data->Width = info.Width;
        data->Height = info.Height;
        data->Grayscale = info.Grayscale;
        multiScan = info.MultiScan;
    }
    // Replaced only once the header has been read, so a failed load leaves the picture as it was.
    FData = std::move(data);
    FEncodeProgressive = multiScan;
    FDecoded.reset();
    FNeedRecalc = true;
    Changed();
}

void TJPEGImage::ComputeScaledSize() const {
    if (!FNeedRecalc) return;
    THeaderInfo info{};
    if (!FData->Bytes.empty()) {
        const TDecodeParams params{static_cast<int>(FScaleDown), FSmoothBlocks, FForceGray,
                                   FOutputDepth == TJPEGOutputDepth::Depth8,
                                   FDecodeSpeed == TJPEGDecodeSpeed::SpeedFirst, false};
        TDecompressor d;
        if (int code = ScaledSizeGuarded(&d, FData->Bytes.data(), FData->Bytes.size(), &params, &info))
            d.Fail(code, FData->FileName);
    }
    FScaledWidth = static_cast<int>(info.Width);
    FScaledHeight = static_cast<int>(info.Height);
    FNeedRecalc = false;
}

bool TJPEGImage::Decode(TColor32* pixels, int width, int height) const {
    if (FData->Bytes.empty() || width <= 0 || height <= 0) return false;
    const TDecodeParams params{static_cast<int>(FScaleDown), FSmoothBlocks, FForceGray,
                               FOutputDepth == TJPEGOutputDepth::Depth8,
                               FDecodeSpeed == TJPEGDecodeSpeed::SpeedFirst, FShowProgressively};
    const TDecodeTarget target{pixels, width, height};
    bool covered = false;
    TDecompressor d;
    const int code = DecodeGuarded(&d, FData->Bytes.data(), FData->Bytes.size(), &params, &target, &covered);
    FDecodeWarning = d.Bridge()->FirstWarning;
    FDecodeDataEnded = d.Bridge()->DataEnded;
    if (code != 0) d.Fail(code, FData->FileName);
    return covered;
}

bool TJPEGImage::Draw(TColor32* pixels, int width, int height) const {
    if (pixels == nullptr || width <= 0 || height <= 0) return false;
    if (!FDecoded) {
        // The target itself receives the decoded rows; keeping a second copy here would cost a
        // full-size allocation and copy for every load.
        return Decode(pixels, width, height);
    }
    const int w = std::min(width, FDecoded->Width);
    const int h = std::min(height, FDecoded->Height);
    for (int y = 0; y < h; ++y)
        std::memcpy(pixels + static_cast<size_t>(y) * width,
                    FDecoded->Pixels.data() + static_cast<size_t>(y) * FDecoded->Width,
                    static_cast<size_t>(w) * sizeof(TColor32));
    return w == width && h == height;
}

const TJPEGPixels& TJPEGImage::DecodedPicture() {
    if (!FDecoded) {
        auto decoded = std::make_unique<TJPEGPixels>();
        decoded->Width = Width();
        decoded->Height = Height();
        // The kept picture is bounded like any bitmap's pixels.
        if (int64_t(decoded->Width) * decoded->Height > MaxBitmapPixels) throw Exception("Can't allocate the DIB handle");
        if (decoded->Width > 0 && decoded->Height > 0) {
            decoded->Pixels.assign(static_cast<size_t>(decoded->Width) * decoded->Height, 0xFF000000u);
            Decode(decoded->Pixels.data(), decoded->Width, decoded->Height);
        }
        FDecoded = std::move(decoded);
    }
    return *FDecoded;
}

void TJPEGImage::Assign(const TJPEGImage& source) {
    if (&source == this) return;
    FData = source.FData;
    FDecoded = source.FDecoded ? std::make_unique<TJPEGPixels>(*source.FDecoded) : nullptr;
    FNeedRecalc = true;
    Changed();
}

void TJPEGImage::AssignPixels(const TColor32* pixels, int width, int height) {
    auto decoded = std::make_unique<TJPEGPixels>();
    if (width > 0 && height > 0 && pixels != nullptr) {
        decoded->Width = width;
        decoded->Height = height;
        decoded->Pixels.resize(static_cast<size_t>(width) * height);
        // A decoded picture has no transparency.
        for (size_t i = 0; i < decoded->Pixels.size(); ++i) decoded->Pixels[i] = pixels[i] | 0xFF000000u;
    }
    FData = std::make_shared<TJPEGData>();
    FDecoded = std::move(decoded);
    FNeedRecalc = true;
    Changed();
}

void TJPEGImage::DecodingSettingChanged() {
    FDecoded.reset();
    FNeedRecalc = true;
    Changed();
}

void TJPEGImage::SetSmoothBlocks(bool value) {
    if (value == FSmoothBlocks) return;
    FSmoothBlocks = value;
    DecodingSettingChanged();
}

void TJPEGImage::SetForceGray(bool value) {
    if (value == FForceGray) return;
    FForceGray = value;
    DecodingSettingChanged();
}

void TJPEGImage::SetOutputDepth(TJPEGOutputDepth value) {
    if (value == FOutputDepth) return;
    FOutputDepth = value;
    DecodingSettingChanged();
}

void TJPEGImage::SetDecodeSpeed(TJPEGDecodeSpeed value) {
    if (value == FDecodeSpeed) return;
    FDecodeSpeed = value;
    DecodingSettingChanged();
}

void TJPEGImage::SetScaleDown(TJPEGScale value) {
    if (value == FScaleDown) return;
    FScaleDown = value;
    DecodingSettingChanged();
}

namespace {
std::unique_ptr<TGraphic> CreateJpegImage() { return std::make_unique<TJPEGImage>(); }
const TGraphicClass TJPEGImageClass{"TJPEGImage", &CreateJpegImage};
}  // namespace

std::vector<TPictureFormat> JpegPictureFormats() {
    return {{"jpeg", "JPEG Image File", &TJPEGImageClass}, {"jpg", "JPEG Image File", &TJPEGImageClass}};
}

}  // namespace velmora

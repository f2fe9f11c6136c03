#pragma once
// TBitmap32: a rectangle of TColor32 pixels in memory of its own, 64-byte aligned, top row first,
// rows without gaps (pixel (x, y) is PixelData()[x + y * Width()]), so the display can wrap it in an
// image without copying. Besides its pixels it carries how it is drawn onto another bitmap (draw mode,
// combine mode, master alpha, outer colour, resampler, pixel-combine event) and reports every change:
// OnChange and OnAreaChanged once the last change bracket is closed, OnResize and OnHandleChanged at
// once. Pixel memory is kept when a new size fits in it; new pixels are not initialised.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/geometry.h"
#include "raster/blend.h"
#include "raster/color32.h"
#include "raster/custom_map.h"

namespace velmora {

class TCustomResampler;
class TPicture;
class TGraphic;

enum class TDrawMode : uint8_t { dmOpaque, dmBlend, dmCustom, dmTransparent };
// Stored and copied with the settings; no drawing reads it.
enum class TWrapMode : uint8_t { wmClamp, wmRepeat, wmMirror };

// F the source pixel, B the destination pixel to update, M the source bitmap's master alpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;
// Area in pixels, right and bottom exclusive; Info says how to read Area.
using TAreaChangedEvent = std::function<void(TNotifiablePersistent* sender, const TRect& area, uint32_t info)>;

// Info of an area notification whose Area is a plain rectangle.
constexpr uint32_t AreaInfoRectangle = 0x80000000u;

// Pixel counts above this are refused rather than attempted.
constexpr int64_t MaxBitmapPixels = int64_t(1) << 28;

class TBitmap32 : public TCustomMap {
public:
    TBitmap32();
    ~TBitmap32() override;

    const char* ClassName() const override { return "TBitmap32"; }

    // --- storage -------------------------------------------------------------------------------
    bool IsEmpty() const override;
    void Discard() override;
    TColor32* PixelData() { return FBits; }
    const TColor32* PixelData() const { return FBits; }
    TRect FullRect() const { return TRect{0, 0, FWidth, FHeight}; }

    // --- change notification -------------------------------------------------------------------
    void NotifyChanged() override;
    virtual void NotifyHandleChanged();
    virtual void NotifyAreaChanged(const TRect& area, uint32_t info);
    // While measuring, drawing touches no pixel and only reports its area to handler.
    void BeginMeasure(TAreaChangedEvent handler);
    void EndMeasure();
    bool MeasureOnly() const { return FMeasureOnly; }

    // --- whole-bitmap operations ---------------------------------------------------------------
    void FillAll(TColor32 color);
    void MakeOpaque();

    // A bitmap source gives its pixels and settings; none empties this bitmap.
    void Assign(const TBitmap32* source);
    void Assign(std::nullptr_t);
    // Any other object fails with "Cannot assign a <source class> to a TBitmap32".
    void Assign(const TNotifiablePersistent* source);
    // Picture sources; the picture decoder provides these.
    void Assign(const TPicture* source);
    void AssignGraphic(const TGraphic& graphic);
    void LoadPictureFile(const std::string& fileName);
    // Takes source's size and pixels without copying them; source is left empty but keeps this
    // bitmap's old memory for its next use. Raises what loading a picture raises: OnHandleChanged and
    // OnResize at once when the size changes, then, as the change bracket closes, one OnAreaChanged
    // over the whole bitmap and one OnChange. A picture of the same size raises OnHandleChanged too,
    // since the memory under the bitmap moved.
    void TakePixelsFrom(TBitmap32& source);

    virtual void CopyPixelsTo(TBitmap32& dest) const;
    virtual void CopySettingsTo(TBitmap32& dest) const;

    // Draws the whole bitmap into destRect of dest through its resampler and draw mode, kept to
    // dest's clip bounds.
    void DrawOnto(TBitmap32& dest, const TRect& destRect) const;

    // --- clipping ------------------------------------------------------------------------------
    void SetClipBounds(const TRect& rect);
    void ResetClipBounds() { SetClipBounds(FullRect()); }
    const TRect& ClipBounds() const { return FClipBounds; }
    // The clip rectangle in 16.16 and in 24.8 fixed point.
    const TRect& FixedClipBounds() const { return FFixedClipBounds; }
    const TRect& ClipBounds256() const { return FClipBounds256; }
    bool IsClipped() const { return FIsClipped; }

    // --- drawing settings ----------------------------------------------------------------------
    TDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TDrawMode value);
    TCombineMode CombineMode() const { return FCombineMode; }
    void SetCombineMode(TCombineMode value);
    TWrapMode WrapMode() const { return FWrapMode; }
    void SetWrapMode(TWrapMode value);
    uint32_t MasterAlpha() const { return FMasterAlpha; }
    void SetMasterAlpha(uint32_t value);
    TColor32 OuterColor() const { return FOuterColor; }
    void SetOuterColor(TColor32 value) { FOuterColor = value; }

    // Never null. SetResampler takes ownership of value and frees the old one; null or the
    // current resampler is ignored.
    TCustomResampler* Resampler() const { return FResampler.get(); }
    void SetResampler(TCustomResampler* value);
    std::string ResamplerClassName() const;
    // An empty, current or unregistered name changes nothing.
    void SetResamplerClassName(const std::string& value);

    // --- pixel access and drawing primitives (unclipped ones trust the caller) -----------------
    TColor32* RowStart(int32_t y);
    const TColor32* RowStart(int32_t y) const;
    TColor32* PixelAddress(int32_t x, int32_t y);
    const TColor32* PixelAddress(int32_t x, int32_t y) const;
    TColor32 PixelAt(int32_t x, int32_t y) const;

    void BlendPixelAt(int32_t x, int32_t y, TColor32 value);
    void BlendHorzRun(int32_t x1, int32_t y, int32_t x2, TColor32 value);
    void BlendVertRun(int32_t x, int32_t y1, int32_t y2, TColor32 value);
    void BlendHorzLine(int32_t x1, int32_t y, int32_t x2, TColor32 value);
    void BlendVertLine(int32_t x, int32_t y1, int32_t y2, TColor32 value);
    void DashedHorzLine(int32_t x1, int32_t y, int32_t x2);
    void DashedVertLine(int32_t x, int32_t y1, int32_t y2);
    void FillBlock(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
    void FillBlockClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
    void BlendBlock(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
    void BlendBlockClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
    void OutlineRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
    void DashedOutlineRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    void SetDashPattern(const TArrayOfColor32& pattern);
    void AdvanceDash(float length);
    TColor32 NextDashColor();

    // Dash state: position in the pattern (in entries) and how far it moves per pixel drawn.
    float DashPhase = 0.0f;
    TArrayOfColor32 DashPattern;
    float DashStep = 1.0f;

    // --- events --------------------------------------------------------------------------------
    TNotifyEvent OnHandleChanged;
    TPixelCombineEvent OnPixelCombine;
    TAreaChangedEvent OnAreaChanged;

protected:
    void ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight) override;

private:
    struct FreeAligned {
        void operator()(TColor32* p) const;
    };

    void ReleaseStorage();

    std::unique_ptr<TColor32, FreeAligned> FStorage;
    size_t FCapacity = 0;  // pixels FStorage can hold
    TColor32* FBits = nullptr;

    TRect FClipBounds;
    TRect FFixedClipBounds;
    TRect FClipBounds256;
    bool FIsClipped = false;

    TDrawMode FDrawMode = TDrawMode::dmOpaque;
    TCombineMode FCombineMode = TCombineMode::cmBlend;
    TWrapMode FWrapMode = TWrapMode::wmClamp;
    uint32_t FMasterAlpha = 255;
    TColor32 FOuterColor = 0;

    bool FMeasureOnly = false;
    TAreaChangedEvent FSavedOnAreaChanged;

    std::unique_ptr<TCustomResampler> FResampler;
};

// Installs a measuring handler for the scope.
class TMeasureScope {
public:
    TMeasureScope(TBitmap32& bitmap, TAreaChangedEvent handler) : FBitmap(bitmap) {
        FBitmap.BeginMeasure(std::move(handler));
    }
    ~TMeasureScope() { FBitmap.EndMeasure(); }
    TMeasureScope(const TMeasureScope&) = delete;
    TMeasureScope& operator=(const TMeasureScope&) = delete;

private:
    TBitmap32& FBitmap;
};

}  // namespace velmora

#pragma once
// TCustomImage32: a paint box that shows one bitmap, placed and scaled by ScaleMode and
// BitmapAlign, with a layer collection drawn over it. The back buffer is rendered by an ordered list
// of paint stages (background bands, bitmap, layers by default). The placement (rectangle, 16.16
// scales, shift) is cached until a setter, a resize or a new bitmap size clears PlacementValid; the
// layers read it through the collection's scale and offset queries.
//
// Each rendering plans how paints show the picture (PlanShow in show_plan.h): when it would be
// nothing but the bitmap's own pixels, Buffer is left alone and paints show the bitmap's memory,
// under its lock, whole or with bands of the control colour around it. Any change renders again
// and plans afresh.
//
// A change of a layer that can tell where it draws (TCustomLayer::RenderedBounds) repaints only
// where it was and where it is: the next paint renders that part of Buffer alone. Anything else (a
// setter, the bitmap, a layer added, removed or moved, a layer that cannot tell) renders it whole.
//
// Mouse input is never converted: client coordinates go to the layers first, then to OnMouseDown,
// OnMouseMove and OnMouseUp together with the layer the collection reported.
//
// Mouse capture: Qt already sends every event of a held button to the pressed widget. On top of
// that the control keeps a capture of its own (MouseCaptured) from a left press, or a press that a
// layer captured, until the left button is released with no capture layer; it is held with
// QWidget::grabMouse, so a capture layer keeps receiving moves after the buttons are up. It is
// also dropped once no button is held and no layer holds the capture, so a right-button press on a
// layer cannot leave every later click of the program routed to this control.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/geometry.h"
#include "core/input.h"
#include "display/custom_paint_box32.h"
#include "display/paint_stages.h"
#include "display/show_plan.h"
#include "layers/layer_collection.h"
#include "raster/bitmap32.h"

namespace velmora {

class TCustomLayer;
class TCustomImage32;

enum class TBitmapAlign : uint8_t { baTopLeft = 0, baCenter = 1, baTile = 2, baCustom = 3 };
enum class TScaleMode : uint8_t { smNormal = 0, smStretch = 1, smScale = 2, smResize = 3, smOptimal = 4, smOptimalScaled = 5 };

using TImgNotifyEvent = std::function<void(TCustomImage32* sender)>;
using TImgMouseEvent = std::function<void(TCustomImage32* sender, TMouseButton button, TShiftState shift,
                                          int32_t x, int32_t y, TCustomLayer* layer)>;
using TImgMouseMoveEvent =
    std::function<void(TCustomImage32* sender, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer)>;
using TPaintStageEvent = std::function<void(TCustomImage32* sender, TBitmap32& buffer, uint32_t stageNum)>;

class TCustomImage32 : public TCustomPaintBox32, public TLayerOwner {
public:
    using TPaintStageHandler = void (TCustomImage32::*)(TBitmap32& dest, int32_t stageNum);

    explicit TCustomImage32(QWidget* parent = nullptr);
    ~TCustomImage32() override;

    // --- properties ----------------------------------------------------------------------------
    TBitmap32& Bitmap() { return *FBitmap; }
    const TBitmap32& Bitmap() const { return *FBitmap; }
    // Copies the content of source into Bitmap; the object itself stays.
    void SetBitmap(const TBitmap32& source);

    TBitmapAlign BitmapAlign() const { return FBitmapAlign; }
    // Always repaints and raises OnChange, also for the current value.
    void SetBitmapAlign(TBitmapAlign value);

    float BitmapOffsetX() const { return FBitmapOffsetX; }
    float BitmapOffsetY() const { return FBitmapOffsetY; }
    void SetBitmapOffsetX(float value);
    void SetBitmapOffsetY(float value);

    float Scale() const { return FScale; }
    // Values below 0.001 become 0.001.
    void SetScale(float value);

    TScaleMode ScaleMode() const { return FScaleMode; }
    virtual void SetScaleMode(TScaleMode value);

    TLayerCollection& LayerCollection() { return *FLayerCollection; }
    TPaintStages& StageList() { return *FStageList; }
    const std::vector<std::pair<TPaintStageHandler, int32_t>>& StageHandlers() const { return FStageHandlers; }

    // --- change notification -------------------------------------------------------------------
    virtual void BeginChanges();
    virtual void EndChanges();
    // Repaints and raises OnChange while no bracket is open.
    virtual void NotifyChanged();
    int32_t ChangeDepth() const { return FChangeDepth; }

    // --- placement -----------------------------------------------------------------------------
    virtual std::pair<int32_t, int32_t> PlacedSize() const;
    virtual TRect PlacementRect() const;
    virtual void RefreshPlacement();
    bool PlacementValid() const { return FPlacementValid; }
    // The cached placement; current after RefreshPlacement.
    const TRect& PlacedRect() const { return FPlacedRect; }
    int32_t FixedScaleX() const { return FFixedScaleX; }
    int32_t FixedScaleY() const { return FFixedScaleY; }
    int32_t ShiftX() const { return FShiftX; }
    int32_t ShiftY() const { return FShiftY; }

    // --- overrides of the paint box ------------------------------------------------------------
    void Invalidate() override;
    void Resize() override;
    void Loaded() override;
    // Shows a direct show again only while the viewport still lies within the bitmap.
    void Paint() override;
    TCursor OwnerCursor() const override { return Cursor(); }

    // Whether the control holds its own mouse capture (see the header comment).
    bool MouseCaptured() const { return FMouseCaptured; }

    TImgNotifyEvent OnBitmapResize;
    TImgNotifyEvent OnChange;
    TImgNotifyEvent OnInitStages;
    TImgMouseEvent OnMouseDown;
    TImgMouseMoveEvent OnMouseMove;
    TImgMouseEvent OnMouseUp;
    TPaintStageEvent OnPaintStage;

protected:
    void SetPlacementValid(bool value) { FPlacementValid = value; }

    virtual void BitmapSizeChanged();
    virtual void RaiseInitStages();
    virtual void ScaleChanged();
    virtual void BuildDefaultStages();
    virtual void RaiseMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer);
    virtual void RaiseMouseMove(TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer);
    virtual void RaiseMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer);

    // Stage handlers.
    virtual void DrawBitmapFrame(TBitmap32& dest, int32_t stageNum);
    virtual void ClearBuffer(TBitmap32& dest, int32_t stageNum);
    virtual void ClearBackground(TBitmap32& dest, int32_t stageNum);
    virtual void DrawControlFrame(TBitmap32& dest, int32_t stageNum);
    virtual void RunCustomStage(TBitmap32& dest, int32_t stageNum);
    virtual void DrawBitmap(TBitmap32& dest, int32_t stageNum);
    virtual void DrawLayers(TBitmap32& dest, int32_t stageNum);

    void RenderBuffer() override;
    TBitmap32& ShownBitmap() override;
    TPoint ShownOrigin() const override;
    TColor32 BandColor() const override { return ControlColor32(); }
    void PaintOverlay() override;

    // Whether paints may show the bitmap's pixels directly; tests turn it off to compare the
    // rendered buffer with it. Changing it renders again.
    bool DirectShowAllowed() const { return FDirectShowAllowed; }
    void SetDirectShowAllowed(bool value);
    // What the last rendering planned.
    TShowPlan ShowPlan() const { return FShowPlan; }
    bool ShowsBitmapDirectly() const { return FShowPlan == TShowPlan::spDirect; }
    bool ShowsBitmapBanded() const { return FShowPlan == TShowPlan::spBanded; }
    // What a rendering plans from: the compiled stages, the cached placement and the bitmap.
    struct TShowInputs {
        std::vector<TShowStage> Stages;
        TShowPlacement Placement;
        TShowBitmap Bitmap;
    };
    TShowInputs ShowInputs() const;

    void PointerLeft() override;
    void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

private:
    void SetMouseCapture(bool value);
    // The layer collection's OnLayerDirty and OnDidChange.
    void LayerAreaChanged(TCustomLayer* layer);
    void LayersChanged();
    // Renders the part of Buffer within rect (client coordinates) by the stages compiled last.
    void RenderPart(const TRect& rect);
    TColor32 ControlColor32() const;
    // Some layer that the stage mask selects draws pixels.
    bool DrawsLayers(uint32_t stageMask) const;
    // Whether the compiled stage after stageNum draws the bitmap.
    bool NextStageDrawsBitmap(int32_t stageNum) const;

    std::unique_ptr<TBitmap32> FBitmap;
    TBitmapAlign FBitmapAlign = TBitmapAlign::baTopLeft;
    std::unique_ptr<TLayerCollection> FLayerCollection;
    float FBitmapOffsetX = 0.0f;
    float FBitmapOffsetY = 0.0f;
    std::unique_ptr<TPaintStages> FStageList;
    std::vector<std::pair<TPaintStageHandler, int32_t>> FStageHandlers;
    float FScale = 1.0f;
    TScaleMode FScaleMode = TScaleMode::smNormal;
    int32_t FChangeDepth = 0;

    TRect FPlacedRect;
    int32_t FFixedScaleX = 65536;
    int32_t FFixedScaleY = 65536;
    int32_t FShiftX = 0;
    int32_t FShiftY = 0;
    bool FPlacementValid = false;

    // Where layers changed since their last rendering, and whether some change cannot say where.
    TRect FDirtyRect;
    bool FDirtyAnywhere = false;
    // The part of a valid Buffer that the next paint renders again.
    TRect FPendingRect;
    bool FRenderingWhole = false;
    uint64_t FRenderedListVersion = 0;

    bool FMouseCaptured = false;
    bool FDirectShowAllowed = true;
    TShowPlan FShowPlan = TShowPlan::spRender;
};

// The image control as forms use it.
class TImage32 : public TCustomImage32 {
public:
    using TCustomImage32::TCustomImage32;
};

// The dotted focus frame: inverts the colour of the outline pixels of rect (right and bottom
// exclusive) whose x + y is even, within dest's clip bounds. Drawing it twice restores the pixels.
void DrawFocusRect(TBitmap32& dest, const TRect& rect);

}  // namespace velmora

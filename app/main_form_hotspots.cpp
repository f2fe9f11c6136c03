// The hotspots of the item view and their editor: building them from an item's hotspot file, the
// hand cursor and the click that opens the sign preview in viewing mode, and in editor mode the
// selection, adding, deleting, loading and saving, and the description edit box under the selection.
#include <QApplication>
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/data_set.h"
#include "app/image_form.h"
#include "app/main_form.h"
#include "app/search_panel.h"
#include "app/warstwa_item.h"
#include "core/scope_exit.h"
#include "layers/layer_collection.h"
#include "layers/layer_options.h"
#include "toolkit/code_page.h"
#include "toolkit/files.h"
#include "toolkit/message_box.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

namespace {

constexpr TColor32 GripColor = 0xFF000000u;          // opaque black
constexpr TColor32 SelectedGripColor = 0xFFFF0000u;  // opaque red
// The rubber-band layer drops loSilent, so a hotspot ends up shown and taking the mouse.
constexpr uint32_t HotspotOptionBits = loVisible | loMouseInput | loSilent;
constexpr TGripSet ViewingGripMask = 0xFFF1;  // without sides, corners and outline: the body only
constexpr float SmallestHotspotSide = 10.0f;

const char* const PickPageText = "Wybierz planszę.";
const char* const PickLayerText = "Wybierz warstwę.";

void Warn(const char* textUtf8) { ShowWarning(QString::fromUtf8(textUtf8)); }

// The file's path is in the file system's encoding, UTF-8.
QString TooManyHotspotsText(const std::string& path, int64_t count) {
    return QString::fromUtf8("Plik \"%1\" ma %2 warstw; wczytano pierwsze %3.")
        .arg(QString::fromUtf8(path))
        .arg(count)
        .arg(MaxHotspotsPerItem);
}

// How far the view is scrolled, as a whole number of pixels: the offsets are 0 or negative.
int64_t ScrolledBy(float bitmapOffset) { return std::llabs(static_cast<int64_t>(TruncCoordinate(bitmapOffset))); }

// The sign picture a description names; descriptions are Windows-1250, file names UTF-8.
std::string SignPictureFile(const std::string& dataDir, const std::string& opis) {
    return SignPicturePath(dataDir, ToFileSystemPath(opis));
}

TWarstwaItem* HotspotAt(TLayerCollection& layers, int32_t index) {
    return dynamic_cast<TWarstwaItem*>(layers.LayerAt(index));
}

THotspotState StateOf(const TWarstwaItem& hotspot) { return THotspotState{hotspot.Extent(), hotspot.Opis}; }

THotspotChange Modified(int32_t index, THotspotState before, THotspotState after) {
    return THotspotChange{THotspotChange::TKind::Modify, index, std::move(before), std::move(after)};
}

THotspotChange Inserted(int32_t index, THotspotState after) {
    return THotspotChange{THotspotChange::TKind::Insert, index, {}, std::move(after)};
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Presses of one key on one hotspot within this merge into one step.
constexpr int64_t KeyMergeWindowMs = 1000;
// Merge keys: what kind of change, and of which hotspot.
enum class TMergeKind : uint64_t { Description = 1, Key = 2 };
uint64_t MergeKey(TMergeKind kind, int32_t index, uint32_t detail = 0) {
    return (static_cast<uint64_t>(kind) << 60) | (static_cast<uint64_t>(detail & 0xFFFFFFF) << 32) | uint32_t(index);
}

// The view's scale from bitmap to client pixels, as its layers map with it.
void ViewScale(TImgView32& view, long double& sx, long double& sy) {
    view.RefreshPlacement();
    sx = view.FixedScaleX() / 65536.0L;
    sy = view.FixedScaleY() / 65536.0L;
}

}  // namespace

// What undo and redo act on: the hotspot layers of the item view.
class TMainForm::THotspotLayers final : public THotspotList {
public:
    explicit THotspotLayers(TMainForm& form) : FForm(form) {}

    void InsertHotspot(int32_t index, const THotspotState& state) override {
        TWarstwaItem* hotspot = FForm.NewHotspot(state.Extent, GripColor, state.Opis);
        if (index < hotspot->ZOrder()) hotspot->SetZOrder(index);
    }
    void RemoveHotspot(int32_t index) override { delete HotspotAt(Layers(), index); }
    void SetHotspotState(int32_t index, const THotspotState& state) override {
        TWarstwaItem* hotspot = HotspotAt(Layers(), index);
        if (hotspot == nullptr) return;
        if (!(hotspot->Extent() == state.Extent)) hotspot->SetExtent(state.Extent);
        hotspot->Opis = state.Opis;
    }

private:
    TLayerCollection& Layers() { return FForm.sub_image->LayerCollection(); }
    TMainForm& FForm;
};

// --- building and removing ----------------------------------------------------------------------

TWarstwaItem* TMainForm::NewHotspot(const TSingleRect& rect, TColor32 gripFill, const std::string& opis) {
    auto* hotspot = new TWarstwaItem(&sub_image->LayerCollection());
    hotspot->SetFollowsBitmap(true);
    hotspot->SetShown(false);
    if (EditorMode()) {
        hotspot->SmallestHeight = SmallestHotspotSide;
        hotspot->SmallestWidth = SmallestHotspotSide;
    }
    hotspot->SetExtent(rect);
    hotspot->SetGrips(EditorMode() ? (hotspot->Grips() | gsOutline) : (hotspot->Grips() & ViewingGripMask));
    hotspot->RaiseToTop();
    hotspot->SetOptionBits(HotspotOptionBits);
    hotspot->SetGripRadius(EditorMode() ? 4 : 1);
    hotspot->SetGripFillColor(gripFill);
    hotspot->OnReshaping = [this](TRubberbandLayer* sender, const TSingleRect& oldExtent, TSingleRect& newExtent,
                                  TGripKind grip, TShiftState shift) {
        LayerResizing(sender, oldExtent, newExtent, grip, shift);
    };
    // Raised only by a step that really moved or resized the hotspot.
    hotspot->OnReshaped = [this](TRubberbandLayer*) { SetHotspotsEdited(true); };
    hotspot->Opis = opis;
    hotspot->MarkDirty();
    return hotspot;
}

void TMainForm::LoadZnaki() {
    if (CurrentPage == 0) return;
    for (const THotspotRecord& record : ReadHotspotFile(HotspotFilePath(DataDir, CurrentPage, CurrentItem)))
        NewHotspot(record.Rect, GripColor, record.Opis);
}

void TMainForm::ClearLayers() {
    RemoveReaderFrames();
    SelectLayer(nullptr);
    // What follows is a new item (or none): nothing of it has been edited yet, and its history starts.
    SetHotspotsEdited(false);
    FUndo.Clear();
    FDrag = TDragStart{};
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = layers.LayerCount() - 1; i >= 0; --i)
        if (TWarstwaItem* hotspot = HotspotAt(layers, i)) delete hotspot;
}

// --- viewing mode ---------------------------------------------------------------------------------

void TMainForm::LayerResizing(TRubberbandLayer* sender, const TSingleRect& oldExtent, TSingleRect& newExtent,
                              TGripKind, TShiftState) {
    if (!EditorMode()) {
        newExtent = oldExtent;
        return;
    }
    // Raised before the layer applies the step, so the edit box follows one step behind.
    if (sender != nullptr) PlaceDescriptionEditor(sender->Extent());
}

void TMainForm::sub_imageMouseMove(TCustomImage32*, TShiftState, int32_t x, int32_t y, TCustomLayer*) {
    if (EditorMode()) return;
    Screen().SetCursor(crDefault);
    // Every hotspot under the pointer counts, not only the topmost.
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = layers.LayerCount() - 1; i >= 0; --i) {
        TWarstwaItem* hotspot = HotspotAt(layers, i);
        if (hotspot != nullptr && hotspot->HitsPoint(x, y) && FileExists(SignPictureFile(DataDir, hotspot->Opis)))
            Screen().SetCursor(crHandPoint);
    }
}

void TMainForm::sub_imageMouseDown(TCustomImage32*, TMouseButton button, TShiftState shift, int32_t x, int32_t y,
                                   TCustomLayer* layer) {
    if (EditorMode()) {
        auto* hotspot = dynamic_cast<TWarstwaItem*>(layer);
        // A press that started a drag: the whole drag, to the release, becomes one step.
        if (hotspot != nullptr && hotspot->Tracking() && FDrag.Hotspot != hotspot)
            FDrag = TDragStart{hotspot, HotspotIndex(hotspot), hotspot->Extent(), SelectionIndex()};
        SelectLayer(hotspot);
        return;
    }
    // Only the topmost hotspot under the pointer counts, whether or not its sign picture exists.
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = layers.LayerCount() - 1; i >= 0; --i) {
        TWarstwaItem* hotspot = HotspotAt(layers, i);
        if (hotspot != nullptr && hotspot->HitsPoint(x, y)) {
            ShowHotspotPreview(i);
            // The release of the press that opened the preview went to the preview. End the press here,
            // or the hotspot would keep the mouse (and the hand cursor) until the next click on the view.
            if (layers.CaptureLayer() != nullptr && QGuiApplication::mouseButtons() == Qt::NoButton)
                layers.DispatchMouseUp(button, shift & ~(ssLeft | ssRight | ssMiddle), x, y);
            return;
        }
    }
}

void TMainForm::sub_imageMouseUp(TCustomImage32*, TMouseButton, TShiftState, int32_t, int32_t, TCustomLayer*) {
    if (FDrag.Hotspot == nullptr) return;
    // The hotspot must still be the one at its place (nothing removed it meanwhile).
    TLayerCollection& layers = sub_image->LayerCollection();
    if (FDrag.Index < 0 || FDrag.Index >= layers.LayerCount() || layers.LayerAt(FDrag.Index) != FDrag.Hotspot) {
        FDrag = TDragStart{};
        return;
    }
    if (!FDrag.Hotspot->Tracking()) FinishDrag();
}

void TMainForm::FinishDrag() {
    const TDragStart drag = FDrag;
    FDrag = TDragStart{};
    if (!(drag.Hotspot->Extent() == drag.Extent)) {
        TUndoStep step;
        step.Changes.push_back(Modified(drag.Index, THotspotState{drag.Extent, drag.Hotspot->Opis}, StateOf(*drag.Hotspot)));
        step.SelectionBefore = drag.SelectionBefore;
        step.SelectionAfter = SelectionIndex();
        RecordStep(std::move(step));
    }
    SetHotspotsEdited(!FUndo.AtSavedState());
}

// --- sign preview ---------------------------------------------------------------------------------

std::string TMainForm::GetOpis(const std::string& d) const {
    return SignList != nullptr ? ::velmora::GetOpis(*SignList, d) : std::string();
}

int TMainForm::ShowZnak(const std::string& d) {
    const std::string path = SignPictureFile(DataDir, d);
    if (!FileExists(path)) return 0;
    // Parented only so that it stacks above the stay-on-top main window; this operation frees it.
    auto form = std::make_unique<TImageForm>(this);
    form->ShowImage->Bitmap().LoadPictureFile(path);
    form->OpisLabel->SetCaption(GetOpis(d));
    return form->ShowModal();
}

// --- editor ---------------------------------------------------------------------------------------

void TMainForm::PlaceDescriptionEditor(const TSingleRect& extent) {
    // A zoomed view shows the extent scaled; at 1 : 1 these are the plain bitmap numbers.
    long double sx = 1, sy = 1;
    ViewScale(*sub_image, sx, sy);
    const int64_t width =
        static_cast<int64_t>(TruncCoordinate((static_cast<long double>(extent.Right) - extent.Left) * sx)) -
        PreviewBtn->width();
    const int64_t top = static_cast<int64_t>(TruncCoordinate(extent.Bottom * sy)) + sub_image->y() -
                        ScrolledBy(sub_image->BitmapOffsetY());
    const int64_t left = static_cast<int64_t>(TruncCoordinate(extent.Left * sx)) + sub_image->x() -
                         ScrolledBy(sub_image->BitmapOffsetX());
    const auto clampInt = [](int64_t v) {
        return static_cast<int>(std::max<int64_t>(INT32_MIN / 2, std::min<int64_t>(INT32_MAX / 2, v)));
    };
    // A hotspot narrower than the button leaves the edit box no width; the button still sits at its
    // left edge plus that (negative) width.
    _opis->move(clampInt(left), clampInt(top));
    _opis->resize(clampInt(std::max<int64_t>(width, 0)), _opis->height());
    PreviewBtn->move(clampInt(left + width), clampInt(top));
}

void TMainForm::SelectLayer(TCustomLayer* layer) {
    auto* hotspot = dynamic_cast<TWarstwaItem*>(layer);
    if (auto* previous = dynamic_cast<TRubberbandLayer*>(SelectedLayer)) {
        previous->SetGripFillColor(GripColor);
        previous->MarkDirty();
    }
    if (hotspot != nullptr) {
        hotspot->SetGripFillColor(SelectedGripColor);
        hotspot->MarkDirty();
    }
    // The selection changes before the text: the text's change notification writes into this hotspot.
    SelectedLayer = hotspot;
    // Typing into another hotspot's description is a step of its own.
    FUndo.BreakMerge();
    if (hotspot != nullptr) {
        PlaceDescriptionEditor(hotspot->Extent());
        ShowDescription(hotspot->Opis);
    }
    _opis->setVisible(SelectedLayer != nullptr);
    PreviewBtn->setVisible(SelectedLayer != nullptr);
    if (!_opis->isHidden()) _opis->setFocus();
}

void TMainForm::ShowDescription(const std::string& opis) {
    // Made read-only before the text changes, so the change event of a shortened text takes nothing; a
    // whole one reads back as the same bytes.
    if (opis.size() <= LongestEditedDescription) {
        _opis->setReadOnly(false);
        _opis->setText(FromWin1250(opis));
    } else {
        // Shortened for the eye only: the box never writes it back, so the hotspot keeps it whole.
        _opis->setReadOnly(true);
        _opis->setText(FromWin1250(opis.substr(0, LongestEditedDescription)) + QChar(0x2026));
        _opis->setCursorPosition(0);
    }
}

void TMainForm::_opisPropertiesChange() {
    if (_opis->isReadOnly()) return;
    auto* hotspot = dynamic_cast<TWarstwaItem*>(SelectedLayer);
    if (hotspot == nullptr) return;
    std::string opis = ToWin1250(_opis->text());
    if (opis == hotspot->Opis) return;
    const int32_t index = HotspotIndex(hotspot);
    TUndoStep step;
    THotspotState before = StateOf(*hotspot);
    hotspot->Opis = std::move(opis);
    step.Changes.push_back(Modified(index, std::move(before), StateOf(*hotspot)));
    step.SelectionBefore = step.SelectionAfter = index;
    // Typing merges into one step until the selection changes.
    step.MergeKey = MergeKey(TMergeKind::Description, index);
    RecordStep(std::move(step));
    SetHotspotsEdited(!FUndo.AtSavedState());
}

void TMainForm::PreviewBtnClick() {
    if (auto* hotspot = dynamic_cast<TWarstwaItem*>(SelectedLayer)) {
        const std::string opis = hotspot->Opis;
        ShowZnak(opis);
    }
}

void TMainForm::L_AddClick(QObject*) {
    EndSearchFlash();
    if (CurrentPage == 0) {
        Warn(PickPageText);
        return;
    }
    // 40 pixels right of and below the visible top-left corner of the item picture, 100 x 100; on a
    // zoomed view that corner is found in whole bitmap pixels.
    long double sx = 1, sy = 1;
    ViewScale(*sub_image, sx, sy);
    const auto left = static_cast<float>(TruncCoordinate(ScrolledBy(sub_image->BitmapOffsetX()) / sx) + 40);
    const auto top = static_cast<float>(TruncCoordinate(ScrolledBy(sub_image->BitmapOffsetY()) / sy) + 40);
    const int32_t selectionBefore = SelectionIndex();
    TWarstwaItem* hotspot = NewHotspot(TSingleRect{left, top, left + 100.0f, top + 100.0f}, SelectedGripColor, {});
    SelectLayer(hotspot);
    TUndoStep step;
    step.Changes.push_back(Inserted(hotspot->ZOrder(), StateOf(*hotspot)));
    step.SelectionBefore = selectionBefore;
    step.SelectionAfter = SelectionIndex();
    RecordStep(std::move(step));
    SetHotspotsEdited(true);
}

void TMainForm::L_DeleteClick(QObject*) {
    if (CurrentPage == 0) {
        Warn(PickPageText);
        return;
    }
    if (SelectedLayer == nullptr) {
        Warn(PickLayerText);
        return;
    }
    TCustomLayer* doomed = SelectedLayer;
    TUndoStep step;
    step.SelectionBefore = SelectionIndex();
    if (const auto* hotspot = dynamic_cast<const TWarstwaItem*>(doomed))
        step.Changes.push_back(THotspotChange{THotspotChange::TKind::Remove, step.SelectionBefore, StateOf(*hotspot), {}});
    SelectLayer(nullptr);
    // A hotspot deleted while the mouse drags it ends that drag's record.
    if (doomed == FDrag.Hotspot) FDrag = TDragStart{};
    delete doomed;  // leaves the collection, which repaints its area
    RecordStep(std::move(step));
    SetHotspotsEdited(true);
}

void TMainForm::L_LoadClick(QObject* sender) {
    EndSearchFlash();
    if (CurrentPage == 0) {
        Warn(PickPageText);
        return;
    }
    // Adds to what is there: loading twice shows every stored hotspot twice. The author's press adds
    // hotspots the file does not hold; the navigator's load shows just what the file holds.
    const std::string path = HotspotFilePath(DataDir, CurrentPage, CurrentItem);
    int64_t cutFrom = 0;
    TUndoStep step;
    step.SelectionBefore = SelectionIndex();
    TLayerCollection& layers = sub_image->LayerCollection();
    {
        // The item view repaints once for the whole file, not once per hotspot.
        sub_image->BeginChanges();
        TScopeExit endChanges([this] {
            sub_image->EndChanges();
            sub_image->NotifyChanged();
        });
        std::vector<THotspotRecord> records = ReadHotspotFile(path, &cutFrom);
        if (sender != nullptr) step.Changes.reserve(records.size());
        for (THotspotRecord& record : records) {
            TWarstwaItem* hotspot = NewHotspot(record.Rect, GripColor, record.Opis);
            SelectLayer(nullptr);
            if (sender != nullptr) step.Changes.push_back(Inserted(layers.LayerCount() - 1, StateOf(*hotspot)));
        }
    }
    // The navigator's load is what the file holds: the item's history starts from it.
    if (sender == nullptr) {
        FUndo.Clear();
    } else if (!step.Changes.empty()) {
        RecordStep(std::move(step));
        SetHotspotsEdited(true);
    }
    if (cutFrom > 0) ShowWarning(TooManyHotspotsText(path, cutFrom));
}

void TMainForm::L_SaveClick(QObject* sender) {
    if (!EditorMode()) return;
    if (CurrentPage == 0) {
        if (sender != nullptr) Warn(PickPageText);
        return;
    }
    // Leaving an item writes it only when the author changed it: a file that failed to load, or was
    // never shown, must not be overwritten by the nothing the view holds. The button always writes.
    if (sender == nullptr && !FHotspotsEdited) return;
    std::vector<THotspotRecord> hotspots;
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = 0; i < layers.LayerCount(); ++i)
        if (const TWarstwaItem* hotspot = HotspotAt(layers, i))
            hotspots.push_back(THotspotRecord{hotspot->Extent(), hotspot->Opis});
    WriteHotspotFile(HotspotFilePath(DataDir, CurrentPage, CurrentItem), hotspots);
    // The search finds the hotspots as written from now on.
    if (FSearch != nullptr) FSearch->ItemSaved(CurrentPage, CurrentItem, hotspots);
    // A save is not a step: undo goes on from here, and the state saved is the one the mark is gone at.
    FUndo.MarkSaved();
    SetHotspotsEdited(false);
}

// --- editor additions -----------------------------------------------------------------------------

void TMainForm::SetHotspotsEdited(bool edited) {
    if (edited == FHotspotsEdited) return;
    FHotspotsEdited = edited;
    RefreshCounter();
}

void TMainForm::RefreshCounter() {
    std::string text = FCounterText;
    if (EditorMode() && FHotspotsEdited) text += UnsavedMark;
    InfoLabel->SetCaption(text);
}

int32_t TMainForm::HotspotIndex(const TCustomLayer* layer) const {
    return layer == nullptr ? -1 : sub_image->LayerCollection().IndexOf(layer);
}

void TMainForm::SelectIndex(int32_t index) {
    TLayerCollection& layers = sub_image->LayerCollection();
    SelectLayer(index >= 0 && index < layers.LayerCount() ? layers.LayerAt(index) : nullptr);
}

void TMainForm::RecordStep(TUndoStep step, int64_t mergeWindowMs) {
    step.TimeMs = NowMs();
    FUndo.Record(std::move(step), mergeWindowMs);
}

void TMainForm::EditorUndo() {
    // A drag in progress owns the hotspot until it is let go.
    if (FDrag.Hotspot != nullptr || !FUndo.CanUndo()) return;
    // Undo may remove the selected hotspot: nothing may point at it meanwhile.
    SelectLayer(nullptr);
    THotspotLayers layers(*this);
    const std::optional<int32_t> selection = FUndo.Undo(layers);
    SelectIndex(selection.value_or(-1));
    SetHotspotsEdited(!FUndo.AtSavedState());
}

void TMainForm::EditorRedo() {
    if (FDrag.Hotspot != nullptr || !FUndo.CanRedo()) return;
    SelectLayer(nullptr);
    THotspotLayers layers(*this);
    const std::optional<int32_t> selection = FUndo.Redo(layers);
    SelectIndex(selection.value_or(-1));
    SetHotspotsEdited(!FUndo.AtSavedState());
}

void TMainForm::KeyReshape(const TEditorKeyAction& action) {
    auto* hotspot = dynamic_cast<TWarstwaItem*>(SelectedLayer);
    if (hotspot == nullptr || hotspot->Tracking() || CurrentPage == 0) return;
    const TSingleRect old = hotspot->Extent();
    TSingleRect proposal = old;
    TGripKind grip = TGripKind::gkMove;
    const auto dx = static_cast<float>(action.Dx);
    const auto dy = static_cast<float>(action.Dy);
    if (action.Command == TEditorCommand::Move) {
        proposal = TSingleRect{old.Left + dx, old.Top + dy, old.Right + dx, old.Bottom + dy};
    } else {
        PushHighEdge(proposal.Left, proposal.Right, dx, hotspot->SmallestWidth, hotspot->LargestWidth);
        PushHighEdge(proposal.Top, proposal.Bottom, dy, hotspot->SmallestHeight, hotspot->LargestHeight);
        grip = dx != 0 ? TGripKind::gkRight : TGripKind::gkBottom;
    }
    // The drag's path: the reshaping handler sees the step, and the outline repaints.
    hotspot->Reshape(old, proposal, grip, 0);
    // A drag's edit box trails one step; a key's must not lag behind a single press.
    PlaceDescriptionEditor(hotspot->Extent());
    if (hotspot->Extent() == old) return;
    const int32_t index = HotspotIndex(hotspot);
    TUndoStep step;
    step.Changes.push_back(Modified(index, THotspotState{old, hotspot->Opis}, StateOf(*hotspot)));
    step.SelectionBefore = step.SelectionAfter = index;
    const uint32_t keyDetail = (uint32_t(action.Command) << 16) | (uint32_t(action.Dx & 0xFF) << 8) | uint32_t(action.Dy & 0xFF);
    step.MergeKey = MergeKey(TMergeKind::Key, index, keyDetail);
    RecordStep(std::move(step), KeyMergeWindowMs);
    SetHotspotsEdited(!FUndo.AtSavedState());
}

void TMainForm::SelectByKey(int32_t direction) {
    const int32_t count = sub_image->LayerCollection().LayerCount();
    if (count == 0) return;
    const int32_t current = SelectionIndex();
    int32_t next = 0;
    if (current < 0)
        next = direction > 0 ? 0 : count - 1;
    else
        next = (current + direction + count) % count;
    SelectIndex(next);
}

void TMainForm::DuplicateSelected() {
    const auto* original = dynamic_cast<const TWarstwaItem*>(SelectedLayer);
    if (original == nullptr || CurrentPage == 0) return;
    const TSingleRect e = original->Extent();
    const int32_t selectionBefore = SelectionIndex();
    TWarstwaItem* copy =
        NewHotspot(TSingleRect{e.Left + 10.0f, e.Top + 10.0f, e.Right + 10.0f, e.Bottom + 10.0f}, SelectedGripColor, original->Opis);
    SelectLayer(copy);
    TUndoStep step;
    step.Changes.push_back(Inserted(copy->ZOrder(), StateOf(*copy)));
    step.SelectionBefore = selectionBefore;
    step.SelectionAfter = SelectionIndex();
    RecordStep(std::move(step));
    SetHotspotsEdited(true);
}

void TMainForm::ZoomItemView(float scale) {
    const TRect v = sub_image->ViewportRect();
    sub_image->ZoomAt(scale, v.Width() / 2, v.Height() / 2);
}

void TMainForm::RunKeyAction(const TEditorKeyAction& action) {
    EndSearchFlash();
    QWidget* focus = QApplication::focusWidget();
    using enum TEditorCommand;
    switch (action.Command) {
        case None: return;
        case Move:
        case Resize: KeyReshape(action); break;
        case Delete: L_DeleteClick(L_Delete); break;
        case Duplicate: DuplicateSelected(); break;
        case SelectNext: SelectByKey(1); break;
        case SelectPrevious: SelectByKey(-1); break;
        case ClearSelection: SelectLayer(nullptr); break;
        case Save: L_SaveClick(L_Save); break;
        case Undo: EditorUndo(); break;
        case Redo: EditorRedo(); break;
        case ZoomReset: ZoomItemView(1.0f); break;
        case LeaveEditBox:
            if (sub_image->isVisible()) sub_image->setFocus();
            return;
    }
    // The focus stays where the key came from, so that the next key acts the same: a selection made
    // by a key would otherwise send it into the edit box.
    if (focus != nullptr && focus->isVisible() && focus != this)
        focus->setFocus();
    else if (focus != _opis && sub_image->isVisible())
        sub_image->setFocus();
}

}  // namespace velmora

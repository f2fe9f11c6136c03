// The hotspots of the item view and their editor: building them from an item's hotspot file, the
// hand cursor and the click that opens the sign preview in viewing mode, and in editor mode the
// selection, adding, deleting, loading and saving, and the description edit box under the selection.
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/data_set.h"
#include "app/image_form.h"
#include "app/main_form.h"
#include "app/warstwa_item.h"
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

}  // namespace

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
    // Raised only by a drag step that really moved or resized the hotspot.
    hotspot->OnReshaped = [this](TRubberbandLayer*) { FHotspotsEdited = true; };
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
    SelectLayer(nullptr);
    // What follows is a new item (or none): nothing of it has been edited yet.
    FHotspotsEdited = false;
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
        SelectLayer(dynamic_cast<TWarstwaItem*>(layer));
        return;
    }
    // Only the topmost hotspot under the pointer counts, whether or not its sign picture exists.
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = layers.LayerCount() - 1; i >= 0; --i) {
        TWarstwaItem* hotspot = HotspotAt(layers, i);
        if (hotspot != nullptr && hotspot->HitsPoint(x, y)) {
            const std::string opis = hotspot->Opis;
            ShowZnak(opis);
            // The release of the press that opened the preview went to the preview. End the press here,
            // or the hotspot would keep the mouse (and the hand cursor) until the next click on the view.
            if (layers.CaptureLayer() != nullptr && QGuiApplication::mouseButtons() == Qt::NoButton)
                layers.DispatchMouseUp(button, shift & ~(ssLeft | ssRight | ssMiddle), x, y);
            return;
        }
    }
}

// --- sign preview ---------------------------------------------------------------------------------

std::string TMainForm::GetOpis(const std::string& d) const {
    return SignList != nullptr ? ::velmora::GetOpis(*SignList, d) : std::string();
}

void TMainForm::ShowZnak(const std::string& d) {
    const std::string path = SignPictureFile(DataDir, d);
    if (!FileExists(path)) return;
    // Parented only so that it stacks above the stay-on-top main window; this operation frees it.
    auto form = std::make_unique<TImageForm>(this);
    form->ShowImage->Bitmap().LoadPictureFile(path);
    form->OpisLabel->SetCaption(GetOpis(d));
    form->ShowModal();
}

// --- editor ---------------------------------------------------------------------------------------

void TMainForm::PlaceDescriptionEditor(const TSingleRect& extent) {
    const int64_t width =
        static_cast<int64_t>(TruncCoordinate(static_cast<long double>(extent.Right) - extent.Left)) - PreviewBtn->width();
    const int64_t top = static_cast<int64_t>(TruncCoordinate(extent.Bottom)) + sub_image->y() -
                        ScrolledBy(sub_image->BitmapOffsetY());
    const int64_t left = static_cast<int64_t>(TruncCoordinate(extent.Left)) + sub_image->x() -
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
    hotspot->Opis = std::move(opis);
    FHotspotsEdited = true;
}

void TMainForm::PreviewBtnClick() {
    if (auto* hotspot = dynamic_cast<TWarstwaItem*>(SelectedLayer)) {
        const std::string opis = hotspot->Opis;
        ShowZnak(opis);
    }
}

void TMainForm::L_AddClick(QObject*) {
    if (CurrentPage == 0) {
        Warn(PickPageText);
        return;
    }
    // 40 pixels right of and below the visible top-left corner of the item picture, 100 x 100.
    const auto left = static_cast<float>(ScrolledBy(sub_image->BitmapOffsetX()) + 40);
    const auto top = static_cast<float>(ScrolledBy(sub_image->BitmapOffsetY()) + 40);
    TWarstwaItem* hotspot = NewHotspot(TSingleRect{left, top, left + 100.0f, top + 100.0f}, SelectedGripColor, {});
    FHotspotsEdited = true;
    SelectLayer(hotspot);
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
    SelectLayer(nullptr);
    FHotspotsEdited = true;
    delete doomed;  // leaves the collection, which repaints its area
}

void TMainForm::L_LoadClick(QObject* sender) {
    if (CurrentPage == 0) {
        Warn(PickPageText);
        return;
    }
    // Adds to what is there: loading twice shows every stored hotspot twice. The author's press adds
    // hotspots the file does not hold; the navigator's load shows just what the file holds.
    const std::string path = HotspotFilePath(DataDir, CurrentPage, CurrentItem);
    int64_t cutFrom = 0;
    for (const THotspotRecord& record : ReadHotspotFile(path, &cutFrom)) {
        NewHotspot(record.Rect, GripColor, record.Opis);
        if (sender != nullptr) FHotspotsEdited = true;
        SelectLayer(nullptr);
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
    FHotspotsEdited = false;
}

}  // namespace velmora

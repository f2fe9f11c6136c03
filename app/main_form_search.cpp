// The main window's side of the search: the panel opened by Ctrl+F or "/", a chosen result shown
// through the navigator as the links show an item, and the found hotspot scrolled into view and
// flashed by a frame layer of its own.
#include <QApplication>
#include <QTimer>
#include <exception>

#include "app/main_form.h"
#include "app/search_panel.h"
#include "app/warstwa_item.h"
#include "layers/frame_layer.h"
#include "layers/layer_collection.h"
#include "toolkit/application.h"

namespace velmora {

namespace {

constexpr TColor32 FlashColor = 0xFFE8202Eu;  // the stage's red, three pixels: unlike focus and outlines
constexpr int32_t FlashWidth = 3;

TWarstwaItem* HotspotAt(TLayerCollection& layers, int32_t index) {
    return index >= 0 && index < layers.LayerCount() ? dynamic_cast<TWarstwaItem*>(layers.LayerAt(index)) : nullptr;
}

// The layer of the found hotspot: the one at its place in the file when it still names the sign
// there, else the first that names it with the same rectangle, else the first that names it.
int32_t FoundHotspot(TLayerCollection& layers, const TSearchResult& result) {
    if (const TWarstwaItem* h = HotspotAt(layers, result.Place.Hotspot); h != nullptr && h->Opis == result.Opis)
        return result.Place.Hotspot;
    int32_t named = -1;
    for (int32_t i = 0; i < layers.LayerCount(); ++i) {
        const TWarstwaItem* h = HotspotAt(layers, i);
        if (h == nullptr || h->Opis != result.Opis) continue;
        if (h->Extent() == result.Place.Rect) return i;
        if (named < 0) named = i;
    }
    return named;
}

}  // namespace

void TMainForm::OpenSearch() {
    if (FSearch == nullptr) {
        FSearch = new TSearchPanel(MainPanel, DataDir);
        FSearch->OnClose = [this] { CloseSearch(); };
        FSearch->OnChoose = [this](const TSearchResult& result) {
            CloseSearch();
            // Reported as any handler's error is, and the window goes on.
            try {
                ShowSearchResult(result);
            } catch (const std::exception& e) {
                TApplication* app = TApplication::Instance();
                if (app == nullptr) throw;
                app->ShowException(e.what());
            }
        };
    }
    if (!FSearch->isVisible()) FFocusBeforeSearch = QApplication::focusWidget();
    FSearch->Open();
}

void TMainForm::CloseSearch() {
    if (FSearch == nullptr || FSearch->isHidden()) return;
    FSearch->hide();
    QWidget* back = FFocusBeforeSearch;
    FFocusBeforeSearch = nullptr;
    if (back != nullptr && back->isVisible())
        back->setFocus();
    else if (sub_image->isVisible())
        sub_image->setFocus();
    else
        setFocus();
}

bool TMainForm::SearchHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return FSearch != nullptr && focus != nullptr && FSearch->isAncestorOf(focus);
}

bool TMainForm::ShowSearchResult(const TSearchResult& result) {
    const TSearchPlace& place = result.Place;
    // The item on show stays as it is, unsaved edits and their history included.
    const bool shown = CurrentPage == place.Page && CurrentItem == place.Item && sub_image->isVisible();
    if (!shown && ShowPlace(place.Page, place.Item) != TShowResult::Shown) return false;
    const int32_t index = FoundHotspot(sub_image->LayerCollection(), result);
    if (index < 0) return false;
    FlashHotspot(index);
    return true;
}

void TMainForm::FlashHotspot(int32_t index) {
    EndSearchFlash();
    const TWarstwaItem* hotspot = HotspotAt(sub_image->LayerCollection(), index);
    if (hotspot == nullptr) return;
    FSearchFlash = new TFrameLayer(&sub_image->LayerCollection(), FlashColor, FlashWidth);
    FSearchFlash->SetFollowsBitmap(true);
    FSearchFlash->SetExtent(hotspot->Extent());
    ScrollIntoView(*FSearchFlash, hotspot->Extent());
    if (FFlashTimer == nullptr) {
        FFlashTimer = new QTimer(this);
        FFlashTimer->setInterval(SearchFlashStepMs);
        QObject::connect(FFlashTimer, &QTimer::timeout, this, [this] {
            if (FSearchFlash == nullptr || ++FFlashStep >= SearchFlashSteps) {
                EndSearchFlash();
                return;
            }
            FSearchFlash->SetShown(FFlashStep % 2 == 0);
        });
    }
    FFlashStep = 0;
    FFlashTimer->start();
}

void TMainForm::EndSearchFlash() {
    if (FFlashTimer != nullptr) FFlashTimer->stop();
    delete FSearchFlash;
    FSearchFlash = nullptr;
}

}  // namespace velmora

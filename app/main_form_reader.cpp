// The reader's side of the main window beyond the mouse: the stage's links by key, a keyboard focus
// that walks the hotspots with a sign picture, the previews flipped through with Left and Right, the
// caption of a hotspot as its tooltip, and the outlines of all hotspots while Ctrl is held.
#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <algorithm>

#include "app/data_set.h"
#include "app/image_form.h"
#include "app/main_form.h"
#include "app/warstwa_item.h"
#include "core/rounding.h"
#include "layers/frame_layer.h"
#include "layers/layer_collection.h"
#include "toolkit/code_page.h"
#include "toolkit/files.h"

namespace velmora {

namespace {

constexpr TColor32 FocusFrameColor = 0xFFFFB000u;  // amber, two pixels: seen on light and dark pictures
constexpr int32_t FocusFrameWidth = 2;
constexpr TColor32 OutlineColor = 0xFF00C8FFu;     // light blue, one pixel
constexpr int32_t OutlineWidth = 1;

TWarstwaItem* HotspotAt(TLayerCollection& layers, int32_t index) {
    return index >= 0 && index < layers.LayerCount() ? dynamic_cast<TWarstwaItem*>(layers.LayerAt(index)) : nullptr;
}

}  // namespace

TScreenKind TMainForm::ShownScreen() const {
    if (CurrentPage > 0) return TScreenKind::Page;
    return opis->isHidden() ? TScreenKind::Index : TScreenKind::Menu;
}

void TMainForm::RunReaderKey(const TReaderKeyAction& action) {
    // A key is the click of the link a mouse would press, so it does what the link does, and nothing
    // where the link is not shown.
    TLinkLabel* link = nullptr;
    using enum TReaderCommand;
    switch (action.Command) {
        case None: return;
        case NextItem: link = SubNextBtn; break;
        case PreviousItem: link = SubPrevBtn; break;
        case Index: link = cxLabel10; break;
        case Chapter: {
            TLinkLabel* const column[] = {cxLabel1, s1, cxLabel2, cxLabel3, cxLabel4,
                                          cxLabel5, cxLabel6, cxLabel7, cxLabel8, cxLabel9};
            if (action.Number >= 1 && action.Number <= 10) link = column[action.Number - 1];
            break;
        }
        case FocusNext:
        case FocusPrevious: {
            const int32_t direction = action.Command == FocusNext ? 1 : -1;
            const int32_t from = FocusedHotspot() >= 0 ? FocusedHotspot() : direction > 0 ? -1 : sub_image->LayerCollection().LayerCount();
            FocusHotspot(NextHotspotWithSign(from, direction));
            return;
        }
        case OpenFocused:
            if (FocusedHotspot() >= 0) ShowHotspotPreview(FocusedHotspot());
            return;
        case Search:
            OpenSearch();
            return;
    }
    if (link == nullptr || link->isHidden() || !link->OnClick) return;
    const TLinkLabel::TNotifyEvent click = link->OnClick;
    click(link);
}

int32_t TMainForm::NextHotspotWithSign(int32_t index, int32_t direction) {
    TLayerCollection& layers = sub_image->LayerCollection();
    const int32_t count = layers.LayerCount();
    if (count == 0) return -1;
    // From outside the list, the first step lands on its first (or last) layer.
    int32_t i = std::clamp(index, -1, count);
    for (int32_t step = 0; step < count + 1; ++step) {
        i += direction;
        if (i >= count) i = 0;
        if (i < 0) i = count - 1;
        const TWarstwaItem* hotspot = HotspotAt(layers, i);
        if (hotspot != nullptr && FileExists(SignPicturePath(DataDir, ToFileSystemPath(hotspot->Opis)))) return i;
    }
    return -1;
}

void TMainForm::FocusHotspot(int32_t index) {
    TWarstwaItem* hotspot = HotspotAt(sub_image->LayerCollection(), index);
    if (hotspot == nullptr) {
        delete FFocusFrame;
        FFocusFrame = nullptr;
        FFocusIndex = -1;
        return;
    }
    if (FFocusFrame == nullptr)
        FFocusFrame = new TFrameLayer(&sub_image->LayerCollection(), FocusFrameColor, FocusFrameWidth);
    FFocusIndex = index;
    FFocusFrame->SetFollowsBitmap(true);
    FFocusFrame->SetExtent(hotspot->Extent());
    ScrollIntoView(*FFocusFrame, hotspot->Extent());
}

void TMainForm::ScrollIntoView(TPositionedLayer& frame, const TSingleRect& extent) {
    // Scrolled into view, centred, unless the whole frame shows already.
    const TSingleRect shown = frame.ExtentOnControl(extent);
    const TRect view = sub_image->ViewportRect();
    if (shown.Left < view.Left || shown.Top < view.Top || shown.Right > view.Right || shown.Bottom > view.Bottom) {
        sub_image->CenterOn(NearestInt((static_cast<long double>(extent.Left) + extent.Right) / 2),
                            NearestInt((static_cast<long double>(extent.Top) + extent.Bottom) / 2));
    }
}

void TMainForm::ShowHotspotPreview(int32_t index) {
    // The preview is modal: nothing changes the hotspots of the item while it shows.
    while (const TWarstwaItem* hotspot = HotspotAt(sub_image->LayerCollection(), index)) {
        const std::string opis = hotspot->Opis;
        const int result = ShowZnak(opis);
        if (result != TImageForm::ShowPrevious && result != TImageForm::ShowNext) return;
        index = NextHotspotWithSign(index, result == TImageForm::ShowNext ? 1 : -1);
        // The keyboard focus follows the signs flipped through.
        if (FFocusFrame != nullptr && index >= 0) FocusHotspot(index);
    }
}

void TMainForm::ShowHotspotOutlines(bool shown) {
    if (EditorMode() || shown == HotspotOutlinesShown()) return;
    if (!shown) {
        for (TFrameLayer* outline : FOutlines) delete outline;
        FOutlines.clear();
        return;
    }
    TLayerCollection& layers = sub_image->LayerCollection();
    std::vector<TSingleRect> extents;
    for (int32_t i = 0; i < layers.LayerCount(); ++i)
        if (const TWarstwaItem* hotspot = HotspotAt(layers, i)) extents.push_back(hotspot->Extent());
    // One repaint for all of them.
    sub_image->BeginChanges();
    for (const TSingleRect& extent : extents) {
        auto* outline = new TFrameLayer(&layers, OutlineColor, OutlineWidth);
        outline->SetFollowsBitmap(true);
        outline->SetExtent(extent);
        FOutlines.push_back(outline);
    }
    sub_image->EndChanges();
    sub_image->NotifyChanged();
}

void TMainForm::RemoveReaderFrames() {
    EndSearchFlash();
    delete FFocusFrame;
    FFocusFrame = nullptr;
    FFocusIndex = -1;
    for (TFrameLayer* outline : FOutlines) delete outline;
    FOutlines.clear();
}

QString TMainForm::HotspotCaptionAt(int32_t x, int32_t y, QRect* area) {
    TLayerCollection& layers = sub_image->LayerCollection();
    for (int32_t i = layers.LayerCount() - 1; i >= 0; --i) {
        TWarstwaItem* hotspot = HotspotAt(layers, i);
        if (hotspot == nullptr || !hotspot->HitsPoint(x, y) ||
            !FileExists(SignPicturePath(DataDir, ToFileSystemPath(hotspot->Opis))))
            continue;
        if (area != nullptr) {
            const TSingleRect c = hotspot->ExtentOnControl(hotspot->Extent());
            *area = QRect(QPoint(NearestInt(c.Left), NearestInt(c.Top)), QPoint(NearestInt(c.Right) - 1, NearestInt(c.Bottom) - 1));
        }
        return FromWin1250(GetOpis(hotspot->Opis));
    }
    return {};
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sub_image && !EditorMode()) {
        if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            QRect area;
            const QString caption = HotspotCaptionAt(help->pos().x(), help->pos().y(), &area);
            // Shown while the pointer stays on the hotspot; an empty caption hides any tooltip.
            if (caption.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), caption, sub_image, area);
            return true;
        }
        if (event->type() == QEvent::Leave) QToolTip::hideText();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velmora

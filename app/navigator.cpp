#include "app/navigator.h"

#include "app/data_set.h"

namespace velmora {

namespace {

// The busy cursor for the lifetime of a scope, reset on every path out of it.
class BusyCursor {
public:
    explicit BusyCursor(TViewServices& view) : view_(view) { view_.SetBusyCursor(true); }
    ~BusyCursor() { view_.SetBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    TViewServices& view_;
};

enum class ScreenKind { Menu, Index, Page };

}  // namespace

TNavigator::TNavigator(TViewServices& view, std::string appDir, bool editorMode)
    : AppDir(std::move(appDir)), view_(view), editorMode_(editorMode) {}

void TNavigator::OpenInfoIni() { InfoIni = std::make_unique<TMemIniFile>(InfoIniPath(AppDir)); }

int32_t TNavigator::ItemCount() const { return InfoIni ? PageItemCount(*InfoIni, CurrentPage) : 1; }

std::string TNavigator::GetFile(std::string_view name) const { return StagePicturePath(AppDir, name); }

TNavigator::TShowResult TNavigator::LoadImage(std::string_view name) {
    const std::string path = GetFile(name);
    if (!view_.FileExists(path)) return TShowResult::ScreenMissing;

    const ScreenKind kind = name == "menu" ? ScreenKind::Menu : name == "spis" ? ScreenKind::Index : ScreenKind::Page;
    {
        BusyCursor busy(view_);
        view_.ClearLayers();
        const bool page = kind == ScreenKind::Page;
        view_.SetControlVisible("opis", kind == ScreenKind::Menu);
        view_.SetControlVisible("SubPrevBtn", page);
        view_.SetControlVisible("SubNextBtn", page);
        view_.SetControlVisible("sub_image", page);
        view_.SetControlVisible("InfoLabel", page);
        for (int n = 1; n <= 10; ++n) view_.SetControlVisible("spis_" + std::to_string(n), kind == ScreenKind::Index);
        // A page shows its first item next; both pictures may decode at once.
        if (page) view_.PrefetchItemPicture(ItemPicturePath(AppDir, CurrentPage, CurrentItem));
        view_.LoadStagePicture(path);
    }
    if (kind == ScreenKind::Page) return LoadSubImage(1) ? TShowResult::Shown : TShowResult::ItemMissing;
    CurrentPage = 0;
    CurrentItem = 1;
    return TShowResult::Shown;
}

bool TNavigator::LoadSubImage(int32_t number) {
    view_.ClearLayers();
    const std::string path = ItemPicturePath(AppDir, CurrentPage, CurrentItem);
    if (!view_.FileExists(path)) return false;

    BusyCursor busy(view_);
    view_.SetCounterText(std::to_string(number) + " / " + std::to_string(ItemCount()));
    view_.LoadItemPicture(path);
    LoadHotspots();
    return true;
}

void TNavigator::LoadHotspots() {
    if (editorMode_) {
        view_.L_LoadClick();
    } else {
        view_.LoadZnaki();
    }
}

void TNavigator::AutoSave() {
    if (CurrentPage > 0) view_.L_SaveClick();
}

void TNavigator::RestoreAfterMissingItem(int32_t page, int32_t item) {
    CurrentPage = page;
    CurrentItem = item;
    if (CurrentPage > 0) {
        BusyCursor busy(view_);
        LoadHotspots();
    }
}

void TNavigator::SpisBtnClick() {
    AutoSave();
    const int32_t page = CurrentPage;
    CurrentPage = 0;
    // The index has no item, so only a missing index picture needs the page back.
    if (LoadImage("spis") == TShowResult::ScreenMissing) CurrentPage = page;
}

void TNavigator::spis_Click(int32_t tag) {
    const int32_t page = CurrentPage;
    const int32_t item = CurrentItem;
    CurrentPage = tag;
    CurrentItem = 1;
    switch (LoadImage(std::to_string(tag))) {
        case TShowResult::Shown:
            break;
        case TShowResult::ScreenMissing:
            CurrentPage = page;
            CurrentItem = item;
            break;
        case TShowResult::ItemMissing:
            RestoreAfterMissingItem(page, item);
            break;
    }
}

void TNavigator::SubNextBtnClick() {
    AutoSave();
    const int32_t item = CurrentItem;
    const int64_t next = static_cast<int64_t>(CurrentItem) + 1;
    CurrentItem = ItemCount() < next ? 1 : static_cast<int32_t>(next);
    if (!LoadSubImage(CurrentItem)) RestoreAfterMissingItem(CurrentPage, item);
}

void TNavigator::SubPrevBtnClick() {
    AutoSave();
    const int32_t item = CurrentItem;
    const int64_t previous = static_cast<int64_t>(CurrentItem) - 1;
    CurrentItem = previous <= 0 ? ItemCount() : static_cast<int32_t>(previous);
    if (!LoadSubImage(CurrentItem)) RestoreAfterMissingItem(CurrentPage, item);
}

void TNavigator::CloseBtnClick() {
    AutoSave();
    view_.CloseMainWindow();
}

}  // namespace velmora

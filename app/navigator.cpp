#include "app/navigator.h"

#include <exception>

#include "app/data_set.h"
#include "core/scope_exit.h"

namespace velmora {

namespace {

// The busy cursor until the scope ends, reset on every way out of it.
[[nodiscard]] auto BusyCursor(TViewServices& view) {
    view.SetBusyCursor(true);
    return TScopeExit([&view] { view.SetBusyCursor(false); });
}

enum class ScreenKind { Menu, Index, Page };

ScreenKind ScreenOf(std::string_view name) {
    return name == "menu" ? ScreenKind::Menu : name == "spis" ? ScreenKind::Index : ScreenKind::Page;
}

}  // namespace

TNavigator::TNavigator(TViewServices& view, std::string appDir, bool editorMode, std::string dataDir)
    : AppDir(std::move(appDir)), DataDir(std::move(dataDir)), FView(view), FEditorMode(editorMode) {
    if (DataDir.empty() && !AppDir.empty()) DataDir = DataDirOf(AppDir);
}

void TNavigator::OpenInfoIni() { InfoIni = std::make_unique<TMemIniFile>(InfoIniPath(DataDir)); }

int32_t TNavigator::ItemCount() const { return InfoIni ? PageItemCount(*InfoIni, CurrentPage) : 1; }

std::string TNavigator::GetFile(std::string_view name) const { return StagePicturePath(DataDir, name); }

TNavigator::TShowResult TNavigator::LoadImage(std::string_view name) {
    if (!ShowStage(name)) return TShowResult::ScreenMissing;
    if (ScreenOf(name) == ScreenKind::Page) return LoadSubImage(1) ? TShowResult::Shown : TShowResult::ItemMissing;
    CurrentPage = 0;
    CurrentItem = 1;
    return TShowResult::Shown;
}

bool TNavigator::ShowStage(std::string_view name) {
    const std::string path = GetFile(name);
    if (!FView.FileExists(path)) return false;

    const ScreenKind kind = ScreenOf(name);
    const bool page = kind == ScreenKind::Page;
    const auto busy = BusyCursor(FView);
    // A page shows its first item next; both pictures may decode at once.
    if (page) FView.PrefetchItemPicture(ItemPicturePath(DataDir, CurrentPage, CurrentItem));
    // The picture decodes before anything else changes: one that fails leaves the screen, its
    // hotspots and their unsaved edits exactly as a missing picture would.
    FView.LoadStagePicture(path);
    FView.ClearLayers();
    FView.SetControlVisible("opis", kind == ScreenKind::Menu);
    FView.SetControlVisible("SubPrevBtn", page);
    FView.SetControlVisible("SubNextBtn", page);
    FView.SetControlVisible("sub_image", page);
    FView.SetControlVisible("InfoLabel", page);
    for (int n = 1; n <= 10; ++n) FView.SetControlVisible("spis_" + std::to_string(n), kind == ScreenKind::Index);
    return true;
}

bool TNavigator::LoadSubImage(int32_t number) { return ShowItem(number, nullptr); }

bool TNavigator::ShowItem(int32_t number, const TPlace* goBackTo) {
    FView.ClearLayers();
    const std::string path = ItemPicturePath(DataDir, CurrentPage, CurrentItem);
    if (!FView.FileExists(path)) return false;

    std::exception_ptr pictureError;
    {
        const auto busy = BusyCursor(FView);
        try {
            FView.LoadItemPicture(path);
        } catch (...) {
            pictureError = std::current_exception();
        }
        if (!pictureError) {
            // The counter follows the picture, so one that fails leaves it naming the item still shown.
            FView.SetCounterText(std::to_string(number) + " / " + std::to_string(ItemCount()));
            LoadHotspots();
        }
    }
    if (!pictureError) return true;
    // The picture could not be decoded: the item still shown stays current, with its hotspots, and the
    // error goes on to the application. Its hotspot file was read once already, so an error of
    // reading it again adds nothing to the picture's.
    if (goBackTo != nullptr) {
        try {
            RestoreAfterMissingItem(goBackTo->Page, goBackTo->Item);
        } catch (...) {
        }
    }
    std::rethrow_exception(pictureError);
}

void TNavigator::LoadHotspots() {
    if (FEditorMode) {
        FView.L_LoadClick();
    } else {
        FView.LoadZnaki();
    }
}

void TNavigator::AutoSave() {
    if (CurrentPage > 0) FView.L_SaveClick();
}

void TNavigator::RestoreAfterMissingItem(int32_t page, int32_t item) {
    CurrentPage = page;
    CurrentItem = item;
    if (CurrentPage > 0) {
        const auto busy = BusyCursor(FView);
        LoadHotspots();
    }
}

void TNavigator::ShowItemOrGoBack(int32_t page, int32_t item) {
    const TPlace shown{page, item};
    if (!ShowItem(CurrentItem, &shown)) RestoreAfterMissingItem(page, item);
}

void TNavigator::SpisBtnClick() {
    AutoSave();
    const int32_t page = CurrentPage;
    CurrentPage = 0;
    // The index has no item, so only a missing or undecodable index picture needs the page back.
    TScopeExit goBack([this, page] { CurrentPage = page; });
    if (LoadImage("spis") != TShowResult::ScreenMissing) goBack.Dismiss();
}

void TNavigator::spis_Click(int32_t tag) {
    // Leaving an item by a chapter saves it in the editor as the other ways out do.
    if (FEditorMode) AutoSave();
    const int32_t page = CurrentPage;
    const int32_t item = CurrentItem;
    CurrentPage = tag;
    CurrentItem = 1;
    {
        // A page picture that is missing or cannot be decoded leaves the numbers of what is shown.
        TScopeExit goBack([this, page, item] {
            CurrentPage = page;
            CurrentItem = item;
        });
        if (!ShowStage(std::to_string(tag))) return;
        goBack.Dismiss();
    }
    ShowItemOrGoBack(page, item);
}

void TNavigator::SubNextBtnClick() {
    AutoSave();
    const int32_t item = CurrentItem;
    const int64_t next = static_cast<int64_t>(CurrentItem) + 1;
    CurrentItem = ItemCount() < next ? 1 : static_cast<int32_t>(next);
    ShowItemOrGoBack(CurrentPage, item);
}

void TNavigator::SubPrevBtnClick() {
    AutoSave();
    const int32_t item = CurrentItem;
    const int64_t previous = static_cast<int64_t>(CurrentItem) - 1;
    CurrentItem = previous <= 0 ? ItemCount() : static_cast<int32_t>(previous);
    ShowItemOrGoBack(CurrentPage, item);
}

TNavigator::TShowResult TNavigator::ShowPlace(int32_t page, int32_t item) {
    AutoSave();
    // Both pictures are looked for first, so that a place that cannot be shown leaves the stage alone
    // rather than showing a page without the item asked for.
    if (!FView.FileExists(GetFile(std::to_string(page)))) return TShowResult::ScreenMissing;
    if (!FView.FileExists(ItemPicturePath(DataDir, page, item))) return TShowResult::ItemMissing;
    const int32_t shownPage = CurrentPage;
    const int32_t shownItem = CurrentItem;
    if (page != CurrentPage) {
        CurrentPage = page;
        CurrentItem = item;
        TScopeExit goBack([this, shownPage, shownItem] {
            CurrentPage = shownPage;
            CurrentItem = shownItem;
        });
        if (!ShowStage(std::to_string(page))) return TShowResult::ScreenMissing;
        goBack.Dismiss();
    }
    CurrentItem = item;
    ShowItemOrGoBack(shownPage, shownItem);
    return CurrentPage == page && CurrentItem == item ? TShowResult::Shown : TShowResult::ItemMissing;
}

void TNavigator::CloseBtnClick() {
    AutoSave();
    FView.CloseMainWindow();
}

}  // namespace velmora

#pragma once
// Decides what the stage shows: the menu, the index or a page with one of its items. It holds the
// current page and item, names the pictures to show, sets which controls are visible on each kind of
// screen, writes the item counter, shows the busy cursor while pictures load, and has the hotspots of
// an item removed, loaded and (in the editor, when an item is left) saved. Widgets are reached only
// through TViewServices.
//
// Screens are named "menu", "spis" (the index) or by a page number; page 0 stands for menu and index.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/view_services.h"
#include "text/mem_ini_file.h"

namespace velmora {

class TNavigator {
public:
    // What showing a screen came to.
    enum class TShowResult { Shown, ScreenMissing, ItemMissing };

    // view must outlive the navigator; it may be the object that derives from the navigator.
    // An empty dataDir means AppDir + "dane/".
    TNavigator(TViewServices& view, std::string appDir, bool editorMode, std::string dataDir = {});
    virtual ~TNavigator() = default;
    TNavigator(const TNavigator&) = delete;
    TNavigator& operator=(const TNavigator&) = delete;

    int32_t CurrentPage = 0;
    int32_t CurrentItem = 0;
    // The page list "dane/info.ini"; no store reads as an empty one.
    std::unique_ptr<TMemIniFile> InfoIni;
    // The executable's directory with its trailing "/".
    std::string AppDir;
    // The catalogue's files, with the trailing "/"; every path of the data set starts with it.
    std::string DataDir;

    bool EditorMode() const { return FEditorMode; }
    // Opens InfoIni on the page list under DataDir.
    void OpenInfoIni();
    // The item count of the current page.
    int32_t ItemCount() const;

    // Path of a screen's stage picture.
    std::string GetFile(std::string_view name) const;
    // Shows a screen; nothing at all changes when its picture is missing or cannot be decoded (the
    // decoding error then goes on to the caller).
    TShowResult LoadImage(std::string_view name);
    // Shows CurrentItem of CurrentPage with number in the counter; false when its picture is missing,
    // in which case only the hotspots have been removed. A picture that cannot be decoded raises after
    // the hotspots have been removed; picture and counter then stay as they were.
    bool LoadSubImage(int32_t number);

    void SpisBtnClick();
    void spis_Click(int32_t tag);
    void SubNextBtnClick();
    void SubPrevBtnClick();
    void CloseBtnClick();
    // Goes straight to an item of a page, as the links go: the item left is saved in the editor, and
    // when the page's or the item's picture is missing, or cannot be decoded, what is shown stays.
    TShowResult ShowPlace(int32_t page, int32_t item);

private:
    // The stage part of LoadImage: false when the picture is missing; raises, with nothing changed,
    // when it cannot be decoded.
    bool ShowStage(std::string_view name);
    struct TPlace {
        int32_t Page;
        int32_t Item;
    };
    // LoadSubImage; when the picture cannot be decoded and goBackTo is given, page and item go back
    // there and its hotspots are loaded again before the error goes on.
    bool ShowItem(int32_t number, const TPlace* goBackTo);
    // Shows CurrentItem; when its picture is missing or cannot be decoded, page and item go back to
    // the item still shown, whose hotspots are loaded again, and a decoding error goes on.
    void ShowItemOrGoBack(int32_t page, int32_t item);
    void AutoSave();
    void LoadHotspots();
    // Puts the page and item back after the chosen picture turned out missing, so that what is saved
    // later lands under the item that is still shown, whose stored hotspots come back with it.
    void RestoreAfterMissingItem(int32_t page, int32_t item);

    TViewServices& FView;
    bool FEditorMode;
};

}  // namespace velmora

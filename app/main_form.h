#pragma once
// TMainForm: the whole visible program. A borderless window that stays on top and fills the screen,
// with the 1024 x 768 stage MainPanel centred in it. The stage picture lies in MainImage; the link
// areas over it are transparent labels, the item of a page scrolls in sub_image, the introduction
// sits in opis. What the links do is the navigator's (TNavigator); the form supplies the navigator's
// view services from its widgets.
//
// Controls are children of the Qt widget tree, created in a fixed order, so a later sibling lies
// above an earlier one: every link label lies above the web area ImageWww it overlaps.
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QSize>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

#include "app/window_keys.h"
#include "app/navigator.h"
#include "app/undo_history.h"
#include "app/view_services.h"
#include "app/window_keys.h"
#include "core/input.h"
#include "display/custom_image32.h"
#include "display/custom_img_view32.h"
#include "layers/rubberband_layer.h"
#include "raster/picture_fetch.h"
#include "text/string_list.h"
#include "toolkit/link_label.h"
#include "toolkit/rich_text_view.h"

namespace velmora {

class TCustomLayer;
class TFrameLayer;
class TSearchPanel;
class TWarstwaItem;
struct TSearchResult;
struct TStageRow;

// The program's title, which is also the main window's caption and the title of its error boxes.
inline constexpr char ProgramTitle[] = "Velmora - Holvenor";

// How the window is set up; the defaults are the real program's.
struct TMainFormOptions {
    // Directory holding "dane/", with its trailing "/"; empty means the executable's directory.
    std::string AppDir;
    // The catalogue's directory, with its trailing "/"; empty means AppDir + "dane/".
    std::string DataDir;
    // The hotspot editor: the first command-line argument was exactly "DEBUG".
    bool EditorMode = false;
    // The size of the primary screen; empty means ask the platform.
    QSize ScreenSize;
    // The menu picture, fetched ahead by the caller; the first LoadImage takes it if it is the file
    // that the menu shows. The fetch must outlive the constructor.
    TPictureFetch* MenuPicture = nullptr;
};

// Editor mode from the command line: the first argument after the program name, byte-exact.
bool IsEditorModeArgument(int argc, char** argv);

// The mark beside the counter while the editor holds changes not yet written ("2 / 4 •").
inline constexpr char UnsavedMark[] = " \x95";  // a bullet in Windows-1250

class TMainForm : public QWidget, public TViewServices, public TNavigator {
public:
    explicit TMainForm(const TMainFormOptions& options = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    static constexpr int StageWidth = 1024;
    static constexpr int StageHeight = 768;

    // Sizes the window to the primary screen, then maximises it; without a window manager the
    // maximise alone would leave the window at its old size.
    void ShowMaximised();

    // --- controls, in creation order -------------------------------------------------------------
    QWidget* AppPanel = nullptr;
    QWidget* MainPanel = nullptr;
    TImage32* MainImage = nullptr;
    TLinkLabel* ImageWww = nullptr;
    TLinkLabel* CloseBtn = nullptr;
    TLinkLabel* cxLabel1 = nullptr;
    TLinkLabel* cxLabel10 = nullptr;
    TLinkLabel* cxLabel2 = nullptr;
    TLinkLabel* cxLabel3 = nullptr;
    TLinkLabel* cxLabel4 = nullptr;
    TLinkLabel* cxLabel5 = nullptr;
    TLinkLabel* cxLabel6 = nullptr;
    TLinkLabel* cxLabel7 = nullptr;
    TLinkLabel* cxLabel8 = nullptr;
    TLinkLabel* cxLabel9 = nullptr;
    TTransparentLabel* InfoLabel = nullptr;
    QPushButton* L_Add = nullptr;
    QPushButton* L_Delete = nullptr;
    QPushButton* L_Load = nullptr;
    QPushButton* L_Save = nullptr;
    TLinkLabel* s1 = nullptr;
    TLinkLabel* spis_[11] = {};  // spis_[1] .. spis_[10]; index 0 unused
    TLinkLabel* SubNextBtn = nullptr;
    TLinkLabel* SubPrevBtn = nullptr;
    TRichTextView* opis = nullptr;
    TImgView32* sub_image = nullptr;
    QLineEdit* _opis = nullptr;
    QPushButton* PreviewBtn = nullptr;

    // The control of that name ("MainImage", "spis_7", ...), or null.
    QWidget* FindControl(std::string_view name) const;

    // --- fields ------------------------------------------------------------------------------------
    TCustomLayer* SelectedLayer = nullptr;
    std::unique_ptr<TStringList> SignList;

    // --- event handlers ----------------------------------------------------------------------------
    void FormCreate();
    void FormDestroy();
    void ImageWwwClick();
    void spis_MouseEnter(TLinkLabel* sender);
    void spis_MouseLeave(TLinkLabel* sender);
    void BtnMouseEnter(TLinkLabel* sender);
    void BtnMouseLeave(TLinkLabel* sender);

    // Hotspots and their editor.
    void SelectLayer(TCustomLayer* layer);
    void L_AddClick(QObject* sender);
    void L_DeleteClick(QObject* sender);
    void L_LoadClick(QObject* sender);
    void L_SaveClick(QObject* sender);
    void _opisPropertiesChange();
    void PreviewBtnClick();
    void sub_imageMouseDown(TCustomImage32* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y,
                            TCustomLayer* layer);
    void sub_imageMouseMove(TCustomImage32* sender, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer);
    // Ends the record of a drag of the editor once the hotspot lets go.
    void sub_imageMouseUp(TCustomImage32* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y,
                          TCustomLayer* layer);
    // OnReshaping of every hotspot: cancels each step in viewing mode, moves the edit box along in the
    // editor.
    void LayerResizing(TRubberbandLayer* sender, const TSingleRect& oldExtent, TSingleRect& newExtent,
                       TGripKind grip, TShiftState shift);

    // The sign preview of a description (Windows-1250); nothing when its picture is missing. Returns
    // how the preview was closed (TImageForm's results), 0 when none was shown.
    int ShowZnak(const std::string& d);
    // The caption of a description from SignList; empty when none matches.
    std::string GetOpis(const std::string& d) const;

    // --- view services of the navigator ------------------------------------------------------------
    bool FileExists(const std::string& path) override;
    void LoadStagePicture(const std::string& path) override;
    void LoadItemPicture(const std::string& path) override;
    void PrefetchItemPicture(const std::string& path) override;
    void SetControlVisible(std::string_view name, bool visible) override;
    void SetCounterText(const std::string& text) override;
    void SetBusyCursor(bool busy) override;
    void ClearLayers() override;
    void LoadZnaki() override;
    void L_LoadClick() override;
    void L_SaveClick() override;
    void CloseMainWindow() override;

    // --- editor additions: keys, undo and redo, zoom ----------------------------------------------
    // What a key of EditorKeyAction asked for.
    void RunKeyAction(const TEditorKeyAction& action);
    // One step of the item's history back or forth; the selection and the edit box follow.
    void EditorUndo();
    void EditorRedo();
    const TUndoHistory& UndoHistory() const { return FUndo; }
    // The item view at scale, keeping the bitmap point at the viewport's centre.
    void ZoomItemView(float scale);

    // --- the reader's additions: keys, keyboard focus on hotspots, captions, outlines --------------
    // The kind of screen on the stage.
    TScreenKind ShownScreen() const;
    // What a key of ReaderKeyAction asked for; the link keys click their link's own handler.
    void RunReaderKey(const TReaderKeyAction& action);
    // The hotspot the keyboard focus frame is on; -1 when it shows nowhere.
    int32_t FocusedHotspot() const { return FFocusFrame != nullptr ? FFocusIndex : -1; }
    bool HotspotFocused() const { return FocusedHotspot() >= 0; }
    // Puts the focus frame on a hotspot (scrolled into view), or removes it for -1.
    void FocusHotspot(int32_t index);
    // The previews of the item's hotspots from index on, as long as the reader flips through them
    // with Left and Right.
    void ShowHotspotPreview(int32_t index);
    // The next hotspot with a sign picture after (direction 1) or before (-1) index, round the end;
    // -1 when none has one.
    int32_t NextHotspotWithSign(int32_t index, int32_t direction);
    // A thin frame round every hotspot of the item while shown (Ctrl held), in viewing mode.
    void ShowHotspotOutlines(bool shown);
    bool HotspotOutlinesShown() const { return !FOutlines.empty(); }
    // The caption of the topmost hotspot with a sign picture at a point of the item view, with that
    // hotspot's rectangle on the view; empty text when there is none.
    QString HotspotCaptionAt(int32_t x, int32_t y, QRect* area = nullptr);

    // --- search across the catalogue (Ctrl+F, "/") ------------------------------------------------
    // The search panel over the stage, made and its index built the first time.
    void OpenSearch();
    // Hides it and gives the focus back to where it was.
    void CloseSearch();
    TSearchPanel* SearchPanel() const { return FSearch; }
    bool SearchHasFocus() const;
    // Shows a result's item through the navigator as the links do, scrolls its hotspot into view and
    // flashes its outline; false when the item or the hotspot could not be shown.
    bool ShowSearchResult(const TSearchResult& result);
    // The flashing outline while it lasts, a frame layer over the hotspots.
    TFrameLayer* SearchFlash() const { return FSearchFlash; }
    static constexpr int SearchFlashSteps = 6;  // shown and hidden three times
    static constexpr int SearchFlashStepMs = 200;

    // The size FormCreate centred the stage on.
    QSize ScreenSize() const;

    // True when the author has changed the hotspots of the item shown since they were loaded or
    // saved; only then does leaving the item save them.
    bool HotspotsEdited() const { return FHotspotsEdited; }
    // Descriptions longer than this are shown shortened and read-only: no sign picture has such a
    // name, and a line edit of that length would keep the window busy.
    static constexpr size_t LongestEditedDescription = 4096;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Closing by the window manager (or Alt+F4) saves as the close link does; a save that fails keeps
    // the window open, with its error reported.
    void closeEvent(QCloseEvent* event) override;
    // The item view's tooltips: the caption of the hotspot under the pointer.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void AddStageLink(const TStageRow& row);
    void AddCounterAndEditorButtons();
    void Register(QWidget* control, const char* name);
    // A hotspot on top of the item view, set up for viewing or editing.
    TWarstwaItem* NewHotspot(const TSingleRect& rect, TColor32 gripFill, const std::string& opis);
    // Puts the edit box and its button directly under a hotspot's extent.
    void PlaceDescriptionEditor(const TSingleRect& extent);
    // Shows a description in the edit box; one too long to edit is shortened and read-only.
    void ShowDescription(const std::string& opis);
    // The edited state and the mark beside the counter that shows it.
    void SetHotspotsEdited(bool edited);
    void RefreshCounter();
    // Index of a hotspot in the item view's collection; -1 for none.
    int32_t HotspotIndex(const TCustomLayer* layer) const;
    int32_t SelectionIndex() const { return HotspotIndex(SelectedLayer); }
    void SelectIndex(int32_t index);
    void RecordStep(TUndoStep step, int64_t mergeWindowMs = 0);
    void FinishDrag();
    // Keys: a move or resize of the selection through the reshaping path, Tab's selection, Ctrl+D.
    void KeyReshape(const TEditorKeyAction& action);
    void SelectByKey(int32_t direction);
    void DuplicateSelected();
    // Runs one step of setting up the window; its error is reported and the next step still runs.
    template <class Step>
    void RunCreateStep(Step&& step);

    QSize FScreenSize;
    std::map<std::string, QWidget*, std::less<>> FControls;
    // Pictures decoded ahead of being shown: the menu's while the window is built (only during the
    // constructor), a page's first item while the page's own picture decodes.
    TPictureFetch* FMenuPicture = nullptr;
    TPictureFetch FItemFetch;
    // Pictures decode here first and are handed to the stage or the item view only once they have
    // decoded, so a picture that fails leaves the one shown as it was.
    TBitmap32 FStagePicture;
    TBitmap32 FItemPicture;
    bool FHotspotsEdited = false;
    std::string FCounterText = "1 / 1";
    TUndoHistory FUndo;
    // The hotspot a press began to drag, where it was, and the selection before the press.
    struct TDragStart {
        TWarstwaItem* Hotspot = nullptr;
        int32_t Index = -1;
        TSingleRect Extent;
        int32_t SelectionBefore = -1;
    };
    TDragStart FDrag;
    class THotspotLayers;
    // The reader's keyboard focus and the Ctrl outlines: layers of the item view above its hotspots,
    // never hotspots themselves, so no save or hit test sees them.
    // The one key filter of the window; it goes first when the window does.
    TWindowKeys* FKeys = nullptr;
    TFrameLayer* FFocusFrame = nullptr;
    int32_t FFocusIndex = -1;
    std::vector<TFrameLayer*> FOutlines;
    void RemoveReaderFrames();
    // Scrolls the item view so that a frame over extent shows whole, centred when it did not.
    void ScrollIntoView(TPositionedLayer& frame, const TSingleRect& extent);

    TSearchPanel* FSearch = nullptr;
    QPointer<QWidget> FFocusBeforeSearch;
    // The flash of a found hotspot. It ends before the editor adds layers, so that it never lies
    // between hotspots whose positions the undo history keeps.
    TFrameLayer* FSearchFlash = nullptr;
    QTimer* FFlashTimer = nullptr;
    int FFlashStep = 0;
    void FlashHotspot(int32_t index);
    void EndSearchFlash();
};

}  // namespace velmora

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
#include <QPushButton>
#include <QSize>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/navigator.h"
#include "app/view_services.h"
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
class TWarstwaItem;
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
    // OnReshaping of every hotspot: cancels each step in viewing mode, moves the edit box along in the
    // editor.
    void LayerResizing(TRubberbandLayer* sender, const TSingleRect& oldExtent, TSingleRect& newExtent,
                       TGripKind grip, TShiftState shift);

    // The sign preview of a description (Windows-1250); nothing when its picture is missing.
    void ShowZnak(const std::string& d);
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
};

}  // namespace velmora

#include "app/main_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <exception>

#include "app/data_set.h"
#include "raster/color32.h"
#include "text/file_access.h"
#include "toolkit/application.h"
#include "toolkit/files.h"
#include "toolkit/screen_cursor.h"
#include "toolkit/shell.h"

namespace velmora {

namespace {

// Hover frames: dark blue-grey for the chapter, index and close links, light grey for the item links.
constexpr TColor LinkFrameColor = 9200720;
constexpr TColor ItemLinkFrameColor = 14473945;
}  // namespace

bool IsEditorModeArgument(int argc, char** argv) {
    return argc > 1 && argv[1] != nullptr && std::string_view(argv[1]) == "DEBUG";
}

TMainForm::TMainForm(const TMainFormOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      TNavigator(static_cast<TViewServices&>(*this), options.AppDir, options.EditorMode, options.DataDir),
      FScreenSize(options.ScreenSize) {
    setWindowTitle(QString::fromLatin1(ProgramTitle));
    FMenuPicture = options.MenuPicture;
    CreateControls();
    FormCreate();
    if (FMenuPicture != nullptr) FMenuPicture->Cancel();
    FMenuPicture = nullptr;
}

TMainForm::~TMainForm() {
    // Events of the teardown must not reach filters that call into a form half destroyed.
    delete FKeys;
    FKeys = nullptr;
    if (sub_image != nullptr) sub_image->removeEventFilter(this);
    FormDestroy();
    // The controls go while the form is still whole: their last events may call back into it.
    delete AppPanel;
    AppPanel = nullptr;
}

void TMainForm::Register(QWidget* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    FControls.emplace(name, control);
}

QWidget* TMainForm::FindControl(std::string_view name) const {
    const auto it = FControls.find(name);
    return it == FControls.end() ? nullptr : it->second;
}

QSize TMainForm::ScreenSize() const {
    if (FScreenSize.isValid()) return FScreenSize;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(StageWidth, StageHeight);
}

void TMainForm::ShowMaximised() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    showMaximized();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The close link has saved already and finds nothing left to write.
    if (EditorMode() && CurrentPage > 0) {
        try {
            L_SaveClick(nullptr);
        } catch (const std::exception& e) {
            event->ignore();
            if (TApplication* app = TApplication::Instance()) app->ShowException(e.what());
            return;
        }
    }
    QWidget::closeEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (AppPanel != nullptr) AppPanel->setGeometry(rect());
}

template <class Step>
void TMainForm::RunCreateStep(Step&& step) {
    // An error while the window sets itself up is reported like any handler's, and the window lives on
    // with what it has.
    try {
        step();
    } catch (const std::exception& e) {
        TApplication* app = TApplication::Instance();
        if (app == nullptr) throw;
        app->ShowException(e.what());
    }
}

void TMainForm::FormCreate() {
    MainPanel->resize(StageWidth, StageHeight);
    MainImage->SetBounds(0, 0, StageWidth, StageHeight);
    // Integer division truncates toward zero, so a stage larger than the screen overhangs both edges
    // by the same amount.
    const QSize screen = ScreenSize();
    const int top = (screen.height() - MainPanel->height()) / 2;
    const int left = (screen.width() - MainPanel->width()) / 2;
    MainPanel->move(left, top);

    for (QPushButton* button : {L_Add, L_Delete, L_Save, L_Load}) button->setVisible(EditorMode());
    SelectLayer(nullptr);
    CurrentPage = 0;
    CurrentItem = 0;
    if (AppDir.empty()) AppDir = ExecutableDir();
    if (DataDir.empty()) DataDir = DataDirOf(AppDir);
    // Each file reports its own failure; the ones after it are still read.
    RunCreateStep([this] { OpenInfoIni(); });
    SignList = std::make_unique<TStringList>();
    RunCreateStep([this] {
        if (FileExists(SignListPath(DataDir))) SignList->LoadLines(SignListPath(DataDir));
    });
    RunCreateStep([this] {
        // Read here rather than by the view, so that a file that cannot be read says why.
        if (FileExists(IntroTextPath(DataDir))) opis->LoadFromRtf(ReadWholeFile(IntroTextPath(DataDir)));
    });
    RunCreateStep([this] { LoadImage("menu"); });
}

void TMainForm::FormDestroy() {
    InfoIni.reset();
    ClearLayers();
    SignList.reset();
}

void TMainForm::ImageWwwClick() { ShellOpen(QString::fromLatin1(PublisherUrl)); }

void TMainForm::spis_MouseEnter(TLinkLabel* sender) {
    sender->SetBorderColor(LinkFrameColor);
    sender->SetBorderStyle(TBorderStyle::bsSingle);
}

void TMainForm::spis_MouseLeave(TLinkLabel* sender) { sender->SetBorderStyle(TBorderStyle::bsNone); }

void TMainForm::BtnMouseEnter(TLinkLabel* sender) {
    sender->SetBorderColor(sender->Tag == 1 ? LinkFrameColor : ItemLinkFrameColor);
    sender->SetBorderStyle(TBorderStyle::bsSingle);
}

void TMainForm::BtnMouseLeave(TLinkLabel* sender) { sender->SetBorderStyle(TBorderStyle::bsNone); }

// --- view services ---------------------------------------------------------------------------------

bool TMainForm::FileExists(const std::string& path) { return ::velmora::FileExists(path); }

namespace {

// Decodes into spare and only then hands the pixels to target, which keeps its picture on failure.
void LoadPictureWhole(const std::string& path, TBitmap32& spare, TBitmap32& target) {
    spare.LoadPictureFile(path);
    target.TakePixelsFrom(spare);
}

}  // namespace

void TMainForm::LoadStagePicture(const std::string& path) {
    try {
        if (FMenuPicture == nullptr || !FMenuPicture->TakeInto(path, MainImage->Bitmap()))
            LoadPictureWhole(path, FStagePicture, MainImage->Bitmap());
    } catch (...) {
        // The page will not go on to its item, so a picture fetched for it is not wanted.
        FItemFetch.Cancel();
        throw;
    }
}

void TMainForm::LoadItemPicture(const std::string& path) {
    if (!FItemFetch.TakeInto(path, sub_image->Bitmap())) LoadPictureWhole(path, FItemPicture, sub_image->Bitmap());
    // A new item starts at 1 : 1; one that failed to decode keeps the zoom of the item still shown.
    if (sub_image->Scale() != 1.0f) sub_image->ZoomAt(1.0f, 0, 0);
}

void TMainForm::PrefetchItemPicture(const std::string& path) {
    // A missing item is never taken, so it is not worth a decode.
    if (FileExists(path)) FItemFetch.Start(path);
}

void TMainForm::SetControlVisible(std::string_view name, bool visible) {
    if (QWidget* control = FindControl(name)) control->setVisible(visible);
}

void TMainForm::SetCounterText(const std::string& text) {
    FCounterText = text;
    RefreshCounter();
}

void TMainForm::SetBusyCursor(bool busy) { Screen().SetCursor(busy ? crHourGlass : crDefault); }

void TMainForm::L_LoadClick() { L_LoadClick(nullptr); }

void TMainForm::L_SaveClick() { L_SaveClick(nullptr); }

void TMainForm::CloseMainWindow() { close(); }

}  // namespace velmora

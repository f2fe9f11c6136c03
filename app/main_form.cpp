#include "app/main_form.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QResizeEvent>
#include <QScreen>
#include <exception>

#include "app/data_set.h"
#include "raster/blend.h"
#include "raster/color32.h"
#include "text/file_access.h"
#include "toolkit/application.h"
#include "toolkit/files.h"
#include "toolkit/screen_cursor.h"
#include "toolkit/shell.h"

namespace velmora {

namespace {

constexpr char FormCaption[] = "Velmora - Holvenor";
constexpr int StageWidth = 1024;
constexpr int StageHeight = 768;

// Hover frames: dark blue-grey for the chapter, index and close links, light grey for the item links.
constexpr TColor LinkFrameColor = 9200720;
constexpr TColor ItemLinkFrameColor = 14473945;
// Item view and its scroll bars.
constexpr TColor ViewColor = 14473945;
constexpr TColor ViewHandleColor = 9134928;
// Background of the description edit box.
constexpr TColor EditColor = 15461097;
constexpr TColor White = 0x00FFFFFF;
constexpr TColor Black = 0;

QColor ToQColor(TColor color) { return QColor::fromRgb(WinColorToColor32(color) | 0xFF000000u); }

void SetBackground(QWidget* widget, TColor color, QPalette::ColorRole role = QPalette::Window) {
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(color));
    widget->setPalette(palette);
    if (role == QPalette::Window) widget->setAutoFillBackground(true);
}

// Gives a control the height of its size hint when it is first shown, then leaves it alone.
class TNaturalHeightOnShow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* control = static_cast<QWidget*>(watched);
            control->resize(control->width(), control->sizeHint().height());
            control->removeEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool IsEditorModeArgument(int argc, char** argv) {
    return argc > 1 && argv[1] != nullptr && std::string_view(argv[1]) == "DEBUG";
}

TMainForm::TMainForm(const TMainFormOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      TNavigator(static_cast<TViewServices&>(*this), options.AppDir, options.EditorMode),
      FScreenSize(options.ScreenSize) {
    setWindowTitle(QString::fromLatin1(FormCaption));
    SetBackground(this, clBtnFace);
    QFont face(QStringLiteral("Tahoma"));
    face.setPixelSize(11);
    setFont(face);
    FMenuPicture = options.MenuPicture;
    CreateControls();
    FormCreate();
    if (FMenuPicture != nullptr) FMenuPicture->Cancel();
    FMenuPicture = nullptr;
}

TMainForm::~TMainForm() {
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

TLinkLabel* TMainForm::AddLink(const char* name, int left, int top, int width, int height, int tag) {
    auto* link = new TLinkLabel(MainImage);
    Register(link, name);
    link->setGeometry(left, top, width, height);
    link->Tag = tag;
    link->SetCursor(crHandPoint);
    return link;
}

TLinkLabel* TMainForm::AddChapterLink(const char* name, int left, int top, int width, int height, int tag) {
    TLinkLabel* link = AddLink(name, left, top, width, height, tag);
    link->OnClick = [this](TLinkLabel* sender) { spis_Click(sender->Tag); };
    link->OnMouseEnter = [this](TLinkLabel* sender) { spis_MouseEnter(sender); };
    link->OnMouseLeave = [this](TLinkLabel* sender) { spis_MouseLeave(sender); };
    return link;
}

TLinkLabel* TMainForm::AddButtonLink(const char* name, int left, int top, int width, int height, int tag) {
    TLinkLabel* link = AddLink(name, left, top, width, height, tag);
    link->OnMouseEnter = [this](TLinkLabel* sender) { BtnMouseEnter(sender); };
    link->OnMouseLeave = [this](TLinkLabel* sender) { BtnMouseLeave(sender); };
    return link;
}

QPushButton* TMainForm::AddEditorButton(const char* name, const char* captionUtf8, int top) {
    auto* button = new QPushButton(QString::fromUtf8(captionUtf8), MainImage);
    Register(button, name);
    button->setGeometry(8, top, 89, 25);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void TMainForm::CreateControls() {
    AppPanel = new QWidget(this);
    Register(AppPanel, "AppPanel");
    AppPanel->setGeometry(rect());
    SetBackground(AppPanel, Black);

    MainPanel = new QWidget(AppPanel);
    Register(MainPanel, "MainPanel");
    MainPanel->setGeometry(0, 0, StageWidth, StageHeight);
    SetBackground(MainPanel, clBtnFace);

    MainImage = new TImage32(MainPanel);
    Register(MainImage, "MainImage");
    MainImage->SetBounds(0, 0, StageWidth, StageHeight);
    {
        TBitmap32& bitmap = MainImage->Bitmap();
        bitmap.SetDrawMode(TDrawMode::dmCustom);
        bitmap.SetCombineMode(TCombineMode::cmMerge);
        bitmap.SetOuterColor(0x7FFFFFFFu);
        bitmap.SetResamplerClassName("TDraftResampler");
    }
    MainImage->SetBitmapAlign(TBitmapAlign::baTopLeft);
    MainImage->SetScaleMode(TScaleMode::smNormal);
    MainImage->SetScale(1.0f);
    MainImage->SetColor(Black);

    ImageWww = AddLink("ImageWww", 0, 593, 241, 89, 0);
    ImageWww->OnClick = [this](TLinkLabel*) { ImageWwwClick(); };

    CloseBtn = AddButtonLink("CloseBtn", 0, 597, 243, 65, 1);
    CloseBtn->OnClick = [this](TLinkLabel*) { CloseBtnClick(); };
    cxLabel1 = AddChapterLink("cxLabel1", 0, 176, 243, 31, 1);
    cxLabel10 = AddButtonLink("cxLabel10", 0, 100, 243, 65, 1);
    cxLabel10->OnClick = [this](TLinkLabel*) { SpisBtnClick(); };
    cxLabel2 = AddChapterLink("cxLabel2", 0, 248, 243, 49, 3);
    cxLabel3 = AddChapterLink("cxLabel3", 0, 307, 243, 48, 4);
    cxLabel4 = AddChapterLink("cxLabel4", 0, 360, 243, 31, 5);
    cxLabel5 = AddChapterLink("cxLabel5", 0, 400, 243, 49, 6);
    cxLabel6 = AddChapterLink("cxLabel6", 0, 456, 243, 31, 7);
    cxLabel7 = AddChapterLink("cxLabel7", 0, 488, 243, 31, 8);
    cxLabel8 = AddChapterLink("cxLabel8", 0, 528, 243, 31, 9);
    cxLabel9 = AddChapterLink("cxLabel9", 0, 560, 243, 31, 10);

    InfoLabel = new TTransparentLabel(MainImage);
    Register(InfoLabel, "InfoLabel");
    InfoLabel->setGeometry(506, 729, 249, 37);
    InfoLabel->SetCaption("1 / 1");
    InfoLabel->setAlignment(Qt::AlignCenter);
    InfoLabel->SetFontSpec(QStringLiteral("Verdana"), 19, false);
    InfoLabel->SetTextColor(White);

    L_Add = AddEditorButton("L_Add", "Dodaj warstwę", 8);
    QObject::connect(L_Add, &QPushButton::clicked, this, [this] { L_AddClick(L_Add); });
    L_Delete = AddEditorButton("L_Delete", "Usuń warstwę", 40);
    QObject::connect(L_Delete, &QPushButton::clicked, this, [this] { L_DeleteClick(L_Delete); });
    L_Load = AddEditorButton("L_Load", "Wczytaj", 104);
    QObject::connect(L_Load, &QPushButton::clicked, this, [this] { L_LoadClick(L_Load); });
    L_Save = AddEditorButton("L_Save", "Zapisz", 72);
    QObject::connect(L_Save, &QPushButton::clicked, this, [this] { L_SaveClick(L_Save); });

    s1 = AddChapterLink("s1", 0, 211, 243, 31, 2);
    // The index entries come in the order 1, 10, 2 .. 9.
    static const char* const spisNames[11] = {nullptr,    "spis_1", "spis_2", "spis_3", "spis_4", "spis_5",
                                              "spis_6",   "spis_7", "spis_8", "spis_9", "spis_10"};
    for (const int n : {1, 10, 2, 3, 4, 5, 6, 7, 8, 9}) {
        const int top = n == 10 ? 598 : 166 + 48 * (n - 1);
        spis_[n] = AddChapterLink(spisNames[n], 274, top, 463, 51, n);
    }
    SubNextBtn = AddButtonLink("SubNextBtn", 775, 729, 249, 37, 2);
    SubNextBtn->OnClick = [this](TLinkLabel*) { SubNextBtnClick(); };
    SubPrevBtn = AddButtonLink("SubPrevBtn", 244, 729, 249, 37, 2);
    SubPrevBtn->OnClick = [this](TLinkLabel*) { SubPrevBtnClick(); };

    opis = new TRichTextView(MainPanel);
    Register(opis, "opis");
    opis->setGeometry(272, 105, 730, 625);

    sub_image = new TImgView32(MainPanel);
    Register(sub_image, "sub_image");
    sub_image->SetBounds(244, 78, 780, 651);
    sub_image->Bitmap().SetResamplerClassName("TNearestResampler");
    sub_image->SetBitmapAlign(TBitmapAlign::baCustom);
    sub_image->SetScaleMode(TScaleMode::smNormal);
    sub_image->SetScale(1.0f);
    sub_image->SetCentered(false);
    sub_image->SetOverSize(0);
    sub_image->SetSizeGrip(TSizeGripStyle::sgNone);
    TIVScrollProperties& bars = sub_image->ScrollBars();
    bars.SetStyle(TRBStyle::rbsMac);
    bars.SetSize(25);
    bars.SetVisibility(TScrollBarVisibility::svAuto);
    bars.SetShowArrows(false);
    bars.SetShowHandleGrip(false);
    bars.SetColor(ViewColor);
    bars.SetButtonColor(ViewColor);
    bars.SetHandleColor(ViewHandleColor);
    bars.SetShadowColor(ViewHandleColor);
    bars.SetBorderColor(ViewHandleColor);
    sub_image->OnMouseDown = [this](TCustomImage32* sender, TMouseButton button, TShiftState shift, int32_t x,
                                    int32_t y, TCustomLayer* layer) {
        sub_imageMouseDown(sender, button, shift, x, y, layer);
    };
    sub_image->OnMouseMove = [this](TCustomImage32* sender, TShiftState shift, int32_t x, int32_t y,
                                    TCustomLayer* layer) { sub_imageMouseMove(sender, shift, x, y, layer); };

    _opis = new QLineEdit(MainPanel);
    Register(_opis, "_opis");
    _opis->move(8, 104);
    _opis->resize(121, _opis->height());
    // Its natural height needs the font measured, which is worth doing only once the box shows.
    _opis->installEventFilter(new TNaturalHeightOnShow(_opis));
    _opis->setFrame(true);
    SetBackground(_opis, EditColor, QPalette::Base);
    _opis->hide();
    QObject::connect(_opis, &QLineEdit::textChanged, this, [this] { _opisPropertiesChange(); });

    PreviewBtn = new QPushButton(QString::fromUtf8("Pokaż"), MainPanel);
    Register(PreviewBtn, "PreviewBtn");
    PreviewBtn->setGeometry(55, 161, 39, 20);
    PreviewBtn->hide();
    QObject::connect(PreviewBtn, &QPushButton::clicked, this, [this] { PreviewBtnClick(); });
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
    // Each file reports its own failure; the ones after it are still read.
    RunCreateStep([this] { OpenInfoIni(); });
    SignList = std::make_unique<TStringList>();
    RunCreateStep([this] {
        if (FileExists(SignListPath(AppDir))) SignList->LoadLines(SignListPath(AppDir));
    });
    RunCreateStep([this] {
        // Read here rather than by the view, so that a file that cannot be read says why.
        if (FileExists(IntroTextPath(AppDir))) opis->LoadFromRtf(ReadWholeFile(IntroTextPath(AppDir)));
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
}

void TMainForm::PrefetchItemPicture(const std::string& path) {
    // A missing item is never taken, so it is not worth a decode.
    if (FileExists(path)) FItemFetch.Start(path);
}

void TMainForm::SetControlVisible(std::string_view name, bool visible) {
    if (QWidget* control = FindControl(name)) control->setVisible(visible);
}

void TMainForm::SetCounterText(const std::string& text) { InfoLabel->SetCaption(text); }

void TMainForm::SetBusyCursor(bool busy) { Screen().SetCursor(busy ? crHourGlass : crDefault); }

void TMainForm::L_LoadClick() { L_LoadClick(nullptr); }

void TMainForm::L_SaveClick() { L_SaveClick(nullptr); }

void TMainForm::CloseMainWindow() { close(); }

}  // namespace velmora

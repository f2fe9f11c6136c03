// The controls of the main window, made in their creation order: a later sibling lies above an
// earlier one, so every link label lies above the web area it overlaps. The controls on the stage
// picture come from a table of name, rectangle, tag and kind.
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QPalette>

#include <array>

#include "app/main_form.h"
#include "display/catalogue_scroll_bars.h"
#include "raster/color32.h"
#include "toolkit/screen_cursor.h"
#include "toolkit/system_colors.h"

namespace velmora {

// What a row of the stage table makes.
enum class TStageControl : uint8_t {
    WebArea,      // a link without hover frame that opens the web page
    ButtonLink,   // the close, index and item links: framed while the pointer is over them
    ChapterLink,  // the chapter column and the index entries: a click shows the chapter of the tag
    CounterAndEditorButtons,  // the item counter, then the four editor buttons
};

struct TStageRow {
    const char* Name;
    TStageControl Kind;
    int Left, Top, Width, Height, Tag;
    TLinkLabel* TMainForm::*Field;  // none for the index entries, kept in spis_ by their tag
    void (*Click)(TMainForm& form);  // web area and button links
};

namespace {

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

using enum TStageControl;
// The index entries come in the order 1, 10, 2 .. 9; entry n lies 48 pixels below entry n - 1.
const auto StageRows = std::to_array<TStageRow>({
    {"ImageWww", WebArea, 0, 593, 241, 89, 0, &TMainForm::ImageWww, [](TMainForm& f) { f.ImageWwwClick(); }},
    {"CloseBtn", ButtonLink, 0, 597, 243, 65, 1, &TMainForm::CloseBtn, [](TMainForm& f) { f.CloseBtnClick(); }},
    {"cxLabel1", ChapterLink, 0, 176, 243, 31, 1, &TMainForm::cxLabel1, nullptr},
    {"cxLabel10", ButtonLink, 0, 100, 243, 65, 1, &TMainForm::cxLabel10, [](TMainForm& f) { f.SpisBtnClick(); }},
    {"cxLabel2", ChapterLink, 0, 248, 243, 49, 3, &TMainForm::cxLabel2, nullptr},
    {"cxLabel3", ChapterLink, 0, 307, 243, 48, 4, &TMainForm::cxLabel3, nullptr},
    {"cxLabel4", ChapterLink, 0, 360, 243, 31, 5, &TMainForm::cxLabel4, nullptr},
    {"cxLabel5", ChapterLink, 0, 400, 243, 49, 6, &TMainForm::cxLabel5, nullptr},
    {"cxLabel6", ChapterLink, 0, 456, 243, 31, 7, &TMainForm::cxLabel6, nullptr},
    {"cxLabel7", ChapterLink, 0, 488, 243, 31, 8, &TMainForm::cxLabel7, nullptr},
    {"cxLabel8", ChapterLink, 0, 528, 243, 31, 9, &TMainForm::cxLabel8, nullptr},
    {"cxLabel9", ChapterLink, 0, 560, 243, 31, 10, &TMainForm::cxLabel9, nullptr},
    {nullptr, CounterAndEditorButtons, 0, 0, 0, 0, 0, nullptr, nullptr},
    {"s1", ChapterLink, 0, 211, 243, 31, 2, &TMainForm::s1, nullptr},
    {"spis_1", ChapterLink, 274, 166, 463, 51, 1, nullptr, nullptr},
    {"spis_10", ChapterLink, 274, 598, 463, 51, 10, nullptr, nullptr},
    {"spis_2", ChapterLink, 274, 214, 463, 51, 2, nullptr, nullptr},
    {"spis_3", ChapterLink, 274, 262, 463, 51, 3, nullptr, nullptr},
    {"spis_4", ChapterLink, 274, 310, 463, 51, 4, nullptr, nullptr},
    {"spis_5", ChapterLink, 274, 358, 463, 51, 5, nullptr, nullptr},
    {"spis_6", ChapterLink, 274, 406, 463, 51, 6, nullptr, nullptr},
    {"spis_7", ChapterLink, 274, 454, 463, 51, 7, nullptr, nullptr},
    {"spis_8", ChapterLink, 274, 502, 463, 51, 8, nullptr, nullptr},
    {"spis_9", ChapterLink, 274, 550, 463, 51, 9, nullptr, nullptr},
    {"SubNextBtn", ButtonLink, 775, 729, 249, 37, 2, &TMainForm::SubNextBtn, [](TMainForm& f) { f.SubNextBtnClick(); }},
    {"SubPrevBtn", ButtonLink, 244, 729, 249, 37, 2, &TMainForm::SubPrevBtn, [](TMainForm& f) { f.SubPrevBtnClick(); }},
});

struct TEditorButtonRow {
    const char* Name;
    const char* CaptionUtf8;
    int Top;
    QPushButton* TMainForm::*Field;
    void (TMainForm::*Click)(QObject* sender);
};

const auto EditorButtonRows = std::to_array<TEditorButtonRow>({
    {"L_Add", "Dodaj warstwę", 8, &TMainForm::L_Add, &TMainForm::L_AddClick},
    {"L_Delete", "Usuń warstwę", 40, &TMainForm::L_Delete, &TMainForm::L_DeleteClick},
    {"L_Load", "Wczytaj", 104, &TMainForm::L_Load, &TMainForm::L_LoadClick},
    {"L_Save", "Zapisz", 72, &TMainForm::L_Save, &TMainForm::L_SaveClick},
});

}  // namespace

void TMainForm::AddStageLink(const TStageRow& row) {
    auto* link = new TLinkLabel(MainImage);
    Register(link, row.Name);
    link->setGeometry(row.Left, row.Top, row.Width, row.Height);
    link->Tag = row.Tag;
    link->SetCursor(crHandPoint);
    if (row.Field != nullptr) this->*row.Field = link;
    else spis_[row.Tag] = link;
    if (row.Click != nullptr) link->OnClick = [this, click = row.Click](TLinkLabel*) { click(*this); };
    if (row.Kind == TStageControl::ChapterLink) {
        link->OnClick = [this](TLinkLabel* sender) { spis_Click(sender->Tag); };
        link->OnMouseEnter = [this](TLinkLabel* sender) { spis_MouseEnter(sender); };
        link->OnMouseLeave = [this](TLinkLabel* sender) { spis_MouseLeave(sender); };
    } else if (row.Kind == TStageControl::ButtonLink) {
        link->OnMouseEnter = [this](TLinkLabel* sender) { BtnMouseEnter(sender); };
        link->OnMouseLeave = [this](TLinkLabel* sender) { BtnMouseLeave(sender); };
    }
}

void TMainForm::AddCounterAndEditorButtons() {
    InfoLabel = new TTransparentLabel(MainImage);
    Register(InfoLabel, "InfoLabel");
    InfoLabel->setGeometry(506, 729, 249, 37);
    InfoLabel->SetCaption("1 / 1");
    InfoLabel->setAlignment(Qt::AlignCenter);
    InfoLabel->SetFontSpec(QStringLiteral("Verdana"), 19, false);
    InfoLabel->SetTextColor(White);

    for (const TEditorButtonRow& row : EditorButtonRows) {
        auto* button = new QPushButton(QString::fromUtf8(row.CaptionUtf8), MainImage);
        Register(button, row.Name);
        button->setGeometry(8, row.Top, 89, 25);
        button->setFocusPolicy(Qt::TabFocus);
        this->*row.Field = button;
        QObject::connect(button, &QPushButton::clicked, this,
                         [this, button, click = row.Click] { (this->*click)(button); });
    }
}

void TMainForm::CreateControls() {
    SetBackground(this, clBtnFace);
    QFont face(QStringLiteral("Tahoma"));
    face.setPixelSize(11);
    setFont(face);

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

    for (const TStageRow& row : StageRows) {
        if (row.Kind == TStageControl::CounterAndEditorButtons)
            AddCounterAndEditorButtons();
        else
            AddStageLink(row);
    }

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
    StyleItemViewScrollBars(sub_image->ScrollBars());
    sub_image->OnMouseDown = [this](TCustomImage32* sender, TMouseButton button, TShiftState shift, int32_t x,
                                    int32_t y, TCustomLayer* layer) {
        sub_imageMouseDown(sender, button, shift, x, y, layer);
    };
    sub_image->OnMouseMove = [this](TCustomImage32* sender, TShiftState shift, int32_t x, int32_t y,
                                    TCustomLayer* layer) { sub_imageMouseMove(sender, shift, x, y, layer); };
    sub_image->OnMouseUp = [this](TCustomImage32* sender, TMouseButton button, TShiftState shift, int32_t x,
                                  int32_t y, TCustomLayer* layer) { sub_imageMouseUp(sender, button, shift, x, y, layer); };
    // Ctrl and the wheel zoom the item in both modes; in the editor a click gives the view the keys.
    sub_image->SetWheelZooms(true);
    // The edit box follows the scale: it sits under the selected hotspot as the zoom shows it.
    sub_image->OnZoom = [this](TCustomImage32*) {
        if (auto* selected = dynamic_cast<TRubberbandLayer*>(SelectedLayer)) PlaceDescriptionEditor(selected->Extent());
    };
    if (EditorMode()) sub_image->setFocusPolicy(Qt::ClickFocus);
    // The captions of the hotspots as tooltips.
    sub_image->installEventFilter(this);

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

    // The keys reach the window before the focused control: Tab must not move the focus.
    auto* keys = FKeys = new TWindowKeys(*this);
    for (QWidget* control : {static_cast<QWidget*>(this), static_cast<QWidget*>(sub_image), static_cast<QWidget*>(_opis),
                             static_cast<QWidget*>(PreviewBtn), static_cast<QWidget*>(L_Add), static_cast<QWidget*>(L_Delete),
                             static_cast<QWidget*>(L_Load), static_cast<QWidget*>(L_Save)})
        control->installEventFilter(keys);
}

}  // namespace velmora

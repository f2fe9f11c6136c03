#include "app/image_form.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>
#include <utility>

#include "display/custom_img_view32.h"
#include "raster/color32.h"
#include "toolkit/link_label.h"
#include "toolkit/shape.h"

namespace velmora {

namespace {

constexpr TColor BandColor = 9134928;  // red 80, green 99, blue 139
constexpr TColor White = 0x00FFFFFF;
constexpr TColor Black = 0;
constexpr int BandHeight = 65;

TImageForm::TShowModalHook& ModalHook() {
    static TImageForm::TShowModalHook hook;
    return hook;
}

TShape* AddLine(QWidget* parent, int left, int top, int width, int height, TColor fill) {
    auto* shape = new TShape(parent);
    shape->setGeometry(left, top, width, height);
    shape->SetPenColor(Black);
    shape->SetBrushColor(fill);
    return shape;
}

}  // namespace

TImageForm::TImageForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("ImageForm"));
    setWindowTitle(QStringLiteral("ImageForm"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    QFont face(QStringLiteral("Tahoma"));
    face.setPixelSize(11);
    setFont(face);

    ShowImg = new QWidget(this);
    ShowImg->setObjectName(QStringLiteral("ShowImg"));
    ShowImg->setGeometry(0, 0, ClientWidth, ClientHeight);
    QPalette palette = ShowImg->palette();
    palette.setColor(QPalette::Window, Qt::white);
    ShowImg->setPalette(palette);
    ShowImg->setAutoFillBackground(true);

    const int sideHeight = ClientHeight - 1 - BandHeight;  // 591
    Shape1 = AddLine(ShowImg, 0, 0, ClientWidth, 1, White);
    Shape2 = AddLine(ShowImg, 0, ClientHeight - BandHeight, ClientWidth, BandHeight, BandColor);
    Shape3 = AddLine(ShowImg, 0, 1, 1, sideHeight, White);
    Shape4 = AddLine(ShowImg, ClientWidth - 1, 1, 1, sideHeight, White);

    OpisLabel = new TTransparentLabel(ShowImg);
    OpisLabel->setObjectName(QStringLiteral("OpisLabel"));
    OpisLabel->setGeometry(10, 598, 785, 51);
    OpisLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    OpisLabel->setWordWrap(true);
    OpisLabel->SetFontSpec(QStringLiteral("Tahoma"), 11, true);
    OpisLabel->SetTextColor(White);
    OpisLabel->SetCaption("Opis");

    ShowImage = new TImgView32(ShowImg);
    ShowImage->setObjectName(QStringLiteral("ShowImage"));
    ShowImage->SetBounds(1, 1, ClientWidth - 2, sideHeight);
    ShowImage->Bitmap().SetResamplerClassName("TDraftResampler");
    ShowImage->SetColor(White);  // the panel's colour, around a picture smaller than the view
    ShowImage->SetBitmapAlign(TBitmapAlign::baCustom);
    ShowImage->SetCentered(true);
    ShowImage->SetScaleMode(TScaleMode::smNormal);
    ShowImage->SetScale(1.0f);
    ShowImage->SetOverSize(0);
    ShowImage->ScrollBars().SetVisibility(TScrollBarVisibility::svHidden);
    ShowImage->ScrollBars().SetStyle(TRBStyle::rbsDefault);
    ShowImage->SetSizeGrip(TSizeGripStyle::sgNone);
    // A click is a press and a release of the left button on the picture area, as a click is
    // everywhere else in the program; a press that ends outside it is not one.
    ShowImage->OnMouseUp = [this](TCustomImage32* sender, TMouseButton button, TShiftState, int32_t x, int32_t y,
                                  TCustomLayer*) {
        if (button == TMouseButton::mbLeft && x >= 0 && y >= 0 && x < sender->width() && y < sender->height())
            ShowImageClick();
    };

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - ClientWidth) / 2, area.top() + (area.height() - ClientHeight) / 2);
    }
}

void TImageForm::FormShow() {
    const TBitmap32& bitmap = ShowImage->Bitmap();
    if (bitmap.Width() > ShowImage->width() || bitmap.Height() > ShowImage->height())
        ShowImage->SetScaleMode(TScaleMode::smResize);
}

void TImageForm::ShowImageClick() { done(Closed); }

void TImageForm::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    int result = 0;
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space: result = Closed; break;
            case Qt::Key_Left: result = ShowPrevious; break;
            case Qt::Key_Right: result = ShowNext; break;
            default: break;
        }
    }
    // Every other key does nothing: the dialog's own Escape would close it with a result of its own.
    if (result != 0) done(result);
    event->accept();
}

void TImageForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !FShownOnce) {
        FShownOnce = true;
        FormShow();
    }
}

int TImageForm::ShowModal() {
    // Opened from a mouse press, the pressed control still holds the mouse; its release would never
    // come past the modal window, and the window would get no clicks at all.
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (const TShowModalHook hook = ModalHook()) {
        FShownOnce = true;
        FormShow();
        return hook(*this);
    }
    return exec();
}

TImageForm::TShowModalHook TImageForm::SetShowModalHook(TShowModalHook hook) {
    return std::exchange(ModalHook(), std::move(hook));
}

}  // namespace velmora

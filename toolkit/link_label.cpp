#include "toolkit/link_label.h"

#include <QColor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "toolkit/code_page.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

QColor ToQColor(TColor color) { return QColor::fromRgb(WinColorToColor32(color) | 0xFF000000u); }

}  // namespace

TLinkLabel::TLinkLabel(QWidget* parent) : QWidget(parent) {
    // Nothing of our own under the frame: the parent's pixels show through.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    // Borderless, the label has nothing to draw: with updates off Qt skips its paint event whenever
    // the picture underneath repaints, which matters with a dozen links over a stage.
    setUpdatesEnabled(false);
}

void TLinkLabel::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    // The paint that follows turns updates off again once the frame is gone.
    setUpdatesEnabled(true);
    update();
}

void TLinkLabel::SetBorderColor(TColor color) {
    if (color == FBorderColor) return;
    FBorderColor = color;
    if (FBorderStyle == TBorderStyle::bsSingle) update();
}

void TLinkLabel::SetCursor(TCursor cursor) {
    if (cursor == FCursor) return;
    FCursor = cursor;
    if (cursor == crDefault) unsetCursor();
    else setCursor(QCursor(CursorShapeOf(cursor)));
}

void TLinkLabel::paintEvent(QPaintEvent*) {
    if (FBorderStyle != TBorderStyle::bsSingle) {
        // This paint has let the picture underneath replace the frame; later ones would draw nothing.
        setUpdatesEnabled(false);
        return;
    }
    if (width() <= 0 || height() <= 0) return;
    // Four one-pixel strips rather than drawRect: exact pixels whatever the pen and antialiasing.
    QPainter painter(this);
    const QColor color = ToQColor(FBorderColor);
    const int w = width(), h = height();
    painter.fillRect(0, 0, w, 1, color);
    painter.fillRect(0, h - 1, w, 1, color);
    painter.fillRect(0, 0, 1, h, color);
    painter.fillRect(w - 1, 0, 1, h, color);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FPressed = true;
    event->accept();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return event->accept();
    const bool click = FPressed && rect().contains(event->position().toPoint());
    FPressed = false;
    event->accept();
    // A copy: the handler may close the window that owns this label or reassign the event.
    if (click && OnClick) {
        const TNotifyEvent handler = OnClick;
        handler(this);
    }
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (OnMouseEnter) {
        const TNotifyEvent handler = OnMouseEnter;
        handler(this);
    }
}

void TLinkLabel::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (OnMouseLeave) {
        const TNotifyEvent handler = OnMouseLeave;
        handler(this);
    }
}

TTransparentLabel::TTransparentLabel(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFrameShape(QFrame::NoFrame);
    setMargin(0);
    setIndent(0);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
}

std::string TTransparentLabel::Caption() const { return ToWin1250(text()); }

void TTransparentLabel::SetCaption(const std::string& win1250) { setText(FromWin1250(win1250)); }

void TTransparentLabel::SetFontSpec(const QString& family, int pixelHeight, bool bold) {
    QFont face(family);
    face.setPixelSize(std::max(pixelHeight, 1));
    face.setBold(bold);
    setFont(face);
}

void TTransparentLabel::SetTextColor(TColor color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color));
    setPalette(palette);
}

}  // namespace velmora

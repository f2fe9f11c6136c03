#pragma once
// Transparent labels laid over the stage picture. TLinkLabel is a click area with no text and no
// background: the picture under it shows through, and while its border style is single it draws a
// one-pixel frame in its border colour along its rectangle (the hover frame of the links).
// TTransparentLabel shows a caption straight on the picture (the item counter, the sign caption).
#include <QLabel>
#include <QWidget>
#include <functional>
#include <string>

#include "core/border_style.h"
#include "core/input.h"
#include "raster/color32.h"

namespace velmora {

class TLinkLabel : public QWidget {
public:
    using TNotifyEvent = std::function<void(TLinkLabel* sender)>;

    explicit TLinkLabel(QWidget* parent = nullptr);

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor color);

    // The control's own cursor; an application-wide cursor other than crDefault wins over it.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);

    int Tag = 0;
    TNotifyEvent OnClick;       // left button pressed and released inside the label
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TBorderStyle FBorderStyle = TBorderStyle::bsNone;
    TColor FBorderColor = 0;  // black
    TCursor FCursor = crDefault;
    bool FPressed = false;
};

class TTransparentLabel : public QLabel {
public:
    explicit TTransparentLabel(QWidget* parent = nullptr);

    // Captions are data text: Windows-1250 bytes.
    std::string Caption() const;
    void SetCaption(const std::string& win1250);

    // Face, character height in pixels and weight of the caption.
    void SetFontSpec(const QString& family, int pixelHeight, bool bold);
    void SetTextColor(TColor color);
};

}  // namespace velmora

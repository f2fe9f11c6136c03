#include "toolkit/rich_text_view.h"

#include <QCoreApplication>
#include <QPalette>
#include <QResizeEvent>
#include <QTextDocument>

#include "toolkit/files.h"
#include "toolkit/rtf_reader.h"

namespace velmora {

TRichTextView::TRichTextView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setEnabled(false);
    // Disabled, yet neither greyed nor on a grey ground: the disabled group takes the active colours.
    QPalette palette = this->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Window, Qt::white);
        palette.setColor(group, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
    }
    setPalette(palette);
    setAutoFillBackground(true);
    viewport()->setAutoFillBackground(true);
}

bool TRichTextView::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    LoadFromRtf(bytes);
    return true;
}

void TRichTextView::LoadFromRtf(const std::string& rtf) {
    SettleGeometry();
    ReadRtf(rtf, *document());
    // The view's own cursor sat where the text went in and was carried to its end: a text longer than
    // the view, which a reader cannot scroll, would show only its last lines.
    moveCursor(QTextCursor::Start);
}

void TRichTextView::SettleGeometry() {
    // A view not shown yet keeps its resize events until it is: the text would be laid out at the
    // viewport's stale default width now and again at the real width on show. Delivering them first
    // lays the text out once, at the width it is shown at.
    for (QWidget* w : {static_cast<QWidget*>(this), viewport()}) {
        if (!w->testAttribute(Qt::WA_PendingResizeEvent)) continue;
        w->setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(w->size(), QSize());
        QCoreApplication::sendEvent(w, &event);
    }
}

}  // namespace velmora

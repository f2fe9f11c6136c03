#include "toolkit/rich_text_view.h"

#include <QPalette>
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

void TRichTextView::LoadFromRtf(const std::string& rtf) { ReadRtf(rtf, *document()); }

}  // namespace velmora

#include "toolkit/rtf_reader.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>

#include "text/rtf_parser.h"
#include "toolkit/rich_text_writer.h"

namespace velmora {
namespace {

QColor ColorOf(int32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QTextCharFormat CharFormat(const TRtfCharLook& look) {
    QTextCharFormat format;
    format.setFontWeight(look.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(look.Italic);
    format.setFontUnderline(look.Underline);
    format.setFontStrikeOut(look.Strike);
    format.setFontPointSize(look.PointSize);
    if (look.Vertical != 0)
        format.setVerticalAlignment(look.Vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                      : QTextCharFormat::AlignSubScript);
    if (look.Foreground != RtfAutomaticColor) format.setForeground(ColorOf(look.Foreground));
    if (look.Background != RtfAutomaticColor) format.setBackground(ColorOf(look.Background));
    if (!look.FontName.empty()) format.setFontFamilies(QStringList{QStringView(look.FontName).toString()});
    return format;
}

QTextBlockFormat BlockFormat(const TRtfBlockLook& look) {
    static constexpr Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    QTextBlockFormat format;
    format.setAlignment(alignments[static_cast<int>(look.Alignment)]);
    format.setLeftMargin(look.LeftMargin);
    format.setRightMargin(look.RightMargin);
    format.setTextIndent(look.TextIndent);
    format.setTopMargin(look.TopMargin);
    format.setBottomMargin(look.BottomMargin);
    return format;
}

class TDocumentSink final : public TRtfSink {
public:
    explicit TDocumentSink(QTextDocument& document) : FWriter(document) {}
    bool TakeCharacter() override { return FWriter.TakeCharacter(); }
    void AppendText(std::u16string_view text, const TRtfCharLook& look, const TRtfBlockLook& block) override {
        FWriter.AppendText(QStringView(text).toString(), CharFormat(look), BlockFormat(block));
    }
    void EndParagraph(const TRtfBlockLook& block, const TRtfCharLook& look) override {
        FWriter.EndParagraph(BlockFormat(block), CharFormat(look));
    }
    bool Full() const override { return FWriter.Full(); }

private:
    TRichTextWriter FWriter;
};

}  // namespace

void ReadRtf(const std::string& rtf, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    {
        TDocumentSink sink(document);
        ParseRtf(rtf, sink);
    }
    document.setUndoRedoEnabled(undo);
}

}  // namespace velmora

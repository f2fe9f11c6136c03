#include "toolkit/rich_text_writer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextDocument>
#include <algorithm>

namespace velmora {
namespace {

constexpr double DefaultPoints = 12;
// Lines of the fonts here are about 1.17 times their size; fallback fonts may run taller.
constexpr double LineSpacing = 1.5;
// The document's default distance between tab stops.
constexpr double TabStop = 80;

// Qt starts a new item where the script or the writing direction changes and at every tab. A class
// stands for such a stretch; NoClass characters (spaces, digits, punctuation) join their neighbours.
constexpr int NoClass = 0;
constexpr int TabClass = -1;
constexpr int EmbeddingClass = -2;
constexpr int RightToLeftNumberClass = -3;

int ItemClass(char32_t cp, bool& rightToLeft) {
    if (cp == '\t') return TabClass;
    const QChar::Direction direction = QChar::direction(cp);
    switch (direction) {
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI: return EmbeddingClass;
        default: break;
    }
    const QChar::Script script = QChar::script(cp);
    if (script > QChar::Script_Common) {
        rightToLeft = direction == QChar::DirR || direction == QChar::DirAL;
        return 1 + static_cast<int>(script);
    }
    if (rightToLeft && (direction == QChar::DirEN || direction == QChar::DirAN)) return RightToLeftNumberClass;
    return NoClass;
}

// Where a line may break without cutting a word: at blanks and hyphens, and between the characters
// of scripts written without spaces.
bool EndsWord(char32_t cp) {
    if (cp == '-' || QChar::isSpace(cp)) return true;
    switch (QChar::script(cp)) {
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Yi: return true;
        default: return false;
    }
}

// The height one character adds when wrapped lines of width hold it: a line ends only where the next
// word does not fit, so two lines in a row are filled at least one width; a character wider than half
// a line may take a line of its own.
double WrapShare(double lineHeight, double advance, double width) {
    return width <= 0 ? lineHeight : lineHeight * std::min(1.0, 2 * advance / width);
}

}  // namespace

TRichTextWriter::TRichTextWriter(QTextDocument& document) : FDocument(document), FCursor(&document) {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    FPixelsPerPoint = std::max(96.0, screen != nullptr ? screen->logicalDotsPerInchY() : 0.0) / 72;
    FCursor.movePosition(QTextCursor::End);
    FCursor.beginEditBlock();
}

TRichTextWriter::~TRichTextWriter() { FCursor.endEditBlock(); }

bool TRichTextWriter::TakeCharacter() {
    if (FFull || FCharacters >= MaxRichTextCharacters) return false;
    ++FCharacters;
    return true;
}

double TRichTextWriter::LineHeight(const QTextCharFormat& format) const {
    const double points = format.fontPointSize();
    return LineSpacing * (points > 0 ? points : DefaultPoints) * FPixelsPerPoint;
}

bool TRichTextWriter::AddHeight(double pixels) {
    FHeight += pixels;
    if (FHeight > MaxRichTextHeight) FFull = true;
    return !FFull;
}

void TRichTextWriter::AppendText(const QString& text, const QTextCharFormat& format, const QTextBlockFormat& block) {
    if (FFull || text.isEmpty()) return;
    const double lineHeight = LineHeight(format);
    const double pixels = lineHeight / LineSpacing;
    // Without a text width nothing wraps: only line breaks add height.
    const double textWidth = FDocument.textWidth();
    const double width = textWidth - block.leftMargin() - block.rightMargin() - std::max(0.0, block.textIndent());
    const double charShare = textWidth > 0 ? WrapShare(lineHeight, pixels, width) : 0;
    const double tabShare = textWidth > 0 ? WrapShare(lineHeight, std::max(pixels, TabStop), width) : 0;
    FBlockLineHeight = std::max(FBlockLineHeight, lineHeight);

    qsizetype start = 0;
    const auto write = [&](qsizetype end) {
        if (end > start) {
            FCursor.setBlockFormat(block);
            FCursor.insertText(text.mid(start, end - start), format);
            FBlockHasText = true;
        }
        start = end;
    };
    bool newRun = !FBlockHasText || format != FLastFormat;
    FLastFormat = format;
    for (qsizetype i = 0; i < text.size();) {
        char32_t cp = text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        const int itemClass = ItemClass(cp, FRightToLeft);
        FWordLength = EndsWord(cp) ? 0 : FWordLength + 1;
        if (FWordLength > MaxWordLength) {
            // Qt breaks such a word anywhere, yet in time that grows with the square of its length.
            write(i);
            if (!StartBlock(block, format, lineHeight)) return;
            FBlockLineHeight = lineHeight;
            FWordLength = 1;
            newRun = true;
        }
        if (newRun || (itemClass != NoClass && itemClass != FLastClass)) {
            newRun = false;
            if (FBlockItems >= MaxBlockItems) {
                write(i);
                if (!StartBlock(block, format, lineHeight)) return;
                FBlockLineHeight = lineHeight;
            }
            if (FItems >= MaxRichTextItems) {
                FFull = true;
                return write(i);
            }
            ++FItems;
            ++FBlockItems;
        }
        if (itemClass != NoClass) FLastClass = itemClass;
        const double share = cp == QChar::LineSeparator ? lineHeight : cp == '\t' ? tabShare : charShare;
        if (!AddHeight(share)) return write(i);
        i += units;
    }
    write(text.size());
}

void TRichTextWriter::EndParagraph(const QTextBlockFormat& block, const QTextCharFormat& format) {
    if (FFull) return;
    StartBlock(block, format, LineHeight(format));
}

bool TRichTextWriter::StartBlock(const QTextBlockFormat& block, const QTextCharFormat& format, double lineHeight) {
    if (FParagraphs >= MaxRichTextParagraphs) {
        FFull = true;
        return false;
    }
    // The block that ends: its last line and its margins.
    if (!AddHeight(std::max(FBlockLineHeight, lineHeight) + block.topMargin() + block.bottomMargin())) return false;
    ++FParagraphs;
    FCursor.setBlockFormat(block);
    FCursor.insertBlock(block, format);
    FBlockItems = 0;
    FWordLength = 0;
    FBlockHasText = false;
    FBlockLineHeight = 0;
    return true;
}

}  // namespace velmora

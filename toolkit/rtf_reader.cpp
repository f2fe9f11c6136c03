#include "toolkit/rtf_reader.h"

#include "toolkit/code_page.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace velmora {
namespace {

constexpr int DefaultCodePage = 1250;
constexpr int DefaultHalfPoints = 24;  // 12 pt
constexpr size_t MaxColors = 65536;
constexpr int MaxTwips = 31680;        // 22 inches: anything wider is junk
constexpr int MaxUnicodeSkip = 1000;

enum class TDestination : uint8_t { Text, Skip, FontTable, ColorTable };

// Everything a group carries; a closing brace restores the enclosing group's copy.
struct TRtfState {
    TDestination destination = TDestination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int vertical = 0;  // -1 subscript, 1 superscript
    int halfPoints = DefaultHalfPoints;
    int foreground = 0;  // colour table index; 0 is the automatic colour
    int background = 0;
    int font = -1;       // font table number; -1 until \deff or \f names one
    int unicodeSkip = 1;
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;  // twips
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

struct TFontEntry {
    QString name;
    int charset = -1;  // -1: not given
};

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The Windows code page of a font's character set; 0 (ANSI) and 1 (default) follow the document.
int CharsetCodePage(int charset, int documentCodePage) {
    switch (charset) {
        case 2: return 1252;  // symbol fonts: show the bytes as Western letters
        case 128: return 932;
        case 129: return 949;
        case 134: return 936;
        case 136: return 950;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        case 255: return 437;
        default: return documentCodePage;
    }
}

// Destinations whose content is never shown, also when written without "\*".
bool IsSkippedDestination(std::string_view word) {
    static constexpr std::array<std::string_view, 40> words = {
        "annotation", "atnauthor", "atnid", "author", "bkmkend", "bkmkstart", "colorschememapping", "comment",
        "datastore", "docvar", "fldinst", "filetbl", "footer", "footerf", "footerl", "footerr", "footnote",
        "generator", "header", "headerf", "headerl", "headerr", "info", "latentstyles", "listoverridetable",
        "listtable", "mmathPr", "nonshppict", "object", "pgdsctbl", "pict", "private", "revtbl", "rsidtbl",
        "stylesheet", "tc", "template", "themedata", "txe", "xmlnstbl"};
    return std::find(words.begin(), words.end(), word) != words.end();
}

class TRtfParser {
public:
    TRtfParser(const std::string& rtf, QTextDocument& document)
        : data_(reinterpret_cast<const unsigned char*>(rtf.data())), size_(rtf.size()), cursor_(&document) {
        stack_.reserve(MaxRtfGroupDepth + 1);
        stack_.emplace_back();
    }

    void Run() {
        cursor_.beginEditBlock();
        while (pos_ < size_) {
            const unsigned char c = data_[pos_++];
            switch (c) {
                case '{': OpenGroup(); break;
                case '}': CloseGroup(); break;
                case '\\': ReadControl(); break;
                case '\r':
                case '\n': break;
                default: Byte(c, false); break;
            }
        }
        Flush();
        cursor_.endEditBlock();
    }

private:
    TRtfState& State() { return stack_.back(); }

    TDestination Destination() const {
        return overflowSkipLevel_ > 0 ? TDestination::Skip : stack_.back().destination;
    }

    void OpenGroup() {
        skipCount_ = 0;
        if (overflow_ > 0 || stack_.size() > static_cast<size_t>(MaxRtfGroupDepth)) {
            ++overflow_;  // too deep: counted only, the innermost stacked state goes on
            return;
        }
        const TRtfState copy = stack_.back();
        stack_.push_back(copy);
    }

    void CloseGroup() {
        skipCount_ = 0;
        if (overflow_ > 0) {
            if (overflow_ == overflowSkipLevel_) overflowSkipLevel_ = 0;
            --overflow_;
            return;
        }
        if (stack_.size() <= 1) return;  // an unbalanced brace closes nothing
        Flush();
        if (State().destination == TDestination::FontTable) CommitFontName();
        stack_.pop_back();
    }

    void SetDestination(TDestination destination) {
        if (overflow_ > 0) {
            if (destination != TDestination::Text && overflowSkipLevel_ == 0) overflowSkipLevel_ = overflow_;
            return;
        }
        // A destination belongs to its group: never to the text outside every group, and nothing
        // inside a skipped group comes back to light.
        if (stack_.size() <= 1 || State().destination == TDestination::Skip) return;
        State().destination = destination;
    }

    void ReadControl() {
        if (pos_ >= size_) return;
        const unsigned char c = data_[pos_];
        if (!IsLetter(c)) {
            ++pos_;
            ControlSymbol(c);
            return;
        }
        const size_t start = pos_;
        while (pos_ < size_ && IsLetter(data_[pos_])) ++pos_;
        const std::string_view word(reinterpret_cast<const char*>(data_) + start, std::min<size_t>(pos_ - start, 32));
        bool negative = false;
        if (pos_ < size_ && data_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        int64_t value = 0;
        while (pos_ < size_ && IsDigit(data_[pos_])) {
            hasParam = true;
            if (value < (int64_t(1) << 40)) value = value * 10 + (data_[pos_] - '0');
            ++pos_;
        }
        if (negative) value = -value;
        if (pos_ < size_ && data_[pos_] == ' ') ++pos_;  // the delimiting space belongs to the word
        const int param = static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));

        if (word == "bin") {  // raw bytes follow; they are never text, also while skipping
            if (hasParam && value > 0) pos_ += static_cast<size_t>(std::min<int64_t>(value, int64_t(size_ - pos_)));
            return;
        }
        if (skipCount_ > 0) {  // the fallback of a \u escape
            --skipCount_;
            return;
        }
        ControlWord(word, hasParam, param);
    }

    void ControlSymbol(unsigned char c) {
        switch (c) {
            case '\'': {
                int high = pos_ < size_ ? HexValue(data_[pos_]) : -1;
                if (high < 0) return;
                ++pos_;
                int low = pos_ < size_ ? HexValue(data_[pos_]) : -1;
                if (low < 0) return;
                ++pos_;
                Byte(static_cast<unsigned char>(high * 16 + low), true);
                return;
            }
            case '{':
            case '}':
            case '\\': Byte(c, true); return;
            case '~': Special(QChar(0x00A0)); return;
            case '_': Special(QChar(0x2011)); return;
            case '*': SetDestination(TDestination::Skip); return;
            case '\r':
            case '\n': Paragraph(); return;
            default:  // \- (optional hyphen), \| \: and unknown symbols show nothing
                if (skipCount_ > 0) --skipCount_;
                return;
        }
    }

    void ControlWord(std::string_view w, bool hasParam, int param) {
        const bool on = !hasParam || param != 0;
        TRtfState& s = State();
        // Text-only words first; they add characters and leave the formatting alone.
        if (w == "par" || w == "sect" || w == "page" || w == "row") return Paragraph();
        if (w == "line") return Special(QChar::LineSeparator);
        if (w == "tab" || w == "cell") return Special(QChar('\t'));
        if (w == "emdash") return Special(QChar(0x2014));
        if (w == "endash") return Special(QChar(0x2013));
        if (w == "bullet") return Special(QChar(0x2022));
        if (w == "lquote") return Special(QChar(0x2018));
        if (w == "rquote") return Special(QChar(0x2019));
        if (w == "ldblquote") return Special(QChar(0x201C));
        if (w == "rdblquote") return Special(QChar(0x201D));
        if (w == "emspace") return Special(QChar(0x2003));
        if (w == "enspace") return Special(QChar(0x2002));
        if (w == "u") {
            if (!hasParam) return;
            const bool valid = param >= -32768 && param <= 65535;
            Special(valid ? QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param)) : QChar(QChar::ReplacementCharacter));
            skipCount_ = s.unicodeSkip;
            return;
        }
        if (w == "uc") {
            if (hasParam) s.unicodeSkip = std::clamp(param, 0, MaxUnicodeSkip);
            return;
        }

        if (w == "fonttbl") return SetDestination(TDestination::FontTable);
        if (w == "colortbl") return SetDestination(TDestination::ColorTable);
        if (IsSkippedDestination(w)) return SetDestination(TDestination::Skip);

        if (Destination() == TDestination::FontTable) {
            if (w == "f" && hasParam) {
                CommitFontName();
                fontEntry_ = param;
                fonts_[fontEntry_];
            } else if (w == "fcharset" && hasParam) {
                fonts_[fontEntry_].charset = param;
            }
            return;
        }
        if (Destination() == TDestination::ColorTable) {
            if (w == "red" && hasParam) red_ = std::clamp(param, 0, 255), colorGiven_ = true;
            if (w == "green" && hasParam) green_ = std::clamp(param, 0, 255), colorGiven_ = true;
            if (w == "blue" && hasParam) blue_ = std::clamp(param, 0, 255), colorGiven_ = true;
            return;
        }

        if (w == "ansicpg") {
            if (hasParam && param > 0 && param < 65536) documentCodePage_ = param;
            return;
        }
        if (w == "deff") {
            if (!hasParam) return;
            defaultFont_ = param;
            if (s.font < 0) s.font = param;
            return;
        }

        Flush();  // everything below changes how the following text looks
        if (w == "b") s.bold = on;
        else if (w == "i") s.italic = on;
        else if (w == "strike") s.strike = on;
        else if (w == "ulnone") s.underline = false;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "ulw" || w == "ulwave" || w == "ulth")
            s.underline = on;
        else if (w == "fs") s.halfPoints = hasParam && param > 0 ? std::clamp(param, 2, 3276) : DefaultHalfPoints;
        else if (w == "cf") s.foreground = hasParam ? std::max(param, 0) : 0;
        else if (w == "cb" || w == "highlight") s.background = hasParam ? std::max(param, 0) : 0;
        else if (w == "f") { if (hasParam) s.font = param; }
        else if (w == "super") s.vertical = on ? 1 : 0;
        else if (w == "sub") s.vertical = on ? -1 : 0;
        else if (w == "nosupersub") s.vertical = 0;
        else if (w == "plain") ResetCharacter(s);
        else if (w == "pard") ResetParagraph(s);
        else if (w == "ql") s.alignment = Qt::AlignLeft;
        else if (w == "qc") s.alignment = Qt::AlignHCenter;
        else if (w == "qr") s.alignment = Qt::AlignRight;
        else if (w == "qj") s.alignment = Qt::AlignJustify;
        else if (w == "li") s.leftIndent = hasParam ? std::clamp(param, 0, MaxTwips) : 0;
        else if (w == "ri") s.rightIndent = hasParam ? std::clamp(param, 0, MaxTwips) : 0;
        else if (w == "fi") s.firstIndent = hasParam ? std::clamp(param, -MaxTwips, MaxTwips) : 0;
        else if (w == "sb") s.spaceBefore = hasParam ? std::clamp(param, 0, MaxTwips) : 0;
        else if (w == "sa") s.spaceAfter = hasParam ? std::clamp(param, 0, MaxTwips) : 0;
    }

    void ResetCharacter(TRtfState& s) const {
        s.bold = s.italic = s.underline = s.strike = false;
        s.vertical = 0;
        s.halfPoints = DefaultHalfPoints;
        s.foreground = s.background = 0;
        s.font = defaultFont_;
    }

    static void ResetParagraph(TRtfState& s) {
        s.alignment = Qt::AlignLeft;
        s.leftIndent = s.rightIndent = s.firstIndent = s.spaceBefore = s.spaceAfter = 0;
    }

    // A text byte, or a byte from an escape (literal: even a brace or a backslash is text then).
    void Byte(unsigned char c, bool escaped) {
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        switch (Destination()) {
            case TDestination::Text:
                if (c < 0x20) {  // control bytes are not text, escaped or not; a tab is a tab
                    if (c == '\t') Special(QChar('\t'));
                    return;
                }
                AppendByte(c);
                return;
            case TDestination::FontTable:
                if (c == ';' && !escaped) CommitFontName();
                else if (c >= 0x20) fontNameBytes_ += static_cast<char>(c);
                return;
            case TDestination::ColorTable:
                if (c == ';' && !escaped) CommitColor();
                return;
            case TDestination::Skip: return;
        }
    }

    void Special(QChar ch) {
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        if (Destination() != TDestination::Text) return;
        DecodePending();
        pendingText_ += ch;
    }

    void Paragraph() {
        if (Destination() != TDestination::Text) return;
        Flush();
        const QTextBlockFormat block = BlockFormat(State());
        cursor_.setBlockFormat(block);
        cursor_.insertBlock(block, CharFormat(State()));
    }

    int CodePage() const {
        const auto it = fonts_.find(stack_.back().font);
        return CharsetCodePage(it == fonts_.end() ? -1 : it->second.charset, documentCodePage_);
    }

    void AppendByte(unsigned char c) {
        const int codePage = CodePage();
        if (codePage != pendingCodePage_) DecodePending();
        pendingCodePage_ = codePage;
        pendingBytes_ += static_cast<char>(c);
    }

    void DecodePending() {
        if (pendingBytes_.empty()) return;
        pendingText_ += FromCodePage(pendingBytes_, pendingCodePage_);
        pendingBytes_.clear();
    }

    void Flush() {
        DecodePending();
        if (pendingText_.isEmpty()) return;
        cursor_.setBlockFormat(BlockFormat(State()));
        cursor_.insertText(pendingText_, CharFormat(State()));
        pendingText_.clear();
    }

    void CommitFontName() {
        if (fontNameBytes_.empty()) return;
        fonts_[fontEntry_].name = FromCodePage(fontNameBytes_, documentCodePage_).trimmed();
        fontNameBytes_.clear();
    }

    void CommitColor() {
        if (colors_.size() < MaxColors) colors_.push_back(colorGiven_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
    }

    QColor TableColor(int index) const {
        return index > 0 && static_cast<size_t>(index) < colors_.size() ? colors_[index] : QColor();
    }

    QTextCharFormat CharFormat(const TRtfState& s) const {
        QTextCharFormat format;
        format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(s.italic);
        format.setFontUnderline(s.underline);
        format.setFontStrikeOut(s.strike);
        format.setFontPointSize(s.halfPoints / 2.0);
        if (s.vertical != 0)
            format.setVerticalAlignment(s.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
        if (const QColor fg = TableColor(s.foreground); fg.isValid()) format.setForeground(fg);
        if (const QColor bg = TableColor(s.background); bg.isValid()) format.setBackground(bg);
        if (const auto it = fonts_.find(s.font); it != fonts_.end() && !it->second.name.isEmpty())
            format.setFontFamilies(QStringList{it->second.name});
        return format;
    }

    // Twips are 1/1440 inch; the document lays out in pixels at 96 dpi.
    static qreal Pixels(int twips) { return twips / 15.0; }

    static QTextBlockFormat BlockFormat(const TRtfState& s) {
        QTextBlockFormat format;
        format.setAlignment(s.alignment);
        format.setLeftMargin(Pixels(s.leftIndent));
        format.setRightMargin(Pixels(s.rightIndent));
        format.setTextIndent(Pixels(s.firstIndent));
        format.setTopMargin(Pixels(s.spaceBefore));
        format.setBottomMargin(Pixels(s.spaceAfter));
        return format;
    }

    const unsigned char* data_;
    size_t size_;
    size_t pos_ = 0;
    QTextCursor cursor_;
    std::vector<TRtfState> stack_;
    int64_t overflow_ = 0;           // groups opened beyond the depth bound and not yet closed
    int64_t overflowSkipLevel_ = 0;  // the overflow depth at which a skipped destination began
    int skipCount_ = 0;              // characters still to drop after a \u escape
    int documentCodePage_ = DefaultCodePage;
    int defaultFont_ = -1;
    std::map<int, TFontEntry> fonts_;
    int fontEntry_ = -1;
    std::string fontNameBytes_;
    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;
    std::string pendingBytes_;
    int pendingCodePage_ = DefaultCodePage;
    QString pendingText_;
};

}  // namespace

void ReadRtf(const std::string& rtf, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    TRtfParser(rtf, document).Run();
    document.setUndoRedoEnabled(undo);
}

}  // namespace velmora

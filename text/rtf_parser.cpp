#include "text/rtf_parser.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "text/code_page_table.h"

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
    TRtfAlignment alignment = TRtfAlignment::Left;
    int leftIndent = 0;  // twips
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

struct TFontEntry {
    std::u16string name;
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

// Words that end a paragraph.
constexpr std::array<std::string_view, 4> ParagraphWords = {"par", "sect", "page", "row"};

// Words that stand for one character of text.
struct TSymbolWord {
    std::string_view Word;
    char16_t Character;
};
constexpr std::array<TSymbolWord, 12> SymbolWords = {{
    {"line", u'\u2028'}, {"tab", u'\t'}, {"cell", u'\t'}, {"emdash", 0x2014}, {"endash", 0x2013},
    {"bullet", 0x2022}, {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    {"emspace", 0x2003}, {"enspace", 0x2002},
}};

// A length in twips from a word's parameter, none without one.
int Twips(bool hasParam, int param, int lowest) { return hasParam ? std::clamp(param, lowest, MaxTwips) : 0; }

// Words that set how the following text looks; `on` is false only for an explicit parameter 0.
struct TFormatWord {
    std::string_view Word;
    void (*Apply)(TRtfState& s, bool on, bool hasParam, int param);
};
void SetUnderline(TRtfState& s, bool on, bool, int) { s.underline = on; }
void ResetParagraph(TRtfState& s, bool, bool, int) {
    s.alignment = TRtfAlignment::Left;
    s.leftIndent = s.rightIndent = s.firstIndent = s.spaceBefore = s.spaceAfter = 0;
}
const auto FormatWords = std::to_array<TFormatWord>({
    {"b", [](TRtfState& s, bool on, bool, int) { s.bold = on; }},
    {"i", [](TRtfState& s, bool on, bool, int) { s.italic = on; }},
    {"strike", [](TRtfState& s, bool on, bool, int) { s.strike = on; }},
    {"ulnone", [](TRtfState& s, bool, bool, int) { s.underline = false; }},
    {"ul", SetUnderline}, {"uld", SetUnderline}, {"uldb", SetUnderline}, {"uldash", SetUnderline},
    {"ulw", SetUnderline}, {"ulwave", SetUnderline}, {"ulth", SetUnderline},
    {"fs", [](TRtfState& s, bool, bool has, int p) { s.halfPoints = has && p > 0 ? std::clamp(p, 2, 3276) : DefaultHalfPoints; }},
    {"cf", [](TRtfState& s, bool, bool has, int p) { s.foreground = has ? std::max(p, 0) : 0; }},
    {"cb", [](TRtfState& s, bool, bool has, int p) { s.background = has ? std::max(p, 0) : 0; }},
    {"highlight", [](TRtfState& s, bool, bool has, int p) { s.background = has ? std::max(p, 0) : 0; }},
    {"f", [](TRtfState& s, bool, bool has, int p) { if (has) s.font = p; }},
    {"super", [](TRtfState& s, bool on, bool, int) { s.vertical = on ? 1 : 0; }},
    {"sub", [](TRtfState& s, bool on, bool, int) { s.vertical = on ? -1 : 0; }},
    {"nosupersub", [](TRtfState& s, bool, bool, int) { s.vertical = 0; }},
    {"pard", ResetParagraph},
    {"ql", [](TRtfState& s, bool, bool, int) { s.alignment = TRtfAlignment::Left; }},
    {"qc", [](TRtfState& s, bool, bool, int) { s.alignment = TRtfAlignment::Center; }},
    {"qr", [](TRtfState& s, bool, bool, int) { s.alignment = TRtfAlignment::Right; }},
    {"qj", [](TRtfState& s, bool, bool, int) { s.alignment = TRtfAlignment::Justify; }},
    {"li", [](TRtfState& s, bool, bool has, int p) { s.leftIndent = Twips(has, p, 0); }},
    {"ri", [](TRtfState& s, bool, bool has, int p) { s.rightIndent = Twips(has, p, 0); }},
    {"fi", [](TRtfState& s, bool, bool has, int p) { s.firstIndent = Twips(has, p, -MaxTwips); }},
    {"sb", [](TRtfState& s, bool, bool has, int p) { s.spaceBefore = Twips(has, p, 0); }},
    {"sa", [](TRtfState& s, bool, bool has, int p) { s.spaceAfter = Twips(has, p, 0); }},
});

template <class Table>
const typename Table::value_type* FindWord(const Table& table, std::string_view word) {
    const auto it = std::find_if(table.begin(), table.end(), [word](const auto& entry) { return entry.Word == word; });
    return it == table.end() ? nullptr : &*it;
}

// Blanks trimmed from a font's name: ASCII white space and Unicode's space separators.
bool IsRtfSpace(char32_t c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::u16string Trimmed(const std::u16string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsRtfSpace(text[start])) ++start;
    while (end > start && IsRtfSpace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

class TRtfParser {
public:
    TRtfParser(std::string_view rtf, TRtfSink& sink)
        : FData(reinterpret_cast<const unsigned char*>(rtf.data())), FSize(rtf.size()), FWriter(sink) {
        FStack.reserve(MaxRtfGroupDepth + 1);
        FStack.emplace_back();
    }

    void Run() {
        while (FPos < FSize && !FWriter.Full()) {
            const unsigned char c = FData[FPos++];
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
    }

private:
    TRtfState& State() { return FStack.back(); }

    TDestination Destination() const {
        return FOverflowSkipLevel > 0 ? TDestination::Skip : FStack.back().destination;
    }

    void OpenGroup() {
        FSkipCount = 0;
        if (FOverflow > 0 || FStack.size() > static_cast<size_t>(MaxRtfGroupDepth)) {
            ++FOverflow;  // too deep: counted only, the innermost stacked state goes on
            return;
        }
        const TRtfState copy = FStack.back();
        FStack.push_back(copy);
    }

    void CloseGroup() {
        FSkipCount = 0;
        if (FOverflow > 0) {
            if (FOverflow == FOverflowSkipLevel) FOverflowSkipLevel = 0;
            --FOverflow;
            return;
        }
        if (FStack.size() <= 1) return;  // an unbalanced brace closes nothing
        Flush();
        if (State().destination == TDestination::FontTable) CommitFontName();
        FStack.pop_back();
    }

    void SetDestination(TDestination destination) {
        if (FOverflow > 0) {
            if (destination != TDestination::Text && FOverflowSkipLevel == 0) FOverflowSkipLevel = FOverflow;
            return;
        }
        // A destination belongs to its group: never to the text outside every group, and nothing
        // inside a skipped group comes back to light.
        if (FStack.size() <= 1 || State().destination == TDestination::Skip) return;
        State().destination = destination;
    }

    void ReadControl() {
        if (FPos >= FSize) return;
        const unsigned char c = FData[FPos];
        if (!IsLetter(c)) {
            ++FPos;
            ControlSymbol(c);
            return;
        }
        const size_t start = FPos;
        while (FPos < FSize && IsLetter(FData[FPos])) ++FPos;
        const std::string_view word(reinterpret_cast<const char*>(FData) + start, std::min<size_t>(FPos - start, 32));
        bool negative = false;
        if (FPos < FSize && FData[FPos] == '-') {
            negative = true;
            ++FPos;
        }
        bool hasParam = false;
        int64_t value = 0;
        while (FPos < FSize && IsDigit(FData[FPos])) {
            hasParam = true;
            if (value < (int64_t(1) << 40)) value = value * 10 + (FData[FPos] - '0');
            ++FPos;
        }
        if (negative) value = -value;
        if (FPos < FSize && FData[FPos] == ' ') ++FPos;  // the delimiting space belongs to the word
        const int param = static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));

        if (word == "bin") {  // raw bytes follow; they are never text, also while skipping
            if (hasParam && value > 0) FPos += static_cast<size_t>(std::min<int64_t>(value, int64_t(FSize - FPos)));
            return;
        }
        if (FSkipCount > 0) {  // the fallback of a \u escape
            --FSkipCount;
            return;
        }
        ControlWord(word, hasParam, param);
    }

    void ControlSymbol(unsigned char c) {
        switch (c) {
            case '\'': {
                int high = FPos < FSize ? HexValue(FData[FPos]) : -1;
                if (high < 0) return;
                ++FPos;
                int low = FPos < FSize ? HexValue(FData[FPos]) : -1;
                if (low < 0) return;
                ++FPos;
                Byte(static_cast<unsigned char>(high * 16 + low), true);
                return;
            }
            case '{':
            case '}':
            case '\\': Byte(c, true); return;
            case '~': Special(0x00A0); return;
            case '_': Special(0x2011); return;
            case '*': SetDestination(TDestination::Skip); return;
            case '\r':
            case '\n': Paragraph(); return;
            default:  // \- (optional hyphen), \| \: and unknown symbols show nothing
                if (FSkipCount > 0) --FSkipCount;
                return;
        }
    }

    void ControlWord(std::string_view w, bool hasParam, int param) {
        TRtfState& s = State();
        // Text-only words first; they add characters and leave the formatting alone.
        if (std::find(ParagraphWords.begin(), ParagraphWords.end(), w) != ParagraphWords.end()) return Paragraph();
        if (const TSymbolWord* symbol = FindWord(SymbolWords, w)) return Special(symbol->Character);
        if (w == "u") return UnicodeCharacter(hasParam, param);
        if (w == "uc") {
            if (hasParam) s.unicodeSkip = std::clamp(param, 0, MaxUnicodeSkip);
            return;
        }

        if (w == "fonttbl") return SetDestination(TDestination::FontTable);
        if (w == "colortbl") return SetDestination(TDestination::ColorTable);
        if (IsSkippedDestination(w)) return SetDestination(TDestination::Skip);
        if (Destination() == TDestination::FontTable) return FontTableWord(w, hasParam, param);
        if (Destination() == TDestination::ColorTable) return ColorTableWord(w, hasParam, param);

        if (w == "ansicpg") {
            if (hasParam && param > 0 && param < 65536) FDocumentCodePage = param;
            return;
        }
        if (w == "deff") {
            if (!hasParam) return;
            FDefaultFont = param;
            if (s.font < 0) s.font = param;
            return;
        }

        Flush();  // everything below changes how the following text looks
        if (w == "plain") return ResetCharacter(s);
        if (const TFormatWord* format = FindWord(FormatWords, w)) format->Apply(s, !hasParam || param != 0, hasParam, param);
    }

    void UnicodeCharacter(bool hasParam, int param) {
        if (!hasParam) return;
        const bool valid = param >= -32768 && param <= 65535;
        Special(valid ? static_cast<char16_t>(param < 0 ? param + 65536 : param) : u'\uFFFD');
        FSkipCount = State().unicodeSkip;
    }

    void FontTableWord(std::string_view w, bool hasParam, int param) {
        if (w == "f" && hasParam) {
            CommitFontName();
            FFontEntry = param;
            FFonts[FFontEntry];
        } else if (w == "fcharset" && hasParam) {
            FFonts[FFontEntry].charset = param;
        }
    }

    void ColorTableWord(std::string_view w, bool hasParam, int param) {
        int* channel = w == "red" ? &FRed : w == "green" ? &FGreen : w == "blue" ? &FBlue : nullptr;
        if (channel == nullptr || !hasParam) return;
        *channel = std::clamp(param, 0, 255);
        FColorGiven = true;
    }

    void ResetCharacter(TRtfState& s) const {
        s.bold = s.italic = s.underline = s.strike = false;
        s.vertical = 0;
        s.halfPoints = DefaultHalfPoints;
        s.foreground = s.background = 0;
        s.font = FDefaultFont;
    }


    // A text byte, or a byte from an escape (literal: even a brace or a backslash is text then).
    void Byte(unsigned char c, bool escaped) {
        if (FSkipCount > 0) {
            --FSkipCount;
            return;
        }
        switch (Destination()) {
            case TDestination::Text:
                if (c < 0x20) {  // control bytes are not text, escaped or not; a tab is a tab
                    if (c == '\t') Special(u'\t');
                    return;
                }
                AppendByte(c);
                return;
            case TDestination::FontTable:
                if (c == ';' && !escaped) CommitFontName();
                else if (c >= 0x20) FFontNameBytes += static_cast<char>(c);
                return;
            case TDestination::ColorTable:
                if (c == ';' && !escaped) CommitColor();
                return;
            case TDestination::Skip: return;
        }
    }

    void Special(char16_t ch) {
        if (FSkipCount > 0) {
            --FSkipCount;
            return;
        }
        if (Destination() != TDestination::Text || !FWriter.TakeCharacter()) return;
        DecodePending();
        FPendingText += ch;
    }

    void Paragraph() {
        if (Destination() != TDestination::Text) return;
        Flush();
        FWriter.EndParagraph(BlockLook(State()), CharLook(State()));
    }

    int CodePage() const {
        const auto it = FFonts.find(FStack.back().font);
        return CharsetCodePage(it == FFonts.end() ? -1 : it->second.charset, FDocumentCodePage);
    }

    void AppendByte(unsigned char c) {
        if (!FWriter.TakeCharacter()) return;
        const int codePage = CodePage();
        if (codePage != FPendingCodePage) DecodePending();
        FPendingCodePage = codePage;
        FPendingBytes += static_cast<char>(c);
    }

    void DecodePending() {
        if (FPendingBytes.empty()) return;
        AppendCodePageText(FPendingBytes, FPendingCodePage, FPendingText);
        FPendingBytes.clear();
    }

    void Flush() {
        DecodePending();
        if (FPendingText.empty()) return;
        FWriter.AppendText(FPendingText, CharLook(State()), BlockLook(State()));
        FPendingText.clear();
    }

    void CommitFontName() {
        if (FFontNameBytes.empty()) return;
        std::u16string name;
        AppendCodePageText(FFontNameBytes, FDocumentCodePage, name);
        FFonts[FFontEntry].name = Trimmed(name);
        FFontNameBytes.clear();
    }

    void CommitColor() {
        if (FColors.size() < MaxColors) FColors.push_back(FColorGiven ? (FRed << 16) | (FGreen << 8) | FBlue : RtfAutomaticColor);
        FRed = FGreen = FBlue = 0;
        FColorGiven = false;
    }

    int32_t TableColor(int index) const {
        return index > 0 && static_cast<size_t>(index) < FColors.size() ? FColors[index] : RtfAutomaticColor;
    }

    TRtfCharLook CharLook(const TRtfState& s) const {
        TRtfCharLook look;
        look.Bold = s.bold;
        look.Italic = s.italic;
        look.Underline = s.underline;
        look.Strike = s.strike;
        look.Vertical = static_cast<int8_t>(s.vertical);
        look.PointSize = s.halfPoints / 2.0;
        look.Foreground = TableColor(s.foreground);
        look.Background = TableColor(s.background);
        if (const auto it = FFonts.find(s.font); it != FFonts.end()) look.FontName = it->second.name;
        return look;
    }

    // Twips are 1/1440 inch; pixels are at 96 dpi.
    static double Pixels(int twips) { return twips / 15.0; }

    static TRtfBlockLook BlockLook(const TRtfState& s) {
        TRtfBlockLook look;
        look.Alignment = s.alignment;
        look.LeftMargin = Pixels(s.leftIndent);
        look.RightMargin = Pixels(s.rightIndent);
        look.TextIndent = Pixels(s.firstIndent);
        look.TopMargin = Pixels(s.spaceBefore);
        look.BottomMargin = Pixels(s.spaceAfter);
        return look;
    }

    const unsigned char* FData;
    size_t FSize;
    size_t FPos = 0;
    TRtfSink& FWriter;
    std::vector<TRtfState> FStack;
    int64_t FOverflow = 0;           // groups opened beyond the depth bound and not yet closed
    int64_t FOverflowSkipLevel = 0;  // the overflow depth at which a skipped destination began
    int FSkipCount = 0;              // characters still to drop after a \u escape
    int FDocumentCodePage = DefaultCodePage;
    int FDefaultFont = -1;
    std::map<int, TFontEntry> FFonts;
    int FFontEntry = -1;
    std::string FFontNameBytes;
    std::vector<int32_t> FColors;
    int FRed = 0, FGreen = 0, FBlue = 0;
    bool FColorGiven = false;
    std::string FPendingBytes;
    int FPendingCodePage = DefaultCodePage;
    std::u16string FPendingText;
};

}  // namespace

void ParseRtf(std::string_view rtf, TRtfSink& sink) { TRtfParser(rtf, sink).Run(); }

}  // namespace velmora

#include "app/intro_html.h"

#include <cstdio>
#include <string_view>

#include "app/code_page_1250.h"
#include "app/html_text.h"
#include "text/rtf_parser.h"

namespace velmora {
namespace {

std::string Utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        AppendUtf8(out, c);
    }
    return out;
}

// A length as Qt writes it: six significant digits, no trailing zeros.
std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value == 0 ? 0.0 : value);
    return text;
}

std::string ColorName(int32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb) & 0xFFFFFFu);
    return text;
}

// The declarations of a run's look, each led by a space; the background only where asked for.
void AppendCharStyle(std::string& out, const TRtfCharLook& look, bool background) {
    if (!look.FontName.empty()) {
        const std::string name = Utf8(look.FontName);
        const char* quote = name.find('\'') == std::string::npos ? "'" : "&quot;";
        out += " font-family:";
        out += quote;
        out += HtmlEscape(name);
        out += quote;
        out += ';';
    }
    out += " font-size:" + Number(look.PointSize) + "pt;";
    if (look.Bold) out += " font-weight:700;";
    if (look.Italic) out += " font-style:italic;";
    if (look.Underline || look.Strike) {
        out += " text-decoration:";
        if (look.Underline) out += " underline";
        if (look.Strike) out += " line-through";
        out += ';';
    }
    if (look.Foreground != RtfAutomaticColor) out += " color:" + ColorName(look.Foreground) + ';';
    if (background && look.Background != RtfAutomaticColor)
        out += " background-color:" + ColorName(look.Background) + ';';
    if (look.Vertical != 0) out += look.Vertical > 0 ? " vertical-align:super;" : " vertical-align:sub;";
}

// Paragraphs as they are read: the current one is written once it ends, since its look is the one
// it has at its end.
class THtmlSink final : public TRtfSink {
public:
    THtmlSink() {
        FHtml = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
                "<html><head><meta charset=\"utf-8\" /></head><body style=\" font-weight:400; font-style:normal;\">";
    }

    std::string Finish() {
        WriteParagraph();
        FHtml += "</body></html>";
        return std::move(FHtml);
    }

    bool TakeCharacter() override {
        if (Full()) return false;
        ++FCharacters;
        return true;
    }

    void AppendText(std::u16string_view text, const TRtfCharLook& look, const TRtfBlockLook& block) override {
        if (FFull || text.empty()) return;
        FBlock = block;
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            // As a document cursor takes them, these characters start a paragraph.
            const bool breaks = i < text.size() && (text[i] == u'\n' || text[i] == u'\r' || text[i] == u'\u2029');
            if (i < text.size() && !breaks) continue;
            AppendRun(text.substr(start, i - start), look);
            if (breaks && !StartParagraph(block, look)) return;
            start = i + 1;
        }
    }

    void EndParagraph(const TRtfBlockLook& block, const TRtfCharLook& look) override {
        if (FFull) return;
        FBlock = block;
        StartParagraph(block, look);
    }

    bool Full() const override { return FFull || FCharacters >= MaxIntroCharacters; }

private:
    void AppendRun(std::u16string_view text, const TRtfCharLook& look) {
        if (text.empty()) return;
        // Text of the look of the run before it goes on in the same span: each look has a style of its own.
        std::string style;
        AppendCharStyle(style, look, true);
        if (!FContent.empty() && style == FRunStyle) {
            FContent.resize(FContent.size() - 7);  // "</span>"
        } else {
            if (FRuns >= MaxIntroRuns) {
                FFull = true;
                return;
            }
            ++FRuns;
            FContent += "<span style=\"" + style + "\">";
            FRunStyle = std::move(style);
        }
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != u'\u2028') continue;
            FContent += HtmlEscape(Utf8(text.substr(start, i - start)));
            if (i < text.size()) FContent += "<br />";
            start = i + 1;
        }
        FContent += "</span>";
    }

    bool StartParagraph(const TRtfBlockLook& block, const TRtfCharLook& look) {
        if (FParagraphs >= MaxIntroParagraphs) {
            FFull = true;
            return false;
        }
        WriteParagraph();
        ++FParagraphs;
        FBlock = block;
        FEmptyStyle.clear();
        AppendCharStyle(FEmptyStyle, look, false);
        return true;
    }

    void WriteParagraph() {
        static constexpr std::string_view alignments[] = {"", " align=\"center\"", " align=\"right\"", " align=\"justify\""};
        FHtml += "\n<p";
        FHtml += alignments[static_cast<int>(FBlock.Alignment)];
        FHtml += " style=\"";
        if (FContent.empty()) FHtml += "-qt-paragraph-type:empty;";
        FHtml += " margin-top:" + Number(FBlock.TopMargin) + "px; margin-bottom:" + Number(FBlock.BottomMargin) +
                 "px; margin-left:" + Number(FBlock.LeftMargin) + "px; margin-right:" + Number(FBlock.RightMargin) +
                 "px; -qt-block-indent:0; text-indent:" + Number(FBlock.TextIndent) + "px;";
        // A paragraph without text shows its look only through its height.
        if (FContent.empty()) FHtml += FEmptyStyle;
        FHtml += "\">";
        FHtml += FContent.empty() ? std::string("<br />") : FContent;
        FHtml += "</p>";
        FContent.clear();
    }

    std::string FHtml;
    std::string FContent;     // the runs of the current paragraph
    std::string FEmptyStyle;  // the look the current paragraph started with, for when it stays empty
    TRtfBlockLook FBlock;
    std::string FRunStyle;    // of the last span of the paragraph
    int64_t FCharacters = 0;
    int32_t FParagraphs = 0;
    int32_t FRuns = 0;
    bool FFull = false;
};

}  // namespace

std::string IntroRtfToHtml(const std::string& rtf) {
    THtmlSink sink;
    ParseRtf(rtf, sink);
    return sink.Finish();
}

}  // namespace velmora

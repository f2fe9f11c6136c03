#pragma once
// A compact reader of rich text (RTF), enough for the catalogue's introduction: character formatting
// (bold, italic, underline, strike, size, colour, font), paragraph formatting (alignment, indents,
// spacing), the font and colour tables, code-page escapes and Unicode escapes. Destinations it does
// not show (style sheet, document info, pictures, every "\*" destination) are skipped whole. What it
// reads goes to a sink: the text view's document, or the web export's HTML.
//
// The reader never fails: it is iterative (no recursion), nests at most MaxRtfGroupDepth groups deep
// (deeper groups are counted, not stacked), tolerates unbalanced braces, truncated escapes and binary
// junk, and passes on whatever text it could read. It stops once the sink is full.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

constexpr int MaxRtfGroupDepth = 256;

enum class TRtfAlignment : uint8_t { Left, Center, Right, Justify };

inline constexpr int32_t RtfAutomaticColor = -1;

// How a run of text looks.
struct TRtfCharLook {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    int8_t Vertical = 0;     // -1 subscript, 1 superscript
    double PointSize = 12;
    int32_t Foreground = RtfAutomaticColor;  // 0xRRGGBB
    int32_t Background = RtfAutomaticColor;
    std::u16string_view FontName;  // trimmed; empty: none named. Valid until the sink returns.
};

// How a paragraph looks; lengths in pixels at 96 dpi.
struct TRtfBlockLook {
    TRtfAlignment Alignment = TRtfAlignment::Left;
    double LeftMargin = 0;
    double RightMargin = 0;
    double TextIndent = 0;  // of the first line, negative for a hanging indent
    double TopMargin = 0;
    double BottomMargin = 0;
};

class TRtfSink {
public:
    virtual ~TRtfSink() = default;
    // Room for one more character of text; false once the sink holds as many as it may.
    virtual bool TakeCharacter() = 0;
    // Text of the current paragraph in look; U+2028 is a line break within it.
    virtual void AppendText(std::u16string_view text, const TRtfCharLook& look, const TRtfBlockLook& block) = 0;
    // Ends the current paragraph with the look block; the next one starts with block and look.
    virtual void EndParagraph(const TRtfBlockLook& block, const TRtfCharLook& look) = 0;
    // True once the rest of the input is not worth reading.
    virtual bool Full() const = 0;
};

// Reads rtf (the file's bytes) into sink.
void ParseRtf(std::string_view rtf, TRtfSink& sink);

}  // namespace velmora

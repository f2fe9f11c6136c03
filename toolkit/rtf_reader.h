#pragma once
// A compact reader of rich text (RTF) into a QTextDocument, enough for the catalogue's introduction:
// character formatting (bold, italic, underline, strike, size, colour, font), paragraph formatting
// (alignment, indents, spacing), the font and colour tables, code-page escapes and Unicode escapes.
// Destinations it does not show (style sheet, document info, pictures, every "\*" destination) are
// skipped whole.
//
// The reader never fails: it is iterative (no recursion), nests at most MaxRtfGroupDepth groups deep
// (deeper groups are counted, not stacked), tolerates unbalanced braces, truncated escapes and binary
// junk, and shows whatever text it could read. The document stays within the bounds of
// TRichTextWriter: past them the reader stops, keeping what it has read.
#include <string>

class QTextDocument;

namespace velmora {

constexpr int MaxRtfGroupDepth = 256;

// Replaces the content of document with the rich text in rtf (the file's bytes).
void ReadRtf(const std::string& rtf, QTextDocument& document);

}  // namespace velmora

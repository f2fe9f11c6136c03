#pragma once
// The introduction's rich text (RTF) read into a QTextDocument for the text view: the parser of
// text/rtf_parser.h writing through TRichTextWriter, whose bounds keep Qt's layout quick. Past them
// the reader stops, keeping what it has read.
#include <string>

class QTextDocument;

namespace velmora {

// Replaces the content of document with the rich text in rtf (the file's bytes).
void ReadRtf(const std::string& rtf, QTextDocument& document);

}  // namespace velmora

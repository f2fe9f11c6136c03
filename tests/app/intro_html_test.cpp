// The export's introduction against what the text view's document gives for the same rich text:
// once cleaned, both must be the same HTML. Runs without an application object, as the export does.
#include "app/intro_html.h"

#include <QTextDocument>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "app/html_text.h"
#include "toolkit/rtf_reader.h"

namespace velmora {
namespace {

std::string ThroughDocument(const std::string& rtf) {
    QTextDocument document;
    ReadRtf(rtf, document);
    return CleanRichTextHtml(document.toHtml().toStdString());
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(IntroHtml, CleansToWhatTheDocumentGives) {
    const std::string header = R"({\rtf1\ansi\ansicpg1250\deff0{\fonttbl{\f0\fswiss\fcharset238 Tahoma;}{\f1 Times New Roman;}{\f2\fcharset204 Arial Cyr;}{\f3 O'Brien & <Co>;}}{\colortbl ;\red80\green99\blue139;\red255\green0\blue0;})";
    const char* const bodies[] = {
        "",
        R"(\pard plain text\par)",
        R"(\pard\qc\sb120\sa240\li320\ri160\fi-200\f1\fs40\b\cf1 Title\b0\par\pard\qj\f0\fs22 body \i italic\i0  and \ul under\ulnone , \strike struck\strike0\par)",
        R"(\pard\qr\cf2\cb1 coloured \highlight2 marked\par\par\par last)",
        R"(\pard \'a5\'b9\'ea\f2 \'c0\'e1\f0  \u322?\u8364? \u-4064? \~\_\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote)",
        R"(\pard line\line break\tab tab\cell cell\row next\sect \page end)",
        R"(\pard x\super 2\nosupersub  H\sub 2\sub0 O \f3 quote\f0  <script>alert(1)</script> & "q"\par)",
        R"({\b bold {\i both} bold}\plain plain\par{\*\unknown hidden}{\stylesheet{x}}shown\par)",
        R"(\pard\fs0 zero \fs7 odd \fs3276 huge\par\fs24\par)",
        R"(\u10?a\u13?b\u8233?c\par)",
    };
    for (const char* body : bodies) {
        const std::string rtf = header + body + "}";
        EXPECT_EQ(CleanRichTextHtml(IntroRtfToHtml(rtf)), ThroughDocument(rtf)) << body;
    }
    const std::string sources[] = {std::string(VELMORA_DEMO_DIR) + "/opis.rtf",
                                   std::string(VELMORA_TEST_SOURCE_DIR) + "/tests/toolkit/data/intro_cp1250.rtf"};
    for (const std::string& path : sources) {
        const std::string rtf = FileBytes(path);
        ASSERT_FALSE(rtf.empty()) << path;
        EXPECT_EQ(CleanRichTextHtml(IntroRtfToHtml(rtf)), ThroughDocument(rtf)) << path;
    }
}

// Runs alternating without end and paragraphs without end stop at the bounds, not at memory's end.
TEST(IntroHtml, StaysBounded) {
    std::string runs = "{\\rtf1 ";
    for (int i = 0; i < 200000; ++i) runs += "\\b a\\b0 b";
    std::string paragraphs = "{\\rtf1 ";
    for (int i = 0; i < 300000; ++i) paragraphs += "\\par ";
    const std::string manyRuns = IntroRtfToHtml(runs);
    const std::string manyParagraphs = IntroRtfToHtml(paragraphs);
    EXPECT_LT(manyRuns.size(), size_t(8) << 20);
    EXPECT_LT(manyParagraphs.size(), size_t(40) << 20);
    size_t spans = 0;
    for (size_t at = manyRuns.find("<span"); at != std::string::npos; at = manyRuns.find("<span", at + 1)) ++spans;
    EXPECT_EQ(spans, static_cast<size_t>(MaxIntroRuns));
    size_t blocks = 0;
    for (size_t at = manyParagraphs.find("<p"); at != std::string::npos; at = manyParagraphs.find("<p", at + 1)) ++blocks;
    EXPECT_EQ(blocks, static_cast<size_t>(MaxIntroParagraphs) + 1);
}

}  // namespace
}  // namespace velmora

// The introduction's reader on arbitrary bytes into a QTextDocument, laid out at the window's width,
// and into the web export's HTML, which must clean to a close of every element it opens. Each input has a time bound: reading and laying out a few kilobytes that takes longer is a finding,
// which is how a quadratic case shows.
#include <QTextDocument>

#include <chrono>
#include <string>

#include "app/html_text.h"
#include "app/intro_html.h"
#include "tests/fuzz/fuzz_targets.h"
#include "toolkit/rtf_reader.h"

namespace velmora::fuzz {

namespace {

// Generous for a sanitizer build on a busy machine; a real introduction takes milliseconds.
constexpr auto RtfTimeBound = std::chrono::seconds(3);

}  // namespace

void FuzzRtf(const uint8_t* data, size_t size) {
    const auto start = std::chrono::steady_clock::now();
    const std::string rtf(reinterpret_cast<const char*>(data), size);
    const std::string html = CleanRichTextHtml(IntroRtfToHtml(rtf));
    Check(html.ends_with("</p></div>"), "the introduction's HTML does not end its last paragraph");
    QTextDocument document;
    ReadRtf(rtf, document);
    document.setTextWidth(760);
    document.size();  // lays the whole document out
    const auto spent = std::chrono::steady_clock::now() - start;
    Check(spent < RtfTimeBound,
          "reading, writing as HTML and laying out " + std::to_string(size) + " bytes took " +
              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(spent).count()) + " ms");
}

}  // namespace velmora::fuzz

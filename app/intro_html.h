#pragma once
// The introduction's rich text as HTML for the web export, read by the program's own RTF reader and
// written in the markup Qt's rich-text documents use (paragraphs with their margins, a span of
// styles per run), so the cleaner of html_text.h takes it as it takes Qt's. Needs no Qt at all:
// --export-html runs without loading the window's libraries.
//
// The HTML is bounded as the text view's document is: past MaxIntroCharacters characters,
// MaxIntroParagraphs paragraphs or MaxIntroRuns runs the rest of the introduction is left out.
#include <cstdint>
#include <string>

namespace velmora {

inline constexpr int64_t MaxIntroCharacters = int64_t(4) << 20;
inline constexpr int32_t MaxIntroParagraphs = 100000;
inline constexpr int32_t MaxIntroRuns = 50000;

std::string IntroRtfToHtml(const std::string& rtf);

}  // namespace velmora

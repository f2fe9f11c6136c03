#pragma once
// The introduction's rich text as HTML for the web export: read by the program's own RTF reader, as
// the menu's text view shows it, and written out by Qt. Needs no application object or display.
#include <string>

namespace velmora {

std::string IntroRtfToHtml(const std::string& rtf);

}  // namespace velmora

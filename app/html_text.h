#pragma once
// Text on its way into the web export's HTML: escaping, file names a URL can carry as they are, and
// the introduction's rich text cut down to a subset that can do nothing but show text.
//
// Everything here takes and gives UTF-8. The cleaner knows nothing of where its input came from: a
// hostile document loses every tag, attribute and style it does not list, and its text comes out
// escaped afresh, so nothing of it runs or reaches outside the element it is put in.
#include <string>
#include <string_view>

namespace velmora {

// Text for an element's content or a quoted attribute value: & < > " ' as character references.
std::string HtmlEscape(std::string_view utf8);

// A file name that URLs and every file system take as it is: letters, digits, "-", "_" and "." stay
// (a leading "." does not), every other byte becomes "~" and two hexadecimal digits. Different names
// give different results, so no two files of the site can meet.
std::string UrlSafeName(std::string_view utf8);

// HTML of rich text (as Qt writes a document) reduced to paragraphs, line breaks, lists, tables and
// spans, with only the styles that set fonts, colours, alignment, indents and spacing. Lengths in
// pixels and points become multiples of the stage's pixel, the CSS variable --u, so the text scales
// with the stage. Comments, head, scripts, styles, links, pictures, forms and every event handler are
// dropped; the elements left are closed in order, so the text stays inside its container.
std::string CleanRichTextHtml(std::string_view html);

}  // namespace velmora

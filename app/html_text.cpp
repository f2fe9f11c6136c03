#include "app/html_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/code_page_1250.h"

namespace velmora {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Character references resolved, so the text can be escaped afresh; an unknown one stays as written.
std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        const size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += text[i++];
            continue;
        }
        const std::string_view name = text.substr(i + 1, semi - i - 1);
        uint32_t cp = 0;
        bool known = true;
        if (name == "amp") cp = '&';
        else if (name == "lt") cp = '<';
        else if (name == "gt") cp = '>';
        else if (name == "quot") cp = '"';
        else if (name == "apos") cp = '\'';
        else if (name == "nbsp") cp = 0xA0;
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            known = !digits.empty();
            for (char c : digits) {
                const int d = c >= '0' && c <= '9' ? c - '0'
                              : hex && Lower(c) >= 'a' && Lower(c) <= 'f' ? Lower(c) - 'a' + 10
                                                                          : -1;
                if (d < 0) known = false;
                if (!known) break;
                cp = std::min<uint32_t>(cp * (hex ? 16 : 10) + static_cast<uint32_t>(d), 0x110000);
            }
        } else {
            known = false;
        }
        if (!known) {
            out += text[i++];
            continue;
        }
        AppendUtf8(out, cp == 0 ? 0xFFFD : cp);
        i = semi + 1;
    }
    return out;
}

// --- styles ---------------------------------------------------------------------------------------

constexpr std::array<std::string_view, 17> StyleProperties = {
    "color",       "background-color", "font-family", "font-size",    "font-weight",   "font-style",
    "text-decoration", "text-align",   "text-indent", "margin-top",   "margin-bottom", "margin-left",
    "margin-right", "line-height",     "vertical-align", "white-space", "list-style-type",
};

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

// One word of a value: a length in px or pt becomes stage pixels, anything else stays as it is.
std::string ScaledLength(std::string_view word) {
    const bool px = word.ends_with("px"), pt = word.ends_with("pt");
    if (!px && !pt) return std::string(word);
    const std::string_view number = word.substr(0, word.size() - 2);
    if (number.empty() || !std::all_of(number.begin(), number.end(), IsNumberChar)) return std::string(word);
    std::string out = "calc(";
    out += number;
    out += pt ? " * 4 / 3 * var(--u))" : " * var(--u))";
    return out;
}

// The declarations of a style attribute that only set how text looks; empty when none is left.
std::string CleanStyle(std::string_view style) {
    std::string out;
    size_t start = 0;
    while (start <= style.size()) {
        const size_t end = std::min(style.find(';', start), style.size());
        const std::string_view declaration = style.substr(start, end - start);
        start = end + 1;
        const size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string property = Lowered(Trim(declaration.substr(0, colon)));
        const std::string_view value = Trim(declaration.substr(colon + 1));
        if (value.empty() ||
            std::find(StyleProperties.begin(), StyleProperties.end(), property) == StyleProperties.end())
            continue;
        // No function, escape, comment or quote of another kind: nothing that could fetch or run.
        const bool plain = std::all_of(value.begin(), value.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                   c == '#' || c == '%' || c == '.' || c == ',' || c == '-' || c == '\'' ||
                   static_cast<unsigned char>(c) >= 0x80;
        });
        if (!plain) continue;
        std::string cleaned;
        for (size_t w = 0; w < value.size();) {
            size_t e = value.find(' ', w);
            if (e == std::string_view::npos) e = value.size();
            if (!cleaned.empty()) cleaned += ' ';
            cleaned += ScaledLength(value.substr(w, e - w));
            w = e + 1;
        }
        out += property;
        out += ':';
        out += cleaned;
        out += ';';
    }
    return out;
}

// --- elements -------------------------------------------------------------------------------------

struct TElementRule {
    std::string_view Name;
    std::string_view WrittenAs;
    bool Void;
};

constexpr TElementRule KeptElements[] = {
    {"body", "div", false}, {"div", "div", false},     {"p", "p", false},       {"span", "span", false},
    {"br", "br", true},     {"hr", "hr", true},        {"b", "b", false},       {"strong", "strong", false},
    {"i", "i", false},      {"em", "em", false},       {"u", "u", false},       {"s", "s", false},
    {"sub", "sub", false},  {"sup", "sup", false},     {"ul", "ul", false},     {"ol", "ol", false},
    {"li", "li", false},    {"h1", "h1", false},       {"h2", "h2", false},     {"h3", "h3", false},
    {"h4", "h4", false},    {"h5", "h5", false},       {"h6", "h6", false},     {"pre", "pre", false},
    {"table", "table", false}, {"tbody", "tbody", false}, {"thead", "thead", false}, {"tr", "tr", false},
    {"td", "td", false},    {"th", "th", false},       {"blockquote", "blockquote", false},
};

// Elements dropped with everything inside them.
constexpr std::string_view DroppedWhole[] = {"head",   "script", "style",    "title", "textarea", "xmp",
                                             "iframe", "object", "noscript", "template", "svg", "math",
                                             "select", "noembed", "noframes", "plaintext"};

const TElementRule* FindRule(std::string_view name) {
    for (const TElementRule& rule : KeptElements)
        if (rule.Name == name) return &rule;
    return nullptr;
}

struct TTag {
    bool Closing = false;
    std::string Name;  // lower case
    std::string Style;
    std::string Align;
    size_t End = 0;    // just past the ">"
};

// The tag starting at text[at] == '<', or false when it does not end.
bool ParseTag(std::string_view text, size_t at, TTag& tag) {
    size_t i = at + 1;
    if (i < text.size() && text[i] == '/') {
        tag.Closing = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < text.size() && ((text[i] >= 'a' && text[i] <= 'z') || (text[i] >= 'A' && text[i] <= 'Z') ||
                               (text[i] >= '0' && text[i] <= '9')))
        ++i;
    tag.Name = Lowered(text.substr(nameStart, i - nameStart));
    while (i < text.size() && text[i] != '>') {
        if (IsSpace(text[i]) || text[i] == '/') {
            ++i;
            continue;
        }
        const size_t attrStart = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>' && text[i] != '/') ++i;
        const std::string attr = Lowered(text.substr(attrStart, i - attrStart));
        if (i == attrStart) ++i;  // a stray character
        while (i < text.size() && IsSpace(text[i])) ++i;
        std::string value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && IsSpace(text[i])) ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const size_t close = text.find(quote, i);
                if (close == std::string_view::npos) return false;
                value = text.substr(i, close - i);
                i = close + 1;
            } else {
                const size_t valueStart = i;
                while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') ++i;
                value = text.substr(valueStart, i - valueStart);
            }
        }
        if (attr == "style") tag.Style = DecodeEntities(value);
        if (attr == "align") tag.Align = Lowered(Trim(value));
    }
    if (i >= text.size()) return false;
    tag.End = i + 1;
    return true;
}

// Where the element named name that is open at "from" ends: just past its closing tag, or the end.
size_t SkipElement(const std::string& lower, size_t from, std::string_view name) {
    const std::string closing = "</" + std::string(name);
    for (size_t at = lower.find(closing, from); at != std::string::npos; at = lower.find(closing, at + 1)) {
        const size_t after = at + closing.size();
        if (after < lower.size() && (lower[after] == '>' || IsSpace(lower[after]) || lower[after] == '/')) {
            const size_t gt = lower.find('>', after);
            return gt == std::string::npos ? lower.size() : gt + 1;
        }
    }
    return lower.size();
}

}  // namespace

std::string HtmlEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c; break;
        }
    }
    return out;
}

std::string UrlSafeName(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || (c == '.' && i > 0);
        if (kept) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "~%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string CleanRichTextHtml(std::string_view html) {
    std::string out;
    std::vector<const TElementRule*> open;
    const std::string lower = Lowered(html);
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (size_t i = 0; i < html.size();) {
        // A "<" that starts no tag is text, as a browser reads it.
        const bool tagStart = html[i] == '<' && i + 1 < html.size() &&
                              (letter(html[i + 1]) || html[i + 1] == '/' || html[i + 1] == '!' || html[i + 1] == '?');
        if (!tagStart) {
            const size_t next = std::min(html.find('<', i + 1), html.size());
            out += HtmlEscape(DecodeEntities(html.substr(i, next - i)));
            i = next;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (i + 1 < html.size() && (html[i + 1] == '!' || html[i + 1] == '?')) {
            const size_t end = html.find('>', i);
            i = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        TTag tag;
        if (!ParseTag(html, i, tag)) break;  // a tag that never ends: the rest is not text
        i = tag.End;
        if (tag.Name.empty()) continue;
        if (!tag.Closing &&
            std::find(std::begin(DroppedWhole), std::end(DroppedWhole), tag.Name) != std::end(DroppedWhole)) {
            i = SkipElement(lower, i, tag.Name);
            continue;
        }
        const TElementRule* rule = FindRule(tag.Name);
        if (rule == nullptr) continue;  // the tag goes, its text stays
        if (tag.Closing) {
            // Closes the innermost open element of that name and those inside it; nothing else.
            const auto found = std::find(open.rbegin(), open.rend(), rule);
            if (found == open.rend()) continue;
            const auto keep = static_cast<size_t>(open.rend() - found) - 1;
            while (open.size() > keep) {
                out += "</";
                out += open.back()->WrittenAs;
                out += '>';
                open.pop_back();
            }
            continue;
        }
        out += '<';
        out += rule->WrittenAs;
        if (const std::string style = CleanStyle(tag.Style); !style.empty()) {
            out += " style=\"";
            out += HtmlEscape(style);
            out += '"';
        }
        if (tag.Align == "left" || tag.Align == "right" || tag.Align == "center" || tag.Align == "justify") {
            out += " align=\"";
            out += tag.Align;
            out += '"';
        }
        out += '>';
        if (!rule->Void) open.push_back(rule);
    }
    while (!open.empty()) {
        out += "</";
        out += open.back()->WrittenAs;
        out += '>';
        open.pop_back();
    }
    return out;
}

}  // namespace velmora

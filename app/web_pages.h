#pragma once
// The pages of the web export, written from a plan of what the site shows: the menu (index.html),
// the index (spis.html) and one page per item of a page (p_N_M.html), with the style sheet and the
// script they share. The stage keeps the main window's geometry in stage pixels; the style sheet
// makes one stage pixel the CSS variable --u, the largest that fits the browser's window, so the
// stage scales keeping its aspect. Texts in the plan are UTF-8 and are escaped here; file names in
// it are already safe for URLs.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct TWebPicture {
    std::string Href;  // empty: no picture
    int32_t Width = 0;
    int32_t Height = 0;
};

// A hotspot whose sign picture exists, as a link over the item picture.
struct TWebHotspot {
    int32_t Left = 0;  // the area a click hits, in item-picture pixels
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TWebPicture Sign;       // at the size the preview shows it
    std::string Caption;    // UTF-8
};

struct TWebItem {
    int32_t Item = 0;
    std::string File;     // "p_N_M.html"
    TWebPicture Picture;  // empty when the item has none to show
    std::vector<TWebHotspot> Hotspots;  // bottom one first
    std::string Previous;  // the pages the item links lead to
    std::string Next;
    std::string Counter;  // "M / N"
};

struct TWebPage {
    int32_t Page = 0;
    TWebPicture Picture;
    std::vector<TWebItem> Items;  // by item number
};

inline constexpr int32_t WebChapterCount = 10;

struct TWebSite {
    std::string PublisherUrl;
    TWebPicture MenuPicture;
    TWebPicture IndexPicture;
    bool HasIndex = false;  // spis.html is written
    std::string IntroHtml;  // already cleaned; empty: no introduction
    // What chapter n leads to (index n - 1), empty where the page is not shown.
    std::array<std::string, WebChapterCount> Chapters;
    std::vector<TWebPage> Pages;
};

// The size the preview shows a sign picture at: its own inside 804 x 591, otherwise shrunk to fit
// keeping its proportions, as the preview's image view places it.
TWebPicture FitIntoPreview(std::string href, int32_t width, int32_t height);

std::string MenuPageHtml(const TWebSite& site);
std::string IndexPageHtml(const TWebSite& site);
std::string ItemPageHtml(const TWebSite& site, const TWebPage& page, const TWebItem& item);
std::string SiteStyleSheet();
std::string SiteScript();

inline constexpr char SiteStyleSheetFile[] = "site.css";
inline constexpr char SiteScriptFile[] = "site.js";

}  // namespace velmora

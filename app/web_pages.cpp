#include "app/web_pages.h"

#include <algorithm>

#include "app/html_text.h"
#include "core/rounding.h"

namespace velmora {

namespace {

// The preview's picture area, in which a sign is shown whole.
constexpr int32_t PreviewWidth = 804;
constexpr int32_t PreviewHeight = 591;

std::string Num(int64_t n) { return std::to_string(n); }

// The element's place on the stage, in stage pixels, for the style sheet's ".at".
std::string Area(int32_t x, int32_t y, int32_t w, int32_t h) {
    return " style=\"--x:" + Num(x) + ";--y:" + Num(y) + ";--w:" + Num(w) + ";--h:" + Num(h) + "\"";
}

enum class TScreen : uint8_t { Menu, Index, Page };

// The link areas of the stage, in the order the main window lays them, so later ones lie above.
struct TStageLink {
    int32_t X, Y, W, H;
    int32_t Chapter;  // 1 .. 10, or 0
    const char* Role;  // for the script's keys; nullptr for a chapter
    const char* Label;
};

constexpr TStageLink ColumnLinks[] = {
    {0, 597, 243, 65, 0, "close", "Zako\xC5\x84\x63z"},
    {0, 176, 243, 31, 1, nullptr, nullptr},
    {0, 100, 243, 65, 0, "index", "Spis tre\xC5\x9B\x63i"},
    {0, 248, 243, 49, 3, nullptr, nullptr},
    {0, 307, 243, 48, 4, nullptr, nullptr},
    {0, 360, 243, 31, 5, nullptr, nullptr},
    {0, 400, 243, 49, 6, nullptr, nullptr},
    {0, 456, 243, 31, 7, nullptr, nullptr},
    {0, 488, 243, 31, 8, nullptr, nullptr},
    {0, 528, 243, 31, 9, nullptr, nullptr},
    {0, 560, 243, 31, 10, nullptr, nullptr},
    {0, 211, 243, 31, 2, nullptr, nullptr},
};

std::string Head() {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"pl\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        // Nothing but the site's own files and no inline script: whatever text got in could neither run
        // nor fetch. "file:" for browsers that do not count a local file as the page's own origin.
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'self' file:; "
        "style-src 'self' 'unsafe-inline' file:; img-src 'self' file:\">\n"
        "<title>Velmora - Holvenor</title>\n<link rel=\"stylesheet\" href=\"";
    out += SiteStyleSheetFile;
    out += "\">\n<script src=\"";
    out += SiteScriptFile;
    out += "\" defer></script>\n</head>\n";
    return out;
}

std::string StagePicture(const TWebPicture& picture) {
    if (picture.Href.empty()) return {};
    return "<img class=\"stage-picture at\" src=\"" + HtmlEscape(picture.Href) + "\" alt=\"\"" +
           Area(0, 0, picture.Width, picture.Height) + ">\n";
}

std::string ChapterLabel(int32_t chapter) { return "Rozdzia\xC5\x82 " + Num(chapter); }

// The web link, the chapter column, the index and close links: on every screen alike.
std::string ColumnHtml(const TWebSite& site) {
    std::string out = "<a class=\"link at\" href=\"" + HtmlEscape(site.PublisherUrl) +
                      "\" target=\"_blank\" rel=\"noopener noreferrer\" aria-label=\"Holvenor\"" +
                      Area(0, 593, 241, 89) + "></a>\n";
    for (const TStageLink& link : ColumnLinks) {
        std::string href;
        if (link.Chapter > 0) href = site.Chapters[static_cast<size_t>(link.Chapter - 1)];
        else if (std::string_view(link.Role) == "index") href = site.HasIndex ? "spis.html" : "";
        else href = "index.html";  // the close link ends the reading where it began
        if (href.empty()) continue;
        out += "<a class=\"link at\" href=\"" + HtmlEscape(href) + "\"";
        if (link.Chapter > 0) out += " data-chapter=\"" + Num(link.Chapter) + "\" aria-label=\"" + ChapterLabel(link.Chapter) + "\"";
        else out += std::string(" data-role=\"") + link.Role + "\" aria-label=\"" + link.Label + "\"";
        out += Area(link.X, link.Y, link.W, link.H) + "></a>\n";
    }
    return out;
}

std::string Page(TScreen screen, const std::string& stage) {
    std::string out = Head();
    out += screen == TScreen::Menu ? "<body class=\"menu\">\n" : screen == TScreen::Index ? "<body class=\"index\">\n"
                                                                                          : "<body class=\"page\">\n";
    out += "<main class=\"stage\">\n";
    out += stage;
    out += "</main>\n";
    return out;
}

std::string Preview() {
    return "<dialog class=\"preview\" aria-label=\"Znak\">\n"
           "<div class=\"preview-picture\"><img alt=\"\"></div>\n"
           "<div class=\"preview-band\"><p class=\"preview-caption\"></p>"
           "<button type=\"button\" class=\"preview-close\" aria-label=\"Zamknij\">\xC3\x97</button></div>\n"
           "</dialog>\n";
}

}  // namespace

TWebPicture FitIntoPreview(std::string href, int32_t width, int32_t height) {
    TWebPicture fitted{std::move(href), width, height};
    if (width <= 0 || height <= 0 || (width <= PreviewWidth && height <= PreviewHeight)) return fitted;
    const float sx = static_cast<float>(static_cast<long double>(PreviewWidth) / width);
    const float sy = static_cast<float>(static_cast<long double>(PreviewHeight) / height);
    if (sx >= sy) {
        fitted.Width = NearestInt(width * static_cast<long double>(sy));
        fitted.Height = PreviewHeight;
    } else {
        fitted.Width = PreviewWidth;
        fitted.Height = NearestInt(height * static_cast<long double>(sx));
    }
    return fitted;
}

std::string MenuPageHtml(const TWebSite& site) {
    std::string stage = StagePicture(site.MenuPicture) + ColumnHtml(site);
    if (!site.IntroHtml.empty()) stage += "<div class=\"opis at\"" + Area(272, 105, 730, 625) + ">" + site.IntroHtml + "</div>\n";
    return Page(TScreen::Menu, stage) + "</body>\n</html>\n";
}

std::string IndexPageHtml(const TWebSite& site) {
    std::string stage = StagePicture(site.IndexPicture) + ColumnHtml(site);
    // In the main window's order: 1, 10, 2 .. 9.
    for (const int32_t n : {1, 10, 2, 3, 4, 5, 6, 7, 8, 9}) {
        const std::string& href = site.Chapters[static_cast<size_t>(n - 1)];
        if (href.empty()) continue;
        stage += "<a class=\"link at\" href=\"" + HtmlEscape(href) + "\" aria-label=\"" + ChapterLabel(n) + "\"" +
                 Area(274, 166 + 48 * (n - 1), 463, 51) + "></a>\n";
    }
    return Page(TScreen::Index, stage) + "</body>\n</html>\n";
}

std::string ItemPageHtml(const TWebSite& site, const TWebPage& page, const TWebItem& item) {
    std::string stage = StagePicture(page.Picture) + ColumnHtml(site);
    stage += "<div class=\"counter at\"" + Area(506, 729, 249, 37) + ">" + HtmlEscape(item.Counter) + "</div>\n";
    stage += "<a class=\"link item-link at\" id=\"next\" href=\"" + HtmlEscape(item.Next) +
             "\" aria-label=\"nast\xC4\x99pna\"" + Area(775, 729, 249, 37) + "></a>\n";
    stage += "<a class=\"link item-link at\" id=\"previous\" href=\"" + HtmlEscape(item.Previous) +
             "\" aria-label=\"poprzednia\"" + Area(244, 729, 249, 37) + "></a>\n";
    stage += "<div class=\"item-view at\"" + Area(244, 78, 780, 651) + ">";
    if (!item.Picture.Href.empty()) {
        stage += "<div class=\"item\"" + Area(0, 0, item.Picture.Width, item.Picture.Height) + "><img src=\"" +
                 HtmlEscape(item.Picture.Href) + "\" alt=\"\"" + Area(0, 0, item.Picture.Width, item.Picture.Height) +
                 ">\n";
        for (const TWebHotspot& h : item.Hotspots) {
            const std::string caption = HtmlEscape(h.Caption);
            stage += "<a class=\"hotspot at\" href=\"" + HtmlEscape(h.Sign.Href) + "\"" +
                     Area(h.Left, h.Top, h.Width, h.Height) + " data-w=\"" + Num(h.Sign.Width) + "\" data-h=\"" +
                     Num(h.Sign.Height) + "\" data-caption=\"" + caption + "\"";
            if (!caption.empty()) stage += " title=\"" + caption + "\" aria-label=\"" + caption + "\"";
            else stage += " aria-label=\"znak\"";
            stage += "></a>\n";
        }
        stage += "</div>";
    }
    stage += "</div>\n";
    return Page(TScreen::Page, stage) + Preview() + "</body>\n</html>\n";
}

std::string SiteStyleSheet() {
    return R"css(/* One stage pixel: the stage of 1024 x 768 at the largest size the window holds. */
:root { --u: calc(min(100vw, 100vh * 1024 / 768) / 1024); }
html, body { margin: 0; width: 100%; height: 100%; overflow: hidden; background: #000; }
body { font-family: Tahoma, "DejaVu Sans", Verdana, sans-serif; }
.stage {
  position: absolute; overflow: hidden; background: #000;
  left: calc((100vw - 1024 * var(--u)) / 2); top: calc((100vh - 768 * var(--u)) / 2);
  width: calc(1024 * var(--u)); height: calc(768 * var(--u));
  font-size: calc(11 * var(--u));
}
.at {
  position: absolute; box-sizing: border-box;
  left: calc(var(--x) * var(--u)); top: calc(var(--y) * var(--u));
  width: calc(var(--w) * var(--u)); height: calc(var(--h) * var(--u));
}
.stage-picture { display: block; }
a.link { display: block; cursor: pointer; }
/* The main window frames the link under the pointer: dark blue-grey, light grey for the item links. */
a.link:hover, a.link:focus-visible { outline: calc(1 * var(--u)) solid #50648c; outline-offset: calc(-1 * var(--u)); }
a.item-link:hover, a.item-link:focus-visible { outline-color: #d9dadc; }
.counter {
  display: flex; align-items: center; justify-content: center; color: #fff;
  font-family: Verdana, "DejaVu Sans", sans-serif; font-size: calc(19 * var(--u)); cursor: default;
}
.opis { background: #fff; overflow: auto; color: #000; }
.opis p { margin: 0; white-space: pre-wrap; }
.item-view { overflow: auto; background: #f0f0f0; scrollbar-color: #50638b #d9dadc; }
.item { position: relative; overflow: hidden; width: calc(var(--w) * var(--u)); height: calc(var(--h) * var(--u)); }
.item img { display: block; position: absolute; left: 0; top: 0; width: calc(var(--w) * var(--u)); height: calc(var(--h) * var(--u)); }
a.hotspot { display: block; cursor: pointer; }
a.hotspot:focus-visible { outline: calc(2 * var(--u)) dashed #50648c; outline-offset: 0; }
dialog.preview {
  padding: 0; border: 0; margin: auto; overflow: hidden; background: #fff;
  max-width: none; max-height: none; box-sizing: border-box;
  width: calc(806 * var(--u)); height: calc(657 * var(--u));
  font-family: Tahoma, "DejaVu Sans", Verdana, sans-serif;
}
dialog.preview::backdrop { background: transparent; }
dialog.preview::before {
  content: ""; position: absolute; inset: 0; pointer-events: none;
  border: calc(1 * var(--u)) solid #000;
}
.preview-picture {
  position: absolute; left: calc(1 * var(--u)); top: calc(1 * var(--u));
  width: calc(804 * var(--u)); height: calc(591 * var(--u));
  display: flex; align-items: center; justify-content: center;
}
.preview-picture img { display: block; width: calc(var(--w) * var(--u)); height: calc(var(--h) * var(--u)); }
.preview-band {
  position: absolute; left: 0; top: calc(592 * var(--u)); width: calc(806 * var(--u)); height: calc(65 * var(--u));
  box-sizing: border-box; border: calc(1 * var(--u)) solid #000; background: #50638b;
}
.preview-caption {
  position: absolute; margin: 0; left: calc(9 * var(--u)); top: calc(5 * var(--u));
  width: calc(785 * var(--u)); height: calc(51 * var(--u)); overflow: hidden;
  color: #fff; font-weight: bold; font-size: calc(11 * var(--u)); text-align: center;
}
.preview-close {
  position: absolute; right: calc(2 * var(--u)); top: calc(2 * var(--u));
  width: calc(18 * var(--u)); height: calc(18 * var(--u)); padding: 0; border: 0;
  background: transparent; color: #fff; font-size: calc(16 * var(--u)); line-height: 1; cursor: pointer;
}
)css";
}

std::string SiteScript() {
    return R"js(// The reader's keys and the sign preview, as in the desktop program.
"use strict";
(function () {
  const preview = document.querySelector("dialog.preview");
  const hotspots = Array.from(document.querySelectorAll("a.hotspot"));
  let shown = -1;

  function show(i) {
    const spot = hotspots[i];
    const img = preview.querySelector("img");
    shown = i;
    img.src = spot.getAttribute("href");
    img.style.setProperty("--w", spot.dataset.w);
    img.style.setProperty("--h", spot.dataset.h);
    // As text: a caption never becomes markup.
    preview.querySelector(".preview-caption").textContent = spot.dataset.caption;
    if (!preview.open) preview.showModal();
  }

  if (preview) {
    hotspots.forEach(function (spot, i) {
      spot.addEventListener("click", function (e) { e.preventDefault(); show(i); });
      spot.addEventListener("keydown", function (e) {
        if (e.key === " ") { e.preventDefault(); show(i); }
      });
    });
    preview.querySelector(".preview-picture").addEventListener("click", function () { preview.close(); });
    preview.querySelector(".preview-close").addEventListener("click", function () { preview.close(); });
    preview.addEventListener("keydown", function (e) {
      if (e.altKey || e.ctrlKey || e.metaKey || e.shiftKey) return;
      if (e.key === "Enter" || e.key === " ") { e.preventDefault(); preview.close(); }
      else if ((e.key === "ArrowLeft" || e.key === "ArrowRight") && hotspots.length > 0) {
        e.preventDefault();
        const step = e.key === "ArrowRight" ? 1 : hotspots.length - 1;
        show((shown + step) % hotspots.length);
      }
    });
  }

  function follow(selector) {
    const link = document.querySelector(selector);
    if (!link) return false;
    window.location.href = link.href;
    return true;
  }

  document.addEventListener("keydown", function (e) {
    if ((preview && preview.open) || e.altKey || e.ctrlKey || e.metaKey || e.shiftKey) return;
    const page = document.body.classList.contains("page");
    let done = false;
    switch (e.key) {
      case "ArrowRight": case "PageDown": done = page && follow("#next"); break;
      case "ArrowLeft": case "PageUp": done = page && follow("#previous"); break;
      case "Home": done = follow("a[data-role=index]"); break;
      case "Escape": done = page && follow("a[data-role=index]"); break;
      default:
        if (e.key.length === 1 && e.key >= "0" && e.key <= "9")
          done = follow("a[data-chapter=\"" + (e.key === "0" ? 10 : e.key) + "\"]");
    }
    if (done) e.preventDefault();
  });
})();
)js";
}

}  // namespace velmora

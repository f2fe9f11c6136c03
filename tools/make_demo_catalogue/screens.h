#pragma once
// The stage pictures (1024 x 768) of the menu, the index and the chapter pages. Everything the
// program's transparent link areas lie over is drawn here, so the areas below must match the main
// window's controls pixel for pixel.
#include <QImage>
#include <QRect>
#include <span>

namespace velmora::demo {

constexpr int StageWidth = 1024;
constexpr int StageHeight = 768;

struct ChapterLink {
    int Chapter;  // the link's tag
    QRect Rect;
};

// The chapter column from top to bottom.
std::span<const ChapterLink> ChapterLinks();

// Other link areas of the stage.
inline const QRect IndexLinkRect(0, 100, 243, 65);
inline const QRect CloseLinkRect(0, 597, 243, 65);
inline const QRect WebLinkRect(0, 593, 241, 89);
inline const QRect IntroRect(272, 105, 730, 625);
inline const QRect ItemViewRect(244, 78, 780, 651);
inline const QRect PreviousLinkRect(244, 729, 249, 37);
inline const QRect NextLinkRect(775, 729, 249, 37);
inline const QRect CounterRect(506, 729, 249, 37);
// Entry n (1..10) of the index.
QRect IndexEntryRect(int chapter);

QImage PaintMenu();
QImage PaintIndex();
QImage PaintPage(int page);

}  // namespace velmora::demo

#pragma once
// The item pictures of the pages: boards that show a chapter's signs side by side, and street
// scenes in which the signs stand where a driver meets them. Every sign drawn is reported with the
// rectangle it covers, which becomes its hotspot.
#include <QImage>
#include <QRect>
#include <string_view>
#include <vector>

#include "tools/make_demo_catalogue/captions.h"

namespace velmora::demo {

struct PlacedSign {
    std::string_view Name;
    QRect Rect;  // in pixels of the item picture
};

struct ItemPicture {
    QImage Image;
    std::vector<PlacedSign> Signs;  // in the order they were drawn
};

// Draws the item. Throws std::logic_error when the item lists more signs than its scene has places.
ItemPicture PaintItem(const ItemInfo& item);

}  // namespace velmora::demo

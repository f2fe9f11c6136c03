// The hotspot-file reader feeding layer creation as the main window does when it enters an item, on a
// layer collection without a window; then the pointer over the hotspots, as hovering and clicking
// asks them, and their removal.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/data_set.h"
#include "app/warstwa_item.h"
#include "layers/layer_collection.h"
#include "layers/layer_options.h"
#include "tests/fuzz/fuzz_targets.h"

namespace velmora::fuzz {

void FuzzHotspots(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("1_1.ini", data, size);
    int64_t cutFrom = 0;
    const std::vector<THotspotRecord> records = ReadHotspotFile(path, &cutFrom);
    Check(records.size() <= static_cast<size_t>(MaxHotspotsPerItem), "more hotspots than an item may hold");
    Check(cutFrom == 0 || cutFrom > MaxHotspotsPerItem, "a cut reported below the limit");

    TLayerCollection layers;
    for (const THotspotRecord& record : records) {
        auto* hotspot = new TWarstwaItem(&layers);
        hotspot->SetFollowsBitmap(true);
        hotspot->SetShown(false);
        hotspot->SetExtent(record.Rect);
        hotspot->SetGrips(hotspot->Grips() & 0xFFF1);
        hotspot->RaiseToTop();
        hotspot->SetOptionBits(loVisible | loMouseInput | loSilent);
        hotspot->SetGripRadius(1);
        hotspot->SetGripFillColor(0xFF000000u);
        hotspot->Opis = record.Opis;
        hotspot->MarkDirty();
    }
    Check(layers.LayerCount() == static_cast<int32_t>(records.size()), "a hotspot read is not a layer");

    // Points inside, on the edges of and beyond the first hotspots, and the extremes.
    std::vector<std::pair<int32_t, int32_t>> points{{0, 0}, {-1, -1}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}};
    for (size_t i = 0; i < records.size() && i < 8; ++i) {
        const TSingleRect& r = records[i].Rect;
        const auto clampToInt = [](float v) {
            if (std::isnan(v)) return 0;
            return static_cast<int32_t>(std::clamp<double>(v, INT32_MIN, INT32_MAX));
        };
        points.emplace_back(clampToInt(r.Left), clampToInt(r.Top));
        points.emplace_back(clampToInt((r.Left + r.Right) / 2), clampToInt((r.Top + r.Bottom) / 2));
        points.emplace_back(clampToInt(r.Right), clampToInt(r.Bottom));
    }
    const auto moved = [](int32_t v) { return static_cast<int32_t>(std::min<int64_t>(int64_t(v) + 5, INT32_MAX)); };
    for (const auto& [x, y] : points) {
        for (int32_t i = layers.LayerCount() - 1; i >= std::max(0, layers.LayerCount() - 64); --i)
            layers.LayerAt(i)->HitsPoint(x, y);
        layers.DispatchMouseMove(0, x, y);
        layers.DispatchMouseDown(TMouseButton::mbLeft, ssLeft, x, y);
        layers.DispatchMouseMove(ssLeft, moved(x), moved(y));
        layers.DispatchMouseUp(TMouseButton::mbLeft, 0, moved(x), moved(y));
    }
    layers.RemoveAllLayers();
    Check(layers.LayerCount() == 0, "layers left after removing all");
}

}  // namespace velmora::fuzz

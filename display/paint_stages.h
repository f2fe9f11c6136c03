#pragma once
// The ordered paint stages of an image control: each entry names a stage kind, whether it runs at
// run time, and a parameter (the layer option mask of a layer stage).
#include <cstdint>
#include <vector>

namespace velmora {

// Stage kinds; kinds above psBitmapFrame are skipped like psNone.
constexpr uint32_t psNone = 0;
constexpr uint32_t psCustom = 1;
constexpr uint32_t psClearBuffer = 2;
constexpr uint32_t psBackground = 3;
constexpr uint32_t psBitmap = 4;
constexpr uint32_t psLayers = 5;
constexpr uint32_t psControlFrame = 6;
constexpr uint32_t psBitmapFrame = 7;

struct TPaintStageEntry {
    bool DesignTimeFlag = false;
    bool RunTimeFlag = true;
    uint32_t StageKind = psNone;
    uint32_t StageParam = 0;
};

class TPaintStages {
public:
    // Appends a run-time psNone entry and returns it for the caller to fill in; the reference is
    // valid until the list changes again.
    TPaintStageEntry& Add();
    void Clear() { FItems.clear(); }
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Fails with "List index out of bounds (%d)" outside 0 .. Count - 1.
    TPaintStageEntry& Items(int32_t index);
    const TPaintStageEntry& Items(int32_t index) const;
    TPaintStageEntry& operator[](int32_t index) { return Items(index); }

private:
    std::vector<TPaintStageEntry> FItems;
};

}  // namespace velmora

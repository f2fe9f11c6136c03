#include "display/paint_stages.h"

#include <string>

#include "layers/layer_collection.h"

namespace velmora {

TPaintStageEntry& TPaintStages::Add() {
    FItems.emplace_back();
    return FItems.back();
}

TPaintStageEntry& TPaintStages::Items(int32_t index) {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[size_t(index)];
}

const TPaintStageEntry& TPaintStages::Items(int32_t index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[size_t(index)];
}

}  // namespace velmora

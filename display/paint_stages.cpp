#include "display/paint_stages.h"

#include "core/list_error.h"

namespace velmora {

TPaintStageEntry& TPaintStages::Add() {
    FItems.emplace_back();
    return FItems.back();
}

TPaintStageEntry& TPaintStages::Items(int32_t index) {
    if (index < 0 || index >= Count()) throw EListError(index);
    return FItems[size_t(index)];
}

const TPaintStageEntry& TPaintStages::Items(int32_t index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return FItems[size_t(index)];
}

}  // namespace velmora

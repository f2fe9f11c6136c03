#include "app/undo_history.h"

#include <utility>

namespace velmora {

namespace {

using TKind = THotspotChange::TKind;

bool IsSingleModify(const TUndoStep& step) {
    return step.Changes.size() == 1 && step.Changes.front().Kind == TKind::Modify;
}

size_t HeapBytes(const std::string& s) {
    // Short texts live inside the string object itself.
    return s.capacity() > std::string().capacity() ? s.capacity() + 1 : 0;
}

}  // namespace

bool TUndoHistory::MergeIntoTop(TUndoStep& step, int64_t mergeWindowMs) {
    if (!FMergeOpen || step.MergeKey == 0 || FPosition == 0 || FPosition != FSteps.size()) return false;
    // The saved state sits below the top step's end: merging would move what was saved.
    if (FSavedAt == FPosition) return false;
    TUndoStep& top = FSteps.back();
    if (top.MergeKey != step.MergeKey || !IsSingleModify(top) || !IsSingleModify(step)) return false;
    if (top.Changes.front().Index != step.Changes.front().Index) return false;
    if (mergeWindowMs > 0 && step.TimeMs - top.TimeMs > mergeWindowMs) return false;
    THotspotChange& change = top.Changes.front();
    change.After = std::move(step.Changes.front().After);
    top.SelectionAfter = step.SelectionAfter;
    top.TimeMs = step.TimeMs;
    // Typed and taken back again: the step changes nothing any more.
    if (change.Before == change.After && top.SelectionBefore == top.SelectionAfter) {
        FSteps.pop_back();
        --FPosition;
        FMergeOpen = false;
    }
    return true;
}

void TUndoHistory::Record(TUndoStep step, int64_t mergeWindowMs) {
    if (step.Changes.empty()) return;
    if (MergeIntoTop(step, mergeWindowMs)) return;
    if (FPosition < FSteps.size()) {
        FSteps.erase(FSteps.begin() + static_cast<std::ptrdiff_t>(FPosition), FSteps.end());
        if (FSavedAt != Unreachable && FSavedAt > FPosition) FSavedAt = Unreachable;
    }
    FSteps.push_back(std::move(step));
    ++FPosition;
    FMergeOpen = true;
}

std::optional<int32_t> TUndoHistory::Undo(THotspotList& list) {
    if (!CanUndo()) return std::nullopt;
    FMergeOpen = false;
    const TUndoStep& step = FSteps[--FPosition];
    for (auto it = step.Changes.rbegin(); it != step.Changes.rend(); ++it) {
        switch (it->Kind) {
            case TKind::Insert: list.RemoveHotspot(it->Index); break;
            case TKind::Remove: list.InsertHotspot(it->Index, it->Before); break;
            case TKind::Modify: list.SetHotspotState(it->Index, it->Before); break;
        }
    }
    return step.SelectionBefore;
}

std::optional<int32_t> TUndoHistory::Redo(THotspotList& list) {
    if (!CanRedo()) return std::nullopt;
    FMergeOpen = false;
    const TUndoStep& step = FSteps[FPosition++];
    for (const THotspotChange& change : step.Changes) {
        switch (change.Kind) {
            case TKind::Insert: list.InsertHotspot(change.Index, change.After); break;
            case TKind::Remove: list.RemoveHotspot(change.Index); break;
            case TKind::Modify: list.SetHotspotState(change.Index, change.After); break;
        }
    }
    return step.SelectionAfter;
}

void TUndoHistory::MarkSaved() {
    FSavedAt = FPosition;
    FMergeOpen = false;
}

void TUndoHistory::Clear() {
    FSteps.clear();
    FSteps.shrink_to_fit();
    FPosition = 0;
    FSavedAt = 0;
    FMergeOpen = false;
}

size_t TUndoHistory::MemoryBytes() const {
    size_t bytes = FSteps.capacity() * sizeof(TUndoStep);
    for (const TUndoStep& step : FSteps) {
        bytes += step.Changes.capacity() * sizeof(THotspotChange);
        for (const THotspotChange& change : step.Changes) bytes += HeapBytes(change.Before.Opis) + HeapBytes(change.After.Opis);
    }
    return bytes;
}

}  // namespace velmora

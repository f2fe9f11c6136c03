#pragma once
// The editor's undo history of one item's hotspots. Each step holds only what it changed: hotspots
// inserted or removed at an index, or one hotspot's rectangle and description before and after, plus
// the selection (an index, -1 for none) before and after. Undo plays a step's changes backwards,
// redo forwards, on a THotspotList; the list (the layers of the item view) stays the truth.
//
// A step recorded with the merge key of the step on top, within the merge window, folds into it:
// the top keeps its "before" and takes the new "after". Nothing merges across a save, an undo or a
// BreakMerge. The saved position follows saves; a change that drops the steps holding it makes the
// saved state unreachable until the next save.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.h"

namespace velmora {

// One hotspot as a save writes it.
struct THotspotState {
    TSingleRect Extent;
    std::string Opis;
    friend bool operator==(const THotspotState&, const THotspotState&) = default;
};

// What undo and redo act on: the hotspots of the item shown, index 0 the bottom one.
class THotspotList {
public:
    virtual ~THotspotList() = default;
    virtual void InsertHotspot(int32_t index, const THotspotState& state) = 0;
    virtual void RemoveHotspot(int32_t index) = 0;
    virtual void SetHotspotState(int32_t index, const THotspotState& state) = 0;
};

struct THotspotChange {
    enum class TKind : uint8_t { Insert, Remove, Modify };
    TKind Kind = TKind::Modify;
    int32_t Index = 0;
    THotspotState Before;  // Remove and Modify
    THotspotState After;   // Insert and Modify
};

struct TUndoStep {
    std::vector<THotspotChange> Changes;  // in the order they were made
    int32_t SelectionBefore = -1;
    int32_t SelectionAfter = -1;
    // 0: never merges. Otherwise a step of the same key (one Modify of the same hotspot) folds in.
    uint64_t MergeKey = 0;
    int64_t TimeMs = 0;  // when it was recorded, for the merge window
};

class TUndoHistory {
public:
    // Records a step already made on the list. mergeWindowMs 0 merges at any distance in time.
    void Record(TUndoStep step, int64_t mergeWindowMs = 0);
    // The next step, whatever its key, starts afresh.
    void BreakMerge() { FMergeOpen = false; }

    bool CanUndo() const { return FPosition > 0; }
    bool CanRedo() const { return FPosition < FSteps.size(); }
    // Play one step back or forth on list; the selection to restore, or nothing when there was none.
    std::optional<int32_t> Undo(THotspotList& list);
    std::optional<int32_t> Redo(THotspotList& list);

    // The list is now what its file holds.
    void MarkSaved();
    bool AtSavedState() const { return FSavedAt == FPosition; }
    // Forgets every step; the list as it is counts as saved.
    void Clear();

    size_t StepCount() const { return FSteps.size(); }
    size_t Position() const { return FPosition; }
    // Bytes the steps hold on the heap, their own records included.
    size_t MemoryBytes() const;

private:
    bool MergeIntoTop(TUndoStep& step, int64_t mergeWindowMs);

    static constexpr size_t Unreachable = SIZE_MAX;
    std::vector<TUndoStep> FSteps;
    size_t FPosition = 0;  // steps below it are done, the others undone
    size_t FSavedAt = 0;
    bool FMergeOpen = false;
};

}  // namespace velmora

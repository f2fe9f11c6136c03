// The undo history's own rules on a plain list: merging (key, window, save, undo in between) and the
// saved position once steps it held are dropped.
#include <gtest/gtest.h>

#include <vector>

#include "app/undo_history.h"

namespace velmora {
namespace {

class TListOfStates : public THotspotList {
public:
    void InsertHotspot(int32_t index, const THotspotState& state) override { Items.insert(Items.begin() + index, state); }
    void RemoveHotspot(int32_t index) override { Items.erase(Items.begin() + index); }
    void SetHotspotState(int32_t index, const THotspotState& state) override { Items[size_t(index)] = state; }
    std::vector<THotspotState> Items{{{0, 0, 10, 10}, "a"}};
};

// A move of hotspot 0 to left x, recorded at time ms with merge key key.
TUndoStep MoveTo(TListOfStates& list, float x, int64_t ms, uint64_t key = 7) {
    THotspotState before = list.Items[0];
    list.Items[0].Extent = TSingleRect{x, 0, x + 10, 10};
    TUndoStep step;
    step.Changes.push_back({THotspotChange::TKind::Modify, 0, before, list.Items[0]});
    step.SelectionBefore = step.SelectionAfter = 0;
    step.MergeKey = key;
    step.TimeMs = ms;
    return step;
}

struct TMergeRow {
    const char* What;
    int64_t SecondAt;
    uint64_t SecondKey;
    bool SaveBetween;
    size_t Steps;
};

TEST(UndoHistory, MergesOnlyTheSameKeyWithinItsWindowAndNeverAcrossASave) {
    const std::vector<TMergeRow> rows = {
        {"same key soon", 500, 7, false, 1},
        {"same key too late", 1600, 7, false, 2},
        {"another key", 500, 8, false, 2},
        {"no key", 500, 0, false, 2},
        {"a save between", 500, 7, true, 2},
    };
    for (const TMergeRow& row : rows) {
        SCOPED_TRACE(row.What);
        TListOfStates list;
        TUndoHistory history;
        history.Record(MoveTo(list, 1, 0, row.SecondKey == 0 ? 0 : 7), 1000);
        if (row.SaveBetween) history.MarkSaved();
        history.Record(MoveTo(list, 2, row.SecondAt, row.SecondKey), 1000);
        EXPECT_EQ(history.StepCount(), row.Steps);
        while (history.Undo(list)) {
        }
        EXPECT_EQ(list.Items[0].Extent, (TSingleRect{0, 0, 10, 10}));
    }
}

TEST(UndoHistory, AChangeAfterUndoingPastTheSaveMakesTheSavedStateUnreachable) {
    TListOfStates list;
    TUndoHistory history;
    history.Record(MoveTo(list, 1, 0, 0));
    history.MarkSaved();
    ASSERT_TRUE(history.AtSavedState());
    history.Undo(list);
    EXPECT_FALSE(history.AtSavedState());
    history.Redo(list);
    EXPECT_TRUE(history.AtSavedState());
    history.Undo(list);
    history.Record(MoveTo(list, 5, 10, 0));
    EXPECT_FALSE(history.CanRedo());
    history.Undo(list);
    EXPECT_FALSE(history.AtSavedState());  // the list is back where it was before the save, not at it
    EXPECT_FALSE(history.Undo(list).has_value());
}

TEST(UndoHistory, TypingTakenBackAgainLeavesNoStep) {
    TListOfStates list;
    TUndoHistory history;
    history.MarkSaved();
    auto retype = [&](const char* opis) {
        TUndoStep step;
        THotspotState before = list.Items[0];
        list.Items[0].Opis = opis;
        step.Changes.push_back({THotspotChange::TKind::Modify, 0, before, list.Items[0]});
        step.MergeKey = 9;
        history.Record(step);
    };
    retype("ab");
    retype("a");
    EXPECT_EQ(history.StepCount(), 0u);
    EXPECT_TRUE(history.AtSavedState());
}

}  // namespace
}  // namespace velmora

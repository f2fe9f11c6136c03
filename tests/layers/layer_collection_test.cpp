#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/geometry.h"
#include "layers/custom_layer.h"
#include "layers/layer_collection.h"
#include "toolkit/screen_cursor.h"

using namespace velmora;

namespace {

// A layer that covers a rectangle and records the mouse calls it receives.
class BoxLayer : public TCustomLayer {
public:
    BoxLayer(TLayerCollection* c, TRect box, std::vector<std::string>* log = nullptr, const char* name = "")
        : TCustomLayer(c), Box(box), Log(log), Name(name) {
        StoreOptionBits(loVisible | loMouseInput);
    }
    bool ContainsPoint(int32_t x, int32_t y) override { return Box.Contains(x, y); }
    void HandleMouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
        if (Log) Log->push_back(std::string(Name) + ".down");
        TCustomLayer::HandleMouseDown(b, s, x, y);
    }
    void HandleMouseMove(TShiftState s, int32_t x, int32_t y) override {
        if (Log) Log->push_back(std::string(Name) + ".move");
        TCustomLayer::HandleMouseMove(s, x, y);
    }
    void HandleMouseUp(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
        if (Log) Log->push_back(std::string(Name) + ".up");
        TCustomLayer::HandleMouseUp(b, s, x, y);
    }
    TRect Box;
    std::vector<std::string>* Log;
    const char* Name;
};

class Owner : public TLayerOwner {
public:
    TCursor OwnerCursor() const override { return Cursor; }
    TCursor Cursor = crHandPoint;
};

// Records the collection's notifications as short words.
struct Recorder {
    std::vector<std::string> events;
    void Attach(TLayerCollection& c) {
        c.OnWillChange = [this](TLayerCollection*) { events.push_back("will"); };
        c.OnDidChange = [this](TLayerCollection*) { events.push_back("did"); };
        c.OnOverlayUpdate = [this](TLayerCollection*) { events.push_back("overlay"); };
        c.OnLayerDirty = [this](TLayerCollection*, TCustomLayer*) { events.push_back("dirty"); };
        c.OnListChange = [this](TLayerCollection*, TListChangeKind k, TCustomLayer*, int32_t i) {
            const char* kind = k == TListChangeKind::lcAdded ? "added" : k == TListChangeKind::lcRemoved ? "removed" : "cleared";
            events.push_back(std::string(kind) + ":" + std::to_string(i));
        };
    }
};

class LayerCollectionTest : public ::testing::Test {
protected:
    void SetUp() override { Screen().SetCursor(crDefault); }
    void TearDown() override { Screen().SetCursor(crDefault); }
    Owner owner;
    Recorder rec;  // outlives the collection, whose destruction it may still hear
    TLayerCollection c{&owner};
    std::vector<std::string> log;
};

}  // namespace

TEST_F(LayerCollectionTest, EmptyCollectionDispatchesToNoneAndShowsOwnerCursor) {
    EXPECT_EQ(c.LayerAtPoint(5, 5, loMouseInput), nullptr);
    EXPECT_EQ(c.DispatchMouseDown(TMouseButton::mbLeft, 0, 5, 5), nullptr);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
    EXPECT_EQ(c.DispatchMouseMove(0, 5, 5), nullptr);
    EXPECT_EQ(Screen().Cursor(), crHandPoint);
    EXPECT_EQ(c.DispatchMouseUp(TMouseButton::mbLeft, 0, 5, 5), nullptr);
}

TEST_F(LayerCollectionTest, TopLayerTakesTheCaptureAndKeepsItWhileTheButtonIsHeld) {
    auto* lower = new BoxLayer(&c, {0, 0, 100, 100}, &log, "lower");
    auto* upper = new BoxLayer(&c, {50, 50, 150, 150}, &log, "upper");
    EXPECT_EQ(c.DispatchMouseDown(TMouseButton::mbLeft, 0, 60, 60), upper);
    EXPECT_EQ(c.CaptureLayer(), upper);
    EXPECT_EQ(c.DispatchMouseMove(0, 10, 10), upper);    // over the lower layer
    EXPECT_EQ(c.DispatchMouseMove(0, 500, 500), upper);  // outside every layer
    EXPECT_EQ(c.DispatchMouseUp(TMouseButton::mbLeft, 0, 10, 10), upper);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
    EXPECT_EQ(c.DispatchMouseMove(0, 10, 10), lower);
    EXPECT_EQ(log, (std::vector<std::string>{"upper.down", "upper.move", "upper.move", "upper.up", "lower.move"}));
}

TEST_F(LayerCollectionTest, CaptureLastsUntilEveryHeldButtonIsReleased) {
    auto* layer = new BoxLayer(&c, {0, 0, 10, 10});
    c.DispatchMouseDown(TMouseButton::mbLeft, 0, 1, 1);
    c.DispatchMouseDown(TMouseButton::mbRight, 0, 50, 50);
    EXPECT_EQ(layer->HeldButtons(), lbLeft | lbRight);
    c.DispatchMouseUp(TMouseButton::mbLeft, 0, 50, 50);
    EXPECT_EQ(c.CaptureLayer(), layer);
    EXPECT_EQ(layer->HeldButtons(), lbRight);
    c.DispatchMouseUp(TMouseButton::mbRight, 0, 50, 50);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
}

TEST_F(LayerCollectionTest, MouseInputBitDecidesHitsNotVisibility) {
    auto* layer = new BoxLayer(&c, {0, 0, 10, 10});
    layer->SetOptionBits(loVisible);
    EXPECT_EQ(c.LayerAtPoint(1, 1, loMouseInput), nullptr);
    layer->SetOptionBits(loMouseInput);  // hidden but mouse-aware
    EXPECT_EQ(c.LayerAtPoint(1, 1, loMouseInput), layer);
}

TEST_F(LayerCollectionTest, NoCaptureLayerIsReturnedButGetsNoMouseDown) {
    auto* layer = new BoxLayer(&c, {0, 0, 10, 10}, &log, "nc");
    layer->SetOptionBits(loVisible | loMouseInput | loNoCapture);
    EXPECT_EQ(c.DispatchMouseDown(TMouseButton::mbLeft, 0, 1, 1), layer);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
    EXPECT_EQ(c.DispatchMouseUp(TMouseButton::mbLeft, 0, 1, 1), layer);
    EXPECT_EQ(log, (std::vector<std::string>{"nc.up"}));
}

TEST_F(LayerCollectionTest, DestroyingTheCaptureLayerReleasesTheCapture) {
    auto* lower = new BoxLayer(&c, {0, 0, 100, 100}, &log, "lower");
    auto* upper = new BoxLayer(&c, {50, 50, 150, 150}, &log, "upper");
    c.DispatchMouseDown(TMouseButton::mbLeft, 0, 60, 60);
    delete upper;
    EXPECT_EQ(c.CaptureLayer(), nullptr);
    EXPECT_EQ(c.DispatchMouseUp(TMouseButton::mbLeft, 0, 10, 10), lower);
    EXPECT_EQ(c.LayerCount(), 1);
}

TEST_F(LayerCollectionTest, ZOrderClampsAndRaiseToTopOfTheTopRaisesNothing) {
    auto* a = new BoxLayer(&c, {});
    auto* b = new BoxLayer(&c, {});
    auto* d = new BoxLayer(&c, {});
    d->SetZOrder(-5);
    EXPECT_EQ(d->ZOrder(), 0);
    EXPECT_EQ(c.LayerAt(1), a);
    d->SetZOrder(1000);
    EXPECT_EQ(d->ZOrder(), 2);
    EXPECT_EQ(c.LayerAt(1), b);
    rec.Attach(c);
    d->RaiseToTop();
    EXPECT_TRUE(rec.events.empty());
    a->RaiseToTop();  // shown: the move is bracketed
    EXPECT_EQ(rec.events, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(c.LayerAt(2), a);
    TCustomLayer loose(nullptr);
    EXPECT_EQ(loose.ZOrder(), -1);
}

TEST_F(LayerCollectionTest, HidingAndShowingRaiseTheirNotifications) {
    auto* layer = new BoxLayer(&c, {});
    rec.Attach(c);
    layer->SetShown(false);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"will", "dirty", "did"}));
    EXPECT_EQ(layer->OptionBits() & loHiding, 0u);
    rec.events.clear();
    layer->SetShown(true);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"dirty", "did", "did"}));
}

TEST_F(LayerCollectionTest, SilentOrBracketedLayersRaiseNothing) {
    auto* layer = new BoxLayer(&c, {});
    rec.Attach(c);
    layer->SetOptionBits(loVisible | loSilent);
    layer->NotifyChanged();
    layer->SetOptionBits(loVisible);  // the change that clears the bit is still announced afterwards
    rec.events.clear();
    layer->BeginChanges();
    layer->SetShown(false);
    layer->MarkDirty();  // hidden and not hiding: nothing to repaint
    EXPECT_TRUE(rec.events.empty());
    layer->EndChanges();
}

TEST_F(LayerCollectionTest, HiddenOverlayLayerUpdatesTheOverlayOnlyOutsideBrackets) {
    auto* layer = new BoxLayer(&c, {});
    layer->SetOptionBits(loOverlay);
    rec.Attach(c);
    layer->NotifyChanged();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"overlay"}));
    rec.events.clear();
    c.BeginChanges();
    layer->NotifyChanged();
    c.EndChanges();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"will", "did"}));
}

TEST_F(LayerCollectionTest, ScaleAndOffsetDefaultToIdentity) {
    float sx = 7, sy = 7, ox = 7, oy = 7;
    c.QueryScale(sx, sy);
    c.QueryOffset(ox, oy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(sy, 1.0f);
    EXPECT_EQ(ox, 0.0f);
    EXPECT_EQ(oy, 0.0f);
    c.OnQueryScale = [](TLayerCollection*, float& x, float& y) { x = 2.0f; y = 0.5f; };
    c.QueryScale(sx, sy);
    EXPECT_EQ(sx, 2.0f);
    EXPECT_EQ(sy, 0.5f);
}

TEST(LayerCollectionLifetime, DestructionRemovesTopFirstWithoutRepaint) {
    Recorder rec;
    {
        TLayerCollection c;
        new BoxLayer(&c, {});
        new BoxLayer(&c, {});
        new BoxLayer(&c, {});
        rec.Attach(c);
    }
    EXPECT_EQ(rec.events, (std::vector<std::string>{"removed:2", "removed:1", "removed:0", "cleared:0"}));
}

TEST(LayerCollectionLifetime, LayersAreAddedOnTopWhenConstructed) {
    Recorder rec;
    int32_t bitsSeenAtAdd = -1;
    TLayerCollection c;
    rec.Attach(c);
    c.OnListChange = [&](TLayerCollection*, TListChangeKind k, TCustomLayer* l, int32_t) {
        if (k == TListChangeKind::lcAdded) bitsSeenAtAdd = int32_t(l->OptionBits());
    };
    auto* layer = new TCustomLayer(&c);
    EXPECT_EQ(bitsSeenAtAdd, 0);  // attached before its own defaults are stored
    EXPECT_EQ(layer->OptionBits(), loVisible);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(c.LayerAt(0), layer);
    EXPECT_THROW(c.LayerAt(1), EListError);
    try {
        c.LayerAt(-3);
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-3)");
    }
}

TEST(LayerCollectionLifetime, ThrowingHandlerLeavesBracketsBalanced) {
    TLayerCollection c;
    c.OnListChange = [](TLayerCollection*, TListChangeKind, TCustomLayer*, int32_t) { throw Exception("boom"); };
    EXPECT_THROW(new TCustomLayer(&c), Exception);
    EXPECT_EQ(c.ChangeDepth(), 0);
    // The failed layer was freed by its constructor, so the list must not hold it.
    EXPECT_EQ(c.LayerCount(), 0);
    c.OnListChange = nullptr;
}

TEST_F(LayerCollectionTest, HitQueryOverrulesAndMouseHooksSetCursors) {
    auto* layer = new BoxLayer(&c, {0, 0, 10, 10});
    layer->OnHitQuery = [](TCustomLayer*, int32_t x, int32_t, bool& passed) { passed = passed && x < 5; };
    EXPECT_TRUE(layer->HitsPoint(4, 4));
    EXPECT_FALSE(layer->HitsPoint(6, 4));
    layer->SetHoverCursor(crSizeWE);
    EXPECT_EQ(Screen().Cursor(), crDefault);  // not the capture layer
    c.DispatchMouseMove(0, 1, 1);
    EXPECT_EQ(Screen().Cursor(), crSizeWE);
    c.DispatchMouseDown(TMouseButton::mbLeft, 0, 1, 1);
    layer->SetHoverCursor(crSizeNS);
    EXPECT_EQ(Screen().Cursor(), crSizeNS);
    c.DispatchMouseUp(TMouseButton::mbLeft, 0, 1, 1);
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

// Positioned and rubber-band layers driven through their collection: mapping through the owner's scale
// and offset, grip hit tests, hover cursors, the drag state machine with its size limits and the
// reshaping veto, the notifications of each change, and the outline and grips on real pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "layers/layer_collection.h"
#include "layers/positioned_layer.h"
#include "layers/rubberband_layer.h"
#include "raster/bitmap32.h"
#include "toolkit/screen_cursor.h"

using namespace velmora;

namespace {

constexpr TColor32 kWhite = 0xFFFFFFFFu;
constexpr TColor32 kBlack = 0xFF000000u;
constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kSentinel = 0xFF123456u;
constexpr auto mbLeft = TMouseButton::mbLeft;
constexpr auto mbRight = TMouseButton::mbRight;

class Owner : public TLayerOwner {
public:
    TCursor OwnerCursor() const override { return crHourGlass; }
};

class RubberbandTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen().SetCursor(crDefault);
        c.OnWillChange = [this](TLayerCollection*) { events.push_back("will"); };
        c.OnDidChange = [this](TLayerCollection*) { events.push_back("did"); };
        c.OnOverlayUpdate = [this](TLayerCollection*) { events.push_back("overlay"); };
        c.OnLayerDirty = [this](TLayerCollection*, TCustomLayer*) { events.push_back("dirty"); };
        layer = new TRubberbandLayer(&c);
        layer->OnReshaped = [this](TRubberbandLayer*) { ++reshaped; };
        layer->OnPointerDown = [this](TCustomLayer*, TMouseButton, TShiftState, int32_t, int32_t) { ++pointerDowns; };
        layer->OnPointerMove = [this](TCustomLayer*, TShiftState, int32_t, int32_t) { ++pointerMoves; };
        attachEvents = events;
        events.clear();
    }
    void TearDown() override { Screen().SetCursor(crDefault); }

    // Layer coordinates = control coordinates times scale plus offset, as an image control answers.
    void MapThrough(float scale, float offsetX, float offsetY) {
        c.OnQueryScale = [scale](TLayerCollection*, float& sx, float& sy) { sx = sy = scale; };
        c.OnQueryOffset = [offsetX, offsetY](TLayerCollection*, float& ox, float& oy) {
            ox = offsetX;
            oy = offsetY;
        };
    }

    // Press at (x0, y0), move to (x1, y1), release there.
    void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        c.DispatchMouseDown(mbLeft, ssLeft, x0, y0);
        c.DispatchMouseMove(ssLeft, x1, y1);
        c.DispatchMouseUp(mbLeft, 0, x1, y1);
    }

    Owner owner;
    std::vector<std::string> attachEvents;
    std::vector<std::string> events;  // outlives the collection, which may still report to it
    TLayerCollection c{&owner};
    TRubberbandLayer* layer = nullptr;
    int reshaped = 0;
    int pointerDowns = 0;
    int pointerMoves = 0;
};

TSingleRect R(float l, float t, float r, float b) { return TSingleRect{l, t, r, b}; }

}  // namespace

// ---------------------------------------------------------------- construction and setters

TEST_F(RubberbandTest, ConstructionDefaults) {
    EXPECT_EQ(layer->Extent(), R(0, 0, 64, 64));
    EXPECT_FALSE(layer->FollowsBitmap());
    EXPECT_EQ(layer->OptionBits(), 0xA0000000u);
    EXPECT_EQ(layer->Grips(), 0x000F);
    EXPECT_EQ(layer->GripRadius(), 3);
    EXPECT_EQ(layer->GripFillColor(), kWhite);
    EXPECT_EQ(layer->GripEdgeColor, kBlack);
    EXPECT_EQ(layer->OutlineColors, (TArrayOfColor32{kWhite, kWhite, kBlack, kBlack}));
    EXPECT_EQ(layer->SmallestWidth, 10.0f);
    EXPECT_EQ(layer->SmallestHeight, 10.0f);
    EXPECT_EQ(layer->LargestWidth, 0.0f);
    EXPECT_EQ(layer->LargestHeight, 0.0f);
    EXPECT_FALSE(layer->Tracking());
    EXPECT_EQ(layer->ActiveGrip(), TGripKind::gkNone);
    EXPECT_EQ(layer->ZOrder(), 0);
    // Only the attachment to the collection is heard: the defaults are stored without notifications.
    EXPECT_EQ(attachEvents, (std::vector<std::string>{"will", "did"}));

    TPositionedLayer positioned(&c);
    EXPECT_EQ(events, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(positioned.OptionBits(), 0xA0000000u);
    EXPECT_EQ(positioned.Extent(), R(0, 0, 64, 64));
}

TEST_F(RubberbandTest, SetExtentNotifiesAndStoresTheRectangleAsGiven) {
    layer->SetExtent(R(50, 40, 10, 5));  // inverted: kept as it is
    EXPECT_EQ(layer->Extent(), R(50, 40, 10, 5));
    EXPECT_EQ(events, (std::vector<std::string>{"will", "dirty", "did", "did"}));

    events.clear();
    layer->SetFollowsBitmap(false);  // unchanged
    EXPECT_TRUE(events.empty());
    layer->SetFollowsBitmap(true);
    EXPECT_TRUE(layer->FollowsBitmap());
    EXPECT_EQ(events, (std::vector<std::string>{"will", "dirty", "did", "did"}));

    // A hidden layer reports no repaint for a new extent.
    layer->SetShown(false);
    events.clear();
    layer->SetExtent(R(1, 2, 3, 4));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(layer->Extent(), R(1, 2, 3, 4));
}

TEST_F(RubberbandTest, GripLookChangesRaiseOnlyTheOverlayUpdateAndOnlyOnRealChanges) {
    layer->SetGrips(0x0001);
    layer->SetGrips(0x0001);
    layer->SetGripRadius(4);
    layer->SetGripRadius(4);
    layer->SetGripFillColor(kRed);
    layer->SetGripFillColor(kRed);
    EXPECT_EQ(events, (std::vector<std::string>{"overlay", "overlay", "overlay"}));

    events.clear();
    layer->SetGripRadius(0);
    EXPECT_EQ(layer->GripRadius(), 1);
    layer->SetGripRadius(-7);  // also becomes 1: no change
    layer->SetGripRadius(1);
    EXPECT_EQ(events, (std::vector<std::string>{"overlay"}));

    // Inside a change bracket of the collection the overlay update is held back; the value is stored.
    events.clear();
    c.BeginChanges();
    layer->SetGripFillColor(kBlack);
    c.EndChanges();
    EXPECT_EQ(layer->GripFillColor(), kBlack);
    EXPECT_EQ(events, (std::vector<std::string>{"will", "did"}));

    // Without a collection the setters simply store.
    TRubberbandLayer free(nullptr);
    free.SetGrips(gsBody);
    free.SetGripRadius(0);
    EXPECT_EQ(free.Grips(), gsBody);
    EXPECT_EQ(free.GripRadius(), 1);
}

TEST_F(RubberbandTest, OptionBitsNeverKeepSilent) {
    layer->SetOptionBits(0xB0000000u);
    EXPECT_EQ(layer->OptionBits(), loVisible | loMouseInput);
    events.clear();
    layer->SetExtent(R(0, 0, 20, 20));  // still heard
    EXPECT_FALSE(events.empty());

    // The plain positioned layer keeps the bit as given.
    TPositionedLayer positioned(&c);
    positioned.SetOptionBits(0xB0000000u);
    EXPECT_EQ(positioned.OptionBits(), 0xB0000000u);
}

// ---------------------------------------------------------------- mapping and hit tests

TEST_F(RubberbandTest, ExtentOnControlFollowsTheOwnersScaleAndOffset) {
    MapThrough(2.0f, 10.0f, 20.0f);
    EXPECT_EQ(layer->ExtentOnControl(R(0, 0, 64, 64)), R(0, 0, 64, 64));  // not following yet
    layer->SetFollowsBitmap(true);
    EXPECT_EQ(layer->ExtentOnControl(R(0, 0, 64, 64)), R(10, 20, 138, 148));
    EXPECT_EQ(layer->ExtentOnControl(R(-1.25f, 0.5f, 3, 4)), R(7.5f, 21, 16, 28));

    // The offset is asked before the scale.
    std::vector<std::string> order;
    c.OnQueryScale = [&](TLayerCollection*, float& sx, float& sy) { order.push_back("scale"), sx = sy = 1; };
    c.OnQueryOffset = [&](TLayerCollection*, float& ox, float& oy) { order.push_back("offset"), ox = oy = 0; };
    layer->ExtentOnControl(layer->Extent());
    EXPECT_EQ(order, (std::vector<std::string>{"offset", "scale"}));

    // A free layer has nobody to ask and keeps its coordinates.
    TRubberbandLayer free(nullptr);
    free.SetFollowsBitmap(true);
    EXPECT_EQ(free.ExtentOnControl(R(1, 2, 3, 4)), R(1, 2, 3, 4));
}

TEST_F(RubberbandTest, PositionedLayerContainsItsExtentOnTheControl) {
    auto* positioned = new TPositionedLayer(&c);
    positioned->SetExtent(R(10.5f, 20, 30, 40.5f));
    EXPECT_FALSE(positioned->ContainsPoint(10, 25));
    EXPECT_TRUE(positioned->ContainsPoint(11, 20));
    EXPECT_TRUE(positioned->ContainsPoint(29, 40));
    EXPECT_FALSE(positioned->ContainsPoint(30, 25));  // right edge exclusive
    EXPECT_FALSE(positioned->ContainsPoint(20, 41));

    MapThrough(0.5f, 100, 0);
    positioned->SetFollowsBitmap(true);  // now (105.25, 10) - (115, 20.25)
    EXPECT_FALSE(positioned->ContainsPoint(20, 25));
    EXPECT_TRUE(positioned->ContainsPoint(106, 20));
    EXPECT_FALSE(positioned->ContainsPoint(105, 15));
    EXPECT_FALSE(positioned->ContainsPoint(115, 15));
    EXPECT_EQ(c.LayerAtPoint(106, 20, loMouseInput), positioned);
}

struct TGripCase {
    TGripSet Grips;
    int32_t X, Y;
    TGripKind Expected;
};

TEST_F(RubberbandTest, GripAtOnTheDefaultFrame) {
    using enum TGripKind;
    // Extent (0, 0, 64, 64), tolerance 4; measured from the last column and row, 63.
    const TGripCase cases[] = {
        {0x000F, 63, 63, gkBottomRight},  {0x000F, 67, 67, gkBottomRight}, {0x000F, 68, 63, gkNone},
        {0x000F, 63, 68, gkNone},         {0x000F, 66, 31, gkRight},       {0x000F, 31, -4, gkTop},
        {0x000F, 30, 30, gkMove},         {0x000F, 2, 2, gkTopLeft},       {0x000F, -4, 31, gkLeft},
        {0x000F, 27, 63, gkBottom},       {0x000F, 59, 0, gkTopRight},     {0x000F, 0, 67, gkBottomLeft},
        {0x000F, 66, 36, gkNone},         {0x000F, -5, -5, gkNone},        {0x000F, 62, 4, gkTopRight},
        // Viewing mode: the body alone, without its last column and row.
        {0x0001, 62, 62, gkMove},         {0x0001, 63, 30, gkNone},        {0x0001, 30, 63, gkNone},
        {0x0001, 0, 0, gkMove},           {0x0001, -1, 0, gkNone},
        // No body: the middle is not on the layer.
        {0x0006, 30, 30, gkNone},         {0x0006, 63, 31, gkRight},
        // Excluded grips fall through to the next rule.
        {0x010F, 2, 2, gkMove},           {0x080F, 63, 63, gkNone},        {0x080F, 62, 62, gkMove},
        {0x002F, 66, 31, gkNone},         {0x002F, 62, 31, gkMove},        {0x0004 | gsBody, 66, 31, gkNone},
        {0x0002, 0, 0, gkNone},           {0x00F5, 31, 0, gkMove},         {0x0F0B, 63, 63, gkNone},
    };
    for (const TGripCase& g : cases) {
        layer->SetGrips(g.Grips);
        EXPECT_EQ(layer->GripAt(g.X, g.Y), g.Expected) << std::hex << g.Grips << std::dec << " at " << g.X << "," << g.Y;
        EXPECT_EQ(layer->ContainsPoint(g.X, g.Y), g.Expected != gkNone);
    }
}

TEST_F(RubberbandTest, GripAtUsesTheRoundedOutlineOnTheControl) {
    // Halves go to the even neighbour: 10.5 -> 10, 73.5 -> 74 (last column 73).
    layer->SetExtent(R(10.5f, 0, 73.5f, 64));
    EXPECT_EQ(layer->GripAt(77, 63), TGripKind::gkBottomRight);
    EXPECT_EQ(layer->GripAt(78, 63), TGripKind::gkNone);
    EXPECT_EQ(layer->GripAt(6, 63), TGripKind::gkBottomLeft);
    EXPECT_EQ(layer->GripAt(72, 30), TGripKind::gkRight);

    MapThrough(2.0f, 10.0f, 20.0f);
    layer->SetExtent(R(0, 0, 64, 64));
    layer->SetFollowsBitmap(true);  // (10, 20) - (138, 148): last column 137, middle (10 + 137) / 2 = 73
    EXPECT_EQ(layer->GripAt(137, 147), TGripKind::gkBottomRight);
    EXPECT_EQ(layer->GripAt(73, 16), TGripKind::gkTop);
    EXPECT_EQ(layer->GripAt(136, 146), TGripKind::gkBottomRight);
    EXPECT_EQ(layer->GripAt(100, 100), TGripKind::gkMove);
    EXPECT_EQ(layer->GripAt(14, 16), TGripKind::gkTopLeft);
    EXPECT_EQ(layer->GripAt(5, 100), TGripKind::gkNone);
    EXPECT_TRUE(layer->HitsPoint(100, 100));
    EXPECT_FALSE(layer->HitsPoint(5, 100));
}

TEST_F(RubberbandTest, WildExtentsAndRadiiAreMeasuredWithoutOverflow) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    layer->SetGripRadius(std::numeric_limits<int32_t>::max());
    layer->SetExtent(R(-3e9f, -inf, 3e9f, inf));
    EXPECT_EQ(layer->GripAt(0, 0), TGripKind::gkBottomRight);  // everything is within the tolerance
    layer->SetGripRadius(3);
    EXPECT_EQ(layer->GripAt(0, 0), TGripKind::gkMove);
    layer->SetExtent(R(nan, nan, nan, nan));
    EXPECT_EQ(layer->GripAt(0, 0), TGripKind::gkNone);

    TBitmap32 buffer;
    buffer.SetDimensions(16, 16);
    buffer.FillAll(kSentinel);
    layer->SetGripRadius(std::numeric_limits<int32_t>::max());
    layer->SetExtent(R(-3e9f, -3e9f, 3e9f, 3e9f));
    layer->Draw(buffer);  // grips far away, larger than everything: the whole buffer is grip fill
    EXPECT_EQ(buffer.PixelAt(8, 8), kWhite);
}

// ---------------------------------------------------------------- cursors

TEST_F(RubberbandTest, HoverShowsTheCursorOfTheGripAndRaisesNoPointerMove) {
    struct {
        int32_t X, Y;
        TGripKind Grip;
        TCursor Cursor;
    } const cases[] = {
        {63, 63, TGripKind::gkBottomRight, crSizeNWSE}, {0, 0, TGripKind::gkTopLeft, crSizeNWSE},
        {63, 0, TGripKind::gkTopRight, crSizeNESW},     {0, 63, TGripKind::gkBottomLeft, crSizeNESW},
        {0, 31, TGripKind::gkLeft, crSizeWE},           {63, 31, TGripKind::gkRight, crSizeWE},
        {31, 0, TGripKind::gkTop, crSizeNS},            {31, 63, TGripKind::gkBottom, crSizeNS},
        {20, 40, TGripKind::gkMove, crHandPoint},
    };
    layer->SetHoverCursor(crHandPoint);
    for (const auto& k : cases) {
        Screen().SetCursor(crDefault);
        EXPECT_EQ(c.DispatchMouseMove(0, k.X, k.Y), layer);
        EXPECT_EQ(layer->ActiveGrip(), k.Grip) << k.X << "," << k.Y;
        EXPECT_EQ(Screen().Cursor(), k.Cursor) << k.X << "," << k.Y;
    }
    EXPECT_EQ(pointerMoves, 0);
    // Off the layer the collection shows the owner's cursor.
    EXPECT_EQ(c.DispatchMouseMove(0, 100, 100), nullptr);
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    EXPECT_EQ(GripCursor(TGripKind::gkNone, crHandPoint), crDefault);
}

// ---------------------------------------------------------------- dragging

TEST_F(RubberbandTest, MoveDragKeepsTheGrabOffsetAndTheSize) {
    EXPECT_EQ(c.DispatchMouseDown(mbLeft, ssLeft, 30, 20), layer);
    EXPECT_TRUE(layer->Tracking());
    EXPECT_EQ(layer->ActiveGrip(), TGripKind::gkMove);
    EXPECT_EQ(layer->GrabOffset(), (TSinglePoint{30, 20}));
    EXPECT_EQ(layer->StartExtent(), R(0, 0, 64, 64));
    EXPECT_EQ(pointerDowns, 1);

    events.clear();
    Screen().SetCursor(crHandPoint);
    c.DispatchMouseMove(ssLeft, 50, 30);
    EXPECT_EQ(layer->Extent(), R(20, 10, 84, 74));
    EXPECT_EQ(reshaped, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"will", "dirty", "did", "did"}));
    EXPECT_EQ(Screen().Cursor(), crHandPoint);  // a drag leaves the cursor alone
    EXPECT_EQ(pointerMoves, 0);

    // Far outside the layer the capture keeps the drag going; the same point again changes nothing.
    c.DispatchMouseMove(ssLeft, -100, 500);
    EXPECT_EQ(layer->Extent(), R(-130, 480, -66, 544));
    c.DispatchMouseMove(ssLeft, -100, 500);
    EXPECT_EQ(reshaped, 2);

    c.DispatchMouseUp(mbLeft, 0, -100, 500);
    EXPECT_FALSE(layer->Tracking());
    EXPECT_EQ(Screen().Cursor(), crDefault);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
}

struct TResizeCase {
    const char* Name;
    int32_t FromX, FromY, ToX, ToY;
    float LargestWidth, LargestHeight;
    TSingleRect Expected;
};

TEST_F(RubberbandTest, ResizeDragsMoveOnlyTheGrabbedEdgesWithinTheLimits) {
    const TResizeCase cases[] = {
        {"right grip past the left edge stops at the smallest width", 63, 31, 5, 31, 0, 0, R(0, 0, 10, 64)},
        {"left grip past the right edge", 0, 31, 100, 31, 0, 0, R(54, 0, 64, 64)},
        {"right grip within the largest width", 63, 31, 90, 31, 100, 0, R(0, 0, 90, 64)},
        {"right grip beyond the largest width", 63, 31, 500, 31, 100, 0, R(0, 0, 100, 64)},
        {"largest width below the smallest: no limit", 63, 31, 500, 31, 5, 0, R(0, 0, 500, 64)},
        {"left grip beyond the largest width", 0, 31, -200, 31, 100, 0, R(-36, 0, 64, 64)},
        {"top grip", 31, 0, 31, -16, 0, 0, R(0, -16, 64, 64)},
        {"bottom grip up to the smallest height", 31, 63, 31, -40, 0, 0, R(0, 0, 64, 10)},
        {"bottom grip beyond the largest height", 31, 63, 31, 300, 0, 80, R(0, 0, 64, 80)},
        {"bottom-right grip, each edge against its own limit", 63, 63, 2, 200, 0, 90, R(0, 0, 10, 90)},
        {"top-left grip", 0, 0, 20, 30, 0, 0, R(20, 30, 64, 64)},
        {"top-right grip", 63, 0, 80, 60, 0, 0, R(0, 54, 80, 64)},
        {"bottom-left grip", 0, 63, -8, 70, 0, 0, R(-8, 0, 64, 70)},
        {"side grip pressed inside: the edge jumps to the pointer", 60, 31, 60, 31, 0, 0, R(0, 0, 60, 64)},
        {"side grip moved along its edge changes nothing across it", 63, 31, 63, 200, 0, 0, R(0, 0, 63, 64)},
    };
    for (const TResizeCase& k : cases) {
        layer->SetExtent(R(0, 0, 64, 64));
        layer->LargestWidth = k.LargestWidth;
        layer->LargestHeight = k.LargestHeight;
        c.DispatchMouseDown(mbLeft, ssLeft, k.FromX, k.FromY);
        EXPECT_EQ(layer->GrabOffset(), (TSinglePoint{0, 0})) << k.Name;
        c.DispatchMouseMove(ssLeft, k.ToX, k.ToY);
        c.DispatchMouseUp(mbLeft, 0, k.ToX, k.ToY);
        EXPECT_EQ(layer->Extent(), k.Expected) << k.Name;
    }
}

TEST_F(RubberbandTest, ReshapingSeesTheStartAndTheProposalBeforeTheChange) {
    struct TCall {
        TSingleRect Old, New, ExtentThen;
        TGripKind Grip;
        TShiftState Shift;
    };
    std::vector<TCall> calls;
    layer->OnReshaping = [&](TRubberbandLayer* sender, const TSingleRect& oldExtent, TSingleRect& newExtent,
                             TGripKind grip, TShiftState shift) {
        EXPECT_EQ(sender, layer);
        calls.push_back({oldExtent, newExtent, sender->Extent(), grip, shift});
        // The handler may move the proposal anywhere; the limits are not applied again.
        if (calls.size() == 1) newExtent = R(5, 5, 7, 7);
    };
    c.DispatchMouseDown(mbLeft, ssLeft, 63, 31);
    c.DispatchMouseMove(ssLeft | ssShift, 80, 31);
    EXPECT_EQ(layer->Extent(), R(5, 5, 7, 7));
    c.DispatchMouseMove(ssLeft, 90, 31);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Old, R(0, 0, 64, 64));
    EXPECT_EQ(calls[0].New, R(0, 0, 80, 64));
    EXPECT_EQ(calls[0].ExtentThen, R(0, 0, 64, 64));
    EXPECT_EQ(calls[0].Grip, TGripKind::gkRight);
    EXPECT_EQ(calls[0].Shift, ssLeft | ssShift);
    // The second step starts again from the start of the drag, not from what the handler made.
    EXPECT_EQ(calls[1].Old, R(0, 0, 64, 64));
    EXPECT_EQ(calls[1].New, R(0, 0, 90, 64));
    EXPECT_EQ(calls[1].ExtentThen, R(5, 5, 7, 7));
    EXPECT_EQ(layer->Extent(), R(0, 0, 90, 64));
    EXPECT_EQ(reshaped, 2);
}

TEST_F(RubberbandTest, ReshapingThatKeepsTheOldExtentVetoesEveryStep) {
    layer->OnReshaping = [](TRubberbandLayer*, const TSingleRect& oldExtent, TSingleRect& newExtent, TGripKind,
                            TShiftState) { newExtent = oldExtent; };
    events.clear();
    c.DispatchMouseDown(mbLeft, ssLeft, 30, 30);
    for (int step = 0; step < 5; ++step) c.DispatchMouseMove(ssLeft, 40 + step * 17, 10 - step * 9);
    c.DispatchMouseUp(mbLeft, 0, 200, 200);
    c.DispatchMouseDown(mbLeft, ssLeft, 63, 63);
    c.DispatchMouseMove(ssLeft, 120, 3);
    c.DispatchMouseUp(mbLeft, 0, 120, 3);
    EXPECT_EQ(layer->Extent(), R(0, 0, 64, 64));
    EXPECT_EQ(reshaped, 0);
    EXPECT_TRUE(events.empty());  // no repaint requested
}

TEST_F(RubberbandTest, FollowingTheBitmapDragsInBitmapUnits) {
    MapThrough(2.0f, 10.0f, 20.0f);
    layer->SetFollowsBitmap(true);
    Drag(50, 50, 70, 60);  // +20, +10 control pixels
    EXPECT_EQ(layer->Extent(), R(10, 5, 74, 69));

    // The right grip, measured from column 137, taken to 157: the edge goes to (157 - 10) / 2.
    layer->SetExtent(R(0, 0, 64, 64));
    Drag(137, 84, 157, 84);
    EXPECT_EQ(layer->Extent(), R(0, 0, 73.5f, 64));

    // The smallest width is in layer units too: 10 bitmap pixels, 20 on the control.
    Drag(156, 84, 0, 84);
    EXPECT_EQ(layer->Extent(), R(0, 0, 10, 64));
}

// A move by whole bitmap pixels must keep the saved size, which truncates Right - Left: the mapping
// back from the control must come out exact whenever the exact result is a single.
TEST_F(RubberbandTest, WholePixelMovesKeepTheSizeExactly) {
    layer->SetFollowsBitmap(true);
    MapThrough(1.0f, 0.0f, 0.0f);
    layer->SetExtent(R(0, 100, 13, 140));
    Drag(5, 120, 12, 127);  // 7 pixels in one step
    EXPECT_EQ(layer->Extent(), R(7, 107, 20, 147));

    // Every left edge, width and step the editor meets, as DragStep maps them, at scales 1 and 2 and
    // with the view unscrolled and scrolled.
    int64_t changed = 0, steps = 0;
    for (const float scale : {1.0f, 2.0f})
        for (const float offset : {0.0f, -37.0f})
            for (int left = 0; left <= 600; ++left)
                for (int width = 10; width <= 200; ++width) {
                    const float l = static_cast<float>(left), r = static_cast<float>(left + width);
                    const float cl = l * scale + offset, cr = r * scale + offset;
                    const float grab = 3.0f;  // pressed 3 pixels inside the outline
                    for (int step = -30; step <= 30; ++step) {
                        if (step == 0) continue;
                        const float p = static_cast<float>(static_cast<int32_t>(cl + grab) + step) - grab;
                        const float moved = PointerToLayer(p, cl, cr, l, r);
                        const float right = moved + static_cast<float>(width);
                        ++steps;
                        if (static_cast<int64_t>(static_cast<long double>(right) - moved) != width ||
                            moved != l + static_cast<float>(step) / scale)
                            ++changed;
                    }
                }
    EXPECT_EQ(changed, 0) << "of " << steps << " steps";
}

TEST_F(RubberbandTest, FollowingTheBitmapSkipsStepsWithoutSizeOnTheControl) {
    float scale = 1.0f;
    c.OnQueryScale = [&](TLayerCollection*, float& sx, float& sy) { sx = sy = scale; };
    layer->SetFollowsBitmap(true);
    int reshaping = 0;
    layer->OnReshaping = [&](TRubberbandLayer*, const TSingleRect&, TSingleRect&, TGripKind, TShiftState) { ++reshaping; };
    c.DispatchMouseDown(mbLeft, ssLeft, 30, 30);
    scale = 0.0f;  // the bitmap shrank to nothing under the drag
    c.DispatchMouseMove(ssLeft, 40, 40);
    EXPECT_EQ(reshaping, 0);
    EXPECT_EQ(layer->Extent(), R(0, 0, 64, 64));
    scale = 1.0f;
    c.DispatchMouseMove(ssLeft, 40, 40);
    EXPECT_EQ(reshaping, 1);
    EXPECT_EQ(layer->Extent(), R(10, 10, 74, 74));
}

TEST_F(RubberbandTest, DragStateFollowsThePressesAndReleases) {
    // A press on no grip starts nothing but still reaches the base hook.
    layer->SetGrips(gsSides | gsCorners);
    c.SetCaptureLayer(layer);
    layer->HandleMouseDown(mbLeft, ssLeft, 30, 30);
    EXPECT_FALSE(layer->Tracking());
    EXPECT_EQ(pointerDowns, 1);
    layer->HandleMouseMove(ssLeft, 50, 50);
    EXPECT_EQ(layer->Extent(), R(0, 0, 64, 64));
    layer->HandleMouseUp(mbLeft, 0, 50, 50);
    c.SetCaptureLayer(nullptr);

    // A second press during a drag is ignored altogether; its release ends the drag.
    layer->SetGrips(0x000F);
    c.DispatchMouseDown(mbLeft, ssLeft, 63, 63);
    EXPECT_EQ(layer->ActiveGrip(), TGripKind::gkBottomRight);
    c.DispatchMouseDown(mbRight, ssLeft | ssRight, 30, 30);
    EXPECT_EQ(pointerDowns, 2);
    EXPECT_EQ(layer->ActiveGrip(), TGripKind::gkBottomRight);
    c.DispatchMouseMove(ssLeft | ssRight, 80, 80);
    EXPECT_EQ(layer->Extent(), R(0, 0, 80, 80));
    c.DispatchMouseUp(mbRight, ssLeft, 80, 80);
    EXPECT_FALSE(layer->Tracking());
    EXPECT_EQ(c.CaptureLayer(), layer);  // the left button is still down

    // Later moves only look for the grip under the pointer.
    c.DispatchMouseMove(ssLeft, 100, 100);
    EXPECT_EQ(layer->Extent(), R(0, 0, 80, 80));
    EXPECT_EQ(layer->ActiveGrip(), TGripKind::gkNone);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    c.DispatchMouseUp(mbLeft, 0, 100, 100);
    EXPECT_EQ(c.CaptureLayer(), nullptr);
    EXPECT_EQ(reshaped, 1);
}

// ---------------------------------------------------------------- drawing

namespace {

// The pixels of the clockwise outline walk of (l, t) - (r, b), r and b exclusive, in drawing order.
std::vector<TPoint> OutlineWalk(int32_t l, int32_t t, int32_t r, int32_t b) {
    std::vector<TPoint> walk;
    for (int32_t x = l; x < r - 1; ++x) walk.push_back({x, t});
    for (int32_t y = t; y < b - 1; ++y) walk.push_back({r - 1, y});
    for (int32_t x = r - 1; x > l; --x) walk.push_back({x, b - 1});
    for (int32_t y = b - 1; y > t; --y) walk.push_back({l, y});
    return walk;
}

int CountColor(const TBitmap32& b, TColor32 color) {
    int n = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) n += b.PixelAt(x, y) == color;
    return n;
}

}  // namespace

class RubberbandDrawTest : public RubberbandTest {
protected:
    void SetUp() override {
        RubberbandTest::SetUp();
        buffer.SetDimensions(160, 160);
        buffer.FillAll(kSentinel);
    }
    TBitmap32 buffer;
};

TEST_F(RubberbandDrawTest, OutlineIsDashedTwoWhiteTwoBlackClockwise) {
    layer->SetGrips(gsOutline);
    layer->SetExtent(R(10, 10, 30, 25));
    layer->Render(buffer);
    const std::vector<TPoint> walk = OutlineWalk(10, 10, 30, 25);
    ASSERT_EQ(walk.size(), 66u);
    for (size_t i = 0; i < walk.size(); ++i)
        EXPECT_EQ(buffer.PixelAt(walk[i].X, walk[i].Y), i % 4 < 2 ? kWhite : kBlack) << walk[i].X << "," << walk[i].Y;
    EXPECT_EQ(CountColor(buffer, kSentinel), 160 * 160 - 66);

    // The layer's own phase and step, whatever the buffer held before.
    buffer.FillAll(kSentinel);
    buffer.DashPhase = 3.0f;
    buffer.DashStep = 7.0f;
    layer->OutlinePhase = 1.0f;
    layer->OutlineColors = {kRed, kBlack};
    layer->Draw(buffer);
    for (size_t i = 0; i < walk.size(); ++i)
        EXPECT_EQ(buffer.PixelAt(walk[i].X, walk[i].Y), i % 2 == 0 ? kBlack : kRed) << i;
}

TEST_F(RubberbandDrawTest, GripsAreSquaresCentredOnTheOutlineEdges) {
    layer->SetGrips(gsSides | gsCorners);
    layer->SetGripFillColor(kRed);
    layer->SetExtent(R(10, 10, 30, 26));
    layer->Draw(buffer);
    // Eight 6 x 6 squares: a black ring of 20 pixels around a red 4 x 4 inside.
    EXPECT_EQ(CountColor(buffer, kRed), 8 * 16);
    EXPECT_EQ(CountColor(buffer, kBlack), 8 * 20);
    const TPoint centres[] = {{10, 10}, {30, 10}, {10, 26}, {30, 26}, {20, 10}, {10, 18}, {30, 18}, {20, 26}};
    for (TPoint p : centres) {
        EXPECT_EQ(buffer.PixelAt(p.X - 3, p.Y - 3), kBlack) << p.X << "," << p.Y;
        EXPECT_EQ(buffer.PixelAt(p.X + 2, p.Y + 2), kBlack) << p.X << "," << p.Y;
        EXPECT_EQ(buffer.PixelAt(p.X - 2, p.Y - 2), kRed) << p.X << "," << p.Y;
        EXPECT_EQ(buffer.PixelAt(p.X + 1, p.Y + 1), kRed) << p.X << "," << p.Y;
        EXPECT_EQ(buffer.PixelAt(p.X + 3, p.Y), kSentinel) << p.X << "," << p.Y;
        EXPECT_EQ(buffer.PixelAt(p.X, p.Y - 4), kSentinel) << p.X << "," << p.Y;
    }

    // Excluded grips are not drawn.
    buffer.FillAll(kSentinel);
    layer->SetGrips(gsSides | gsCorners | gsNoTopLeft | gsNoBottom | gsNoRight);
    layer->Draw(buffer);
    EXPECT_EQ(CountColor(buffer, kRed), 5 * 16);
    EXPECT_EQ(buffer.PixelAt(9, 9), kSentinel);
    EXPECT_EQ(buffer.PixelAt(19, 25), kSentinel);
    EXPECT_EQ(buffer.PixelAt(29, 17), kSentinel);
    EXPECT_EQ(buffer.PixelAt(31, 27), kRed);
}

TEST_F(RubberbandDrawTest, EditorHotspotOnAScaledBitmap) {
    MapThrough(2.0f, 10.0f, 20.0f);
    layer->SetFollowsBitmap(true);
    layer->SetGripRadius(4);
    layer->SetGripFillColor(kRed);
    layer->Render(buffer);
    // Outline on (10, 20) - (138, 148), dashed wherever no grip covers it.
    const TPoint centres[] = {{10, 20}, {138, 20}, {10, 148}, {138, 148}, {74, 20}, {10, 84}, {138, 84}, {74, 148}};
    const std::vector<TPoint> walk = OutlineWalk(10, 20, 138, 148);
    int dashed = 0;
    for (size_t i = 0; i < walk.size(); ++i) {
        bool covered = false;
        for (TPoint g : centres)
            covered = covered || (walk[i].X >= g.X - 4 && walk[i].X < g.X + 4 && walk[i].Y >= g.Y - 4 && walk[i].Y < g.Y + 4);
        if (covered) continue;
        ++dashed;
        EXPECT_EQ(buffer.PixelAt(walk[i].X, walk[i].Y), i % 4 < 2 ? kWhite : kBlack) << walk[i].X << "," << walk[i].Y;
    }
    EXPECT_GT(dashed, 400);
    EXPECT_EQ(buffer.PixelAt(138, 100), kSentinel);
    EXPECT_EQ(buffer.PixelAt(100, 148), kSentinel);
    EXPECT_EQ(buffer.PixelAt(100, 100), kSentinel);
    // 8 x 8 grips: red 6 x 6 inside, black edge, e.g. the bottom-right one on (134, 144) - (142, 152).
    EXPECT_EQ(buffer.PixelAt(134, 144), kBlack);
    EXPECT_EQ(buffer.PixelAt(135, 145), kRed);
    EXPECT_EQ(buffer.PixelAt(140, 150), kRed);
    EXPECT_EQ(buffer.PixelAt(141, 151), kBlack);
    EXPECT_EQ(buffer.PixelAt(142, 151), kSentinel);
    EXPECT_EQ(CountColor(buffer, kRed), 8 * 36);
}

TEST_F(RubberbandDrawTest, ViewingModeHotspotDrawsNothing) {
    layer->SetGrips(layer->Grips() & 0xFFF1);
    layer->SetGripRadius(1);
    layer->SetExtent(R(20, 20, 80, 70));
    layer->Render(buffer);
    EXPECT_EQ(CountColor(buffer, kSentinel), 160 * 160);
}

TEST_F(RubberbandDrawTest, GripsAtTheBufferEdgeAreClipped) {
    // Outline columns -2 and 158, rows -2 and 161: only the right column lies inside.
    layer->SetExtent(R(-2, -2, 159, 162));
    layer->Draw(buffer);
    EXPECT_EQ(buffer.PixelAt(0, 0), kBlack);      // last column and row of the top-left grip (-5..0)
    EXPECT_EQ(buffer.PixelAt(0, 79), kBlack);     // left side grip around (-2, 80)
    EXPECT_EQ(buffer.PixelAt(1, 79), kSentinel);
    EXPECT_EQ(buffer.PixelAt(0, 100), kSentinel);
    EXPECT_EQ(buffer.PixelAt(157, 79), kWhite);   // right side grip around (159, 80), cut at the edge
    EXPECT_EQ(buffer.PixelAt(159, 79), kWhite);
    EXPECT_EQ(buffer.PixelAt(78, 159), kBlack);   // top edge of the bottom grip around (78, 162)
    EXPECT_EQ(buffer.PixelAt(78, 158), kSentinel);
    // The right outline column keeps the phase of the clipped top row: 160 pixels, then 20 and 22 down.
    EXPECT_EQ(buffer.PixelAt(158, 18), kWhite);
    EXPECT_EQ(buffer.PixelAt(158, 20), kBlack);
}

#include "raster/bitmap32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/exception.h"
#include "raster/resampler.h"

namespace velmora {
namespace {

// Records every notification a bitmap raises, in order.
struct EventLog {
    std::vector<std::string> Events;
    std::vector<TRect> Areas;

    void Attach(TBitmap32& b) {
        b.OnChange = [this](TNotifiablePersistent*) { Events.push_back("change"); };
        b.OnResize = [this](TNotifiablePersistent*) { Events.push_back("resize"); };
        b.OnHandleChanged = [this](TNotifiablePersistent*) { Events.push_back("handle"); };
        b.OnAreaChanged = [this](TNotifiablePersistent*, const TRect& r, uint32_t info) {
            EXPECT_EQ(info, AreaInfoRectangle);
            Events.push_back("area");
            Areas.push_back(r);
        };
    }
};

using Log = std::vector<std::string>;

TEST(Bitmap32Storage, NegativeSizeGivesEmptyBitmapButStillNotifies) {
    TBitmap32 b;
    EventLog log;
    log.Attach(b);
    EXPECT_TRUE(b.SetDimensions(-5, 10));
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 10);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(log.Events, (Log{"handle", "area", "change", "resize"}));
}

TEST(Bitmap32Storage, SameSizeReturnsFalseAndRaisesNothing) {
    TBitmap32 b;
    ASSERT_TRUE(b.SetDimensions(3, 2));
    EventLog log;
    log.Attach(b);
    EXPECT_FALSE(b.SetDimensions(3, 2));
    EXPECT_TRUE(log.Events.empty());
}

TEST(Bitmap32Storage, RowsAreContiguousAlignedAndTopRowFirst) {
    TBitmap32 b;
    b.SetDimensions(7, 3);
    ASSERT_NE(b.PixelData(), nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.PixelData()) % 64, 0u);
    EXPECT_EQ(b.FullRect(), (TRect{0, 0, 7, 3}));
    b.FillAll(0xFF000000u);
    b.PixelData()[2 * 7 + 6] = 0xFF123456u;  // bottom-right pixel is the last element
    EXPECT_EQ(b.PixelData()[20], 0xFF123456u);
}

TEST(Bitmap32Storage, KeepsMemoryWhileTheNewSizeFitsAndReleasesItWhenEmptied) {
    TBitmap32 b;
    b.SetDimensions(100, 100);
    TColor32* first = b.PixelData();
    b.SetDimensions(50, 120);
    EXPECT_EQ(b.PixelData(), first);
    b.SetDimensions(100, 100);
    EXPECT_EQ(b.PixelData(), first);
    b.SetDimensions(300, 300);
    ASSERT_NE(b.PixelData(), nullptr);
    b.FillAll(0xFFFFFFFFu);  // the whole grown area is writable
    EXPECT_EQ(b.PixelData()[300 * 300 - 1], 0xFFFFFFFFu);
    b.Discard();
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
}

TEST(Bitmap32Storage, OversizedBitmapFailsCleanlyAndLeavesItEmpty) {
    TBitmap32 b;
    b.SetDimensions(20, 10);
    b.SetClipBounds(TRect{1, 1, 5, 5});
    EventLog log;
    log.Attach(b);
    for (auto [w, h] : {std::pair{16385, 16385}, std::pair{INT32_MAX, INT32_MAX}, std::pair{1 << 20, 1 << 9}}) {
        log.Events.clear();
        try {
            b.SetDimensions(w, h);
            FAIL() << "no exception for " << w << " x " << h;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
        }
        EXPECT_EQ(b.Width(), 0);
        EXPECT_EQ(b.Height(), 0);
        EXPECT_TRUE(b.IsEmpty());
        EXPECT_EQ(b.PixelData(), nullptr);
        EXPECT_EQ(b.ClipBounds(), TRect{});
        EXPECT_EQ(log.Events, (Log{"handle"}));
    }
    // The bitmap is usable again afterwards.
    EXPECT_TRUE(b.SetDimensions(4, 4));
    b.FillAll(0xFF00FF00u);
    EXPECT_EQ(b.PixelData()[15], 0xFF00FF00u);
    EXPECT_EQ(b.ClipBounds(), (TRect{0, 0, 4, 4}));
}

TEST(Bitmap32Notification, ChangeBracketHoldsBackChangeAndAreaButNotResizeOrHandle) {
    TBitmap32 b;
    EventLog log;
    log.Attach(b);
    {
        const auto bracket = ChangeBracket(b);
        b.SetDimensions(2, 2);
        b.SetDrawMode(TDrawMode::dmBlend);
        b.FillAll(0);
        EXPECT_EQ(log.Events, (Log{"handle", "resize"}));
    }
    EXPECT_EQ(log.Events, (Log{"handle", "resize", "area", "change"}));
    EXPECT_EQ(log.Areas.back(), (TRect{0, 0, 2, 2}));
    EXPECT_EQ(b.ChangeDepth(), 0);
}

TEST(Bitmap32Notification, TakingPixelsRaisesWhatItsHeaderSays) {
    for (const auto& [width, events] : {std::pair{3, Log{"handle", "resize", "area", "change"}},
                                        std::pair{2, Log{"handle", "area", "change"}}}) {
        TBitmap32 source, target;
        source.SetDimensions(width, 2);
        target.SetDimensions(2, 2);
        EventLog log;
        log.Attach(target);
        target.TakePixelsFrom(source);
        EXPECT_EQ(log.Events, events) << width;
        EXPECT_EQ(log.Areas.back(), (TRect{0, 0, width, 2}));
    }
}

TEST(Bitmap32Notification, SettersNotifyOnlyOnRealChangesAndOuterColorNever) {
    TBitmap32 b;
    EventLog log;
    log.Attach(b);
    b.SetDrawMode(TDrawMode::dmOpaque);
    b.SetCombineMode(TCombineMode::cmBlend);
    b.SetWrapMode(TWrapMode::wmClamp);
    b.SetMasterAlpha(255);
    b.SetOuterColor(0x7FFFFFFFu);
    EXPECT_TRUE(log.Events.empty());
    EXPECT_EQ(b.OuterColor(), 0x7FFFFFFFu);

    b.SetDrawMode(TDrawMode::dmCustom);
    b.SetCombineMode(TCombineMode::cmMerge);
    b.SetWrapMode(TWrapMode::wmMirror);
    b.SetMasterAlpha(300);  // stored as given
    EXPECT_EQ(log.Events, (Log{"area", "change", "area", "change", "area", "change", "area", "change"}));
    EXPECT_EQ(b.MasterAlpha(), 300u);
}

TEST(Bitmap32Notification, MeasureOnlyReportsWithoutDrawingOrRaisingOnChange) {
    TBitmap32 b;
    b.SetDimensions(4, 3);
    b.FillAll(0x11111111u);
    EventLog log;
    log.Attach(b);
    std::vector<TRect> measured;
    {
        TMeasureScope scope(b, [&](TNotifiablePersistent*, const TRect& r, uint32_t) { measured.push_back(r); });
        EXPECT_TRUE(b.MeasureOnly());
        const auto bracket = ChangeBracket(b);  // measuring reports even inside a bracket
        b.FillAll(0x22222222u);
        b.MakeOpaque();
    }
    EXPECT_FALSE(b.MeasureOnly());
    EXPECT_EQ(b.PixelData()[0], 0x11111111u);
    // FillAll, MakeOpaque and the closing bracket each report the whole bitmap to the measurer only.
    EXPECT_EQ(measured, (std::vector<TRect>(3, TRect{0, 0, 4, 3})));
    EXPECT_TRUE(log.Events.empty());
    b.NotifyChanged();
    EXPECT_EQ(log.Events, (Log{"area", "change"}));
}

TEST(Bitmap32Fill, FillAllCoversEveryPixelOrOnlyTheClipRectangle) {
    TBitmap32 b;
    b.SetDimensions(37, 5);  // odd width: the vector loop's head and tail both run on later rows
    b.FillAll(0xDEADBEEFu);
    for (int i = 0; i < 37 * 5; ++i) ASSERT_EQ(b.PixelData()[i], 0xDEADBEEFu) << i;

    b.SetClipBounds(TRect{3, 1, 30, 4});
    EventLog log;
    log.Attach(b);
    b.FillAll(0x01020304u);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x) {
            const bool inside = x >= 3 && x < 30 && y >= 1 && y < 4;
            ASSERT_EQ(b.PixelData()[y * 37 + x], inside ? 0x01020304u : 0xDEADBEEFu) << x << "," << y;
        }
    ASSERT_EQ(log.Areas.size(), 2u);
    EXPECT_EQ(log.Areas[0], (TRect{3, 1, 30, 4}));
    EXPECT_EQ(log.Areas[1], b.FullRect());
}

TEST(Bitmap32Fill, FillAllOnEmptyBitmapRaisesNothing) {
    TBitmap32 b;
    EventLog log;
    log.Attach(b);
    b.FillAll(0xFFFFFFFFu);
    b.SetDimensions(0, 7);
    log.Events.clear();
    b.FillAll(0xFFFFFFFFu);
    EXPECT_TRUE(log.Events.empty());
}

TEST(Bitmap32Fill, MakeOpaqueSetsOnlyTheAlphaByte) {
    TBitmap32 b;
    b.SetDimensions(19, 3);
    for (int i = 0; i < 19 * 3; ++i) b.PixelData()[i] = uint32_t(i) * 0x01030507u & 0x00FFFFFFu;
    b.PixelData()[5] = 0x80ABCDEFu;
    b.MakeOpaque();
    for (int i = 0; i < 19 * 3; ++i) {
        const uint32_t expected = i == 5 ? 0xFFABCDEFu : ((uint32_t(i) * 0x01030507u & 0x00FFFFFFu) | 0xFF000000u);
        ASSERT_EQ(b.PixelData()[i], expected) << i;
    }
}

TEST(Bitmap32Clip, ClipBoundsIntersectTheBitmapAndCarryFixedPointForms) {
    TBitmap32 b;
    b.SetDimensions(10, 8);
    EXPECT_FALSE(b.IsClipped());
    b.SetClipBounds(TRect{-5, 2, 7, 100});
    EXPECT_EQ(b.ClipBounds(), (TRect{0, 2, 7, 8}));
    EXPECT_EQ(b.FixedClipBounds(), (TRect{0, 2 << 16, 7 << 16, 8 << 16}));
    EXPECT_EQ(b.ClipBounds256(), (TRect{0, 2 << 8, 7 << 8, 8 << 8}));
    EXPECT_TRUE(b.IsClipped());

    b.SetClipBounds(TRect{8, 0, 3, 5});  // inverted after intersection
    EXPECT_EQ(b.ClipBounds(), TRect{});
    EXPECT_TRUE(b.IsClipped());

    b.SetClipBounds(TRect{-1, -1, 50, 50});
    EXPECT_EQ(b.ClipBounds(), b.FullRect());
    EXPECT_FALSE(b.IsClipped());

    b.SetClipBounds(TRect{1, 1, 2, 2});
    b.SetDimensions(20, 20);
    EXPECT_EQ(b.ClipBounds(), (TRect{0, 0, 20, 20}));
    EXPECT_FALSE(b.IsClipped());
}

TEST(Bitmap32Assign, AssignCopiesPixelsAndSettingsRaisingOnChangeOnceAtTheEnd) {
    TBitmap32 src;
    src.SetDimensions(3, 2);
    for (int i = 0; i < 6; ++i) src.PixelData()[i] = 0xFF000000u | uint32_t(i);
    src.SetDrawMode(TDrawMode::dmCustom);
    src.SetCombineMode(TCombineMode::cmMerge);
    src.SetWrapMode(TWrapMode::wmRepeat);
    src.SetMasterAlpha(77);
    src.SetOuterColor(0x7FFFFFFFu);
    src.SetResamplerClassName("TDraftResampler");

    TBitmap32 dst;
    EventLog log;
    log.Attach(dst);
    dst.Assign(&src);
    EXPECT_EQ(log.Events, (Log{"handle", "resize", "area", "change"}));
    ASSERT_EQ(dst.Width(), 3);
    ASSERT_EQ(dst.Height(), 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(dst.PixelData()[i], src.PixelData()[i]);
    EXPECT_NE(dst.PixelData(), src.PixelData());
    EXPECT_EQ(dst.DrawMode(), TDrawMode::dmCustom);
    EXPECT_EQ(dst.CombineMode(), TCombineMode::cmMerge);
    EXPECT_EQ(dst.WrapMode(), TWrapMode::wmRepeat);
    EXPECT_EQ(dst.MasterAlpha(), 77u);
    EXPECT_EQ(dst.OuterColor(), 0x7FFFFFFFu);
    EXPECT_EQ(dst.ResamplerClassName(), "TDraftResampler");
    EXPECT_NE(dst.Resampler(), src.Resampler());
}

TEST(Bitmap32Assign, AssignOfEmptyBitmapEmptiesButTakesSettingsAndResamplerClass) {
    TBitmap32 src;
    src.SetResamplerClassName("TLinearResampler");
    src.SetMasterAlpha(12);
    TBitmap32 dst;
    dst.SetDimensions(5, 5);
    dst.Assign(&src);
    EXPECT_TRUE(dst.IsEmpty());
    EXPECT_EQ(dst.Width(), 0);
    EXPECT_EQ(dst.ResamplerClassName(), "TLinearResampler");
    EXPECT_EQ(dst.MasterAlpha(), 12u);
}

TEST(Bitmap32Assign, AssignOfNothingEmptiesAndUnsupportedSourceFailsButStillNotifies) {
    TBitmap32 b;
    b.SetDimensions(2, 2);
    EventLog log;
    log.Attach(b);
    b.Assign(nullptr);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(log.Events, (Log{"handle", "resize", "area", "change"}));

    log.Events.clear();
    TLinearResampler stranger;
    try {
        b.Assign(static_cast<const TNotifiablePersistent*>(&stranger));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TLinearResampler to a TBitmap32");
    }
    EXPECT_EQ(log.Events, (Log{"area", "change"}));
    EXPECT_EQ(b.ChangeDepth(), 0);

    // Through the generic entry a bitmap is still a bitmap.
    TBitmap32 other;
    other.SetDimensions(1, 1);
    other.PixelData()[0] = 0xFFABCDEFu;
    b.Assign(static_cast<const TNotifiablePersistent*>(&other));
    EXPECT_EQ(b.PixelData()[0], 0xFFABCDEFu);
}

TEST(Bitmap32Assign, SelfAssignKeepsPixels) {
    TBitmap32 b;
    b.SetDimensions(2, 1);
    b.PixelData()[0] = 1;
    b.PixelData()[1] = 2;
    b.Assign(&b);
    EXPECT_EQ(b.PixelData()[0], 1u);
    EXPECT_EQ(b.PixelData()[1], 2u);
}

TEST(Bitmap32Resampler, ClassNameSelectsRegisteredClassesExactly) {
    TBitmap32 b;
    EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
    EventLog log;
    log.Attach(b);
    TCustomResampler* initial = b.Resampler();

    for (const char* ignored : {"", "TNearestResampler", "tdraftresampler", "TKernelResampler", "TDraftResampler "}) {
        b.SetResamplerClassName(ignored);
        EXPECT_EQ(b.Resampler(), initial) << ignored;
    }
    EXPECT_TRUE(log.Events.empty());

    b.SetResamplerClassName("TDraftResampler");
    EXPECT_EQ(b.ResamplerClassName(), "TDraftResampler");
    EXPECT_NE(dynamic_cast<TDraftResampler*>(b.Resampler()), nullptr);
    EXPECT_EQ(log.Events, (Log{"area", "change"}));
    EXPECT_EQ(static_cast<TBitmap32Resampler*>(b.Resampler())->Owner(), &b);
}

TEST(Bitmap32Resampler, RegistryOrderAndLookup) {
    const TResamplerClassList& classes = ResamplerClasses();
    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(classes[0].Name, "TNearestResampler");
    EXPECT_EQ(classes[1].Name, "TLinearResampler");
    EXPECT_EQ(classes[2].Name, "TDraftResampler");
    EXPECT_EQ(FindClassByName(classes, "TLinearResampler"), &classes[1]);
    EXPECT_EQ(FindClassByName(classes, "TLinear"), nullptr);
}

TEST(Bitmap32Resampler, ResamplerMadeForABitmapReplacesItsResamplerAndForwardsChanges) {
    TBitmap32 b;
    EventLog log;
    log.Attach(b);
    auto* linear = new TLinearResampler(&b);
    EXPECT_EQ(b.Resampler(), linear);
    EXPECT_EQ(log.Events, (Log{"area", "change"}));

    log.Events.clear();
    b.SetResampler(nullptr);
    b.SetResampler(linear);
    EXPECT_TRUE(log.Events.empty());
    linear->NotifyChanged();
    EXPECT_EQ(log.Events, (Log{"area", "change"}));
}

TEST(Bitmap32Lock, LockIsRecursiveCountsDepthAndExcludesOtherThreads) {
    TBitmap32 b;
    std::atomic<bool> otherGotIt{true};
    {
        TLockGuard outer(b);
        TLockGuard inner(b);
        EXPECT_EQ(b.LockDepth(), 2);
        std::thread t([&] {
            otherGotIt = b.Guard().try_lock();
            if (otherGotIt) b.Guard().unlock();
        });
        t.join();
    }
    EXPECT_FALSE(otherGotIt);
    EXPECT_EQ(b.LockDepth(), 0);
    std::thread t([&] {
        otherGotIt = b.Guard().try_lock();
        if (otherGotIt) b.Guard().unlock();
    });
    t.join();
    EXPECT_TRUE(otherGotIt);
}

TEST(Bitmap32Lifecycle, DestructionRaisesNoEvents) {
    int events = 0;
    {
        TBitmap32 b;
        b.SetDimensions(3, 3);
        b.OnChange = [&](TNotifiablePersistent*) { ++events; };
        b.OnResize = [&](TNotifiablePersistent*) { ++events; };
        b.OnHandleChanged = [&](TNotifiablePersistent*) { ++events; };
        b.OnAreaChanged = [&](TNotifiablePersistent*, const TRect&, uint32_t) { ++events; };
    }
    EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace velmora

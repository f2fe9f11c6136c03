#include "raster/transfer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/exception.h"
#include "raster/bitmap32.h"
#include "raster/bitmap_errors.h"
#include "raster/blend.h"
#include "raster/box_average.h"
#include "raster/resampler.h"

namespace velmora {
namespace {

void Fill(TBitmap32& b, int w, int h, const std::vector<TColor32>& pixels) {
    b.SetDimensions(w, h);
    ASSERT_EQ(pixels.size(), size_t(w) * size_t(h));
    std::copy(pixels.begin(), pixels.end(), b.PixelData());
}

std::vector<TColor32> Pixels(const TBitmap32& b) {
    return std::vector<TColor32>(b.PixelData(), b.PixelData() + size_t(b.Width()) * size_t(b.Height()));
}

void FillRandom(TBitmap32& b, int w, int h, std::mt19937& rng, bool opaque = false) {
    b.SetDimensions(w, h);
    for (int i = 0; i < w * h; ++i) b.PixelData()[i] = rng() | (opaque ? 0xFF000000u : 0u);
}

// Counts the area reports of a destination bitmap.
struct AreaLog {
    std::vector<TRect> Areas;
    void Attach(TBitmap32& b) {
        b.OnAreaChanged = [this](TNotifiablePersistent*, const TRect& r, uint32_t) { Areas.push_back(r); };
    }
};

const TPixelCombineEvent NoCombine;

TEST(TransferArguments, MissingBitmapsFailWithTheirMessages) {
    TBitmap32 b;
    b.SetDimensions(1, 1);
    try {
        TransferScaled(nullptr, TRect{0, 0, 1, 1}, TRect{0, 0, 1, 1}, &b, TRect{0, 0, 1, 1}, b.Resampler(),
                       TDrawMode::dmOpaque, NoCombine);
        FAIL();
    } catch (const EBitmapException& e) {
        EXPECT_STREQ(e.what(), "Destination bitmap is nil");
    }
    try {
        TransferScaled(&b, TRect{0, 0, 1, 1}, TRect{0, 0, 1, 1}, nullptr, TRect{0, 0, 1, 1}, b.Resampler(),
                       TDrawMode::dmOpaque, NoCombine);
        FAIL();
    } catch (const EBitmapException& e) {
        EXPECT_STREQ(e.what(), "Source bitmap is nil");
    }
}

TEST(TransferArguments, InvalidSourceRectFailsAndEmptyOneDrawsNothing) {
    TBitmap32 src, dst;
    src.SetDimensions(20, 20);
    src.FillAll(0xFFFFFFFFu);
    dst.SetDimensions(20, 20);
    dst.FillAll(0xFF000000u);
    AreaLog log;
    log.Attach(dst);
    for (TRect bad : {TRect{-1, 0, 10, 10}, TRect{0, -1, 10, 10}, TRect{0, 0, 21, 10}, TRect{0, 0, 10, 21}}) {
        try {
            TransferScaled(&dst, TRect{0, 0, 10, 10}, dst.ClipBounds(), &src, bad, src.Resampler(),
                           TDrawMode::dmOpaque, NoCombine);
            FAIL() << bad.Left << "," << bad.Top << "," << bad.Right << "," << bad.Bottom;
        } catch (const ESrcInvalidException& e) {
            EXPECT_STREQ(e.what(), "Source rectangle is invalid");
        }
    }
    TransferScaled(&dst, TRect{0, 0, 10, 10}, dst.ClipBounds(), &src, TRect{5, 5, 5, 10}, src.Resampler(),
                   TDrawMode::dmOpaque, NoCombine);
    EXPECT_TRUE(log.Areas.empty());
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(400, 0xFF000000u));

    try {
        NearestStretch(dst, TRect{0, 0, 10, 10}, dst.ClipBounds(), src, TRect{0, 0, 30, 10}, TDrawMode::dmOpaque,
                       NoCombine);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid SrcRect");
    }
}

TEST(TransferArguments, NothingHappensForEmptyBitmapsZeroMasterAlphaOrEmptyClip) {
    TBitmap32 src, dst, empty;
    src.SetDimensions(4, 4);
    src.FillAll(0xFFFFFFFFu);
    dst.SetDimensions(4, 4);
    dst.FillAll(0xFF000000u);
    AreaLog log;
    log.Attach(dst);
    src.DrawOnto(dst, TRect{-10, -10, -6, -6});  // entirely outside
    empty.DrawOnto(dst, TRect{0, 0, 4, 4});
    src.SetDrawMode(TDrawMode::dmBlend);
    src.SetMasterAlpha(0);
    src.DrawOnto(dst, TRect{0, 0, 4, 4});
    EXPECT_TRUE(log.Areas.empty());
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(16, 0xFF000000u));
}

TEST(TransferBlockCopy, LargerSourceIsClippedToTheDestinationAndTheWholeRectIsReported) {
    TBitmap32 src, dst;
    std::mt19937 rng(7);
    FillRandom(src, 100, 100, rng);
    dst.SetDimensions(50, 50);
    AreaLog log;
    log.Attach(dst);
    src.DrawOnto(dst, TRect{0, 0, 100, 100});
    ASSERT_EQ(log.Areas.size(), 1u);
    EXPECT_EQ(log.Areas[0], (TRect{0, 0, 100, 100}));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(dst.PixelData()[y * 50 + x], src.PixelData()[y * 100 + x]);
}

TEST(TransferBlockCopy, OverlappingMoveWithinOneBitmapReadsEveryRowBeforeOverwritingIt) {
    TBitmap32 b;
    Fill(b, 2, 4, {1, 10, 2, 20, 3, 30, 4, 40});
    TransferBlock(b, TRect{0, 1, 2, 4}, b, 0, 0, TDrawMode::dmOpaque, NoCombine);
    EXPECT_EQ(Pixels(b), (std::vector<TColor32>{1, 10, 1, 10, 2, 20, 3, 30}));
    TransferBlock(b, TRect{0, 0, 1, 3}, b, 1, 1, TDrawMode::dmOpaque, NoCombine);
    EXPECT_EQ(Pixels(b), (std::vector<TColor32>{10, 10, 20, 10, 30, 20, 3, 30}));
}

TEST(TransferBlockCopy, MeasuringDestinationOnlyReports) {
    TBitmap32 src, dst;
    src.SetDimensions(3, 3);
    src.FillAll(0xFFFFFFFFu);
    dst.SetDimensions(3, 3);
    dst.FillAll(0);
    std::vector<TRect> measured;
    TMeasureScope scope(dst, [&](TNotifiablePersistent*, const TRect& r, uint32_t) { measured.push_back(r); });
    src.DrawOnto(dst, TRect{1, 1, 7, 7});
    EXPECT_EQ(measured, (std::vector<TRect>{TRect{1, 1, 7, 7}}));
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(9, 0u));
}

TEST(TransferDrawModes, TransparentSkipsTheOuterColorAndCustomWithoutHandlerCopies) {
    const TColor32 key = 0x7FFFFFFFu;
    TBitmap32 src, dst;
    Fill(src, 3, 1, {key, 0x12345678u, key});
    src.SetOuterColor(key);
    src.SetDrawMode(TDrawMode::dmTransparent);
    Fill(dst, 3, 1, {1, 2, 3});
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{1, 0x12345678u, 3}));

    // A translucent colour that differs from the key in one bit is copied as is.
    Fill(src, 3, 1, {key ^ 1u, key, key});
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{key ^ 1u, 0x12345678u, 3}));

    for (const char* resampler : {"TNearestResampler", "TLinearResampler", "TDraftResampler"}) {
        TBitmap32 custom, opaque, a, b;
        std::mt19937 rng(3);
        FillRandom(custom, 5, 4, rng);
        opaque.Assign(&custom);
        custom.SetDrawMode(TDrawMode::dmCustom);
        custom.SetCombineMode(TCombineMode::cmMerge);
        custom.SetResamplerClassName(resampler);
        opaque.SetResamplerClassName(resampler);
        FillRandom(a, 9, 7, rng);
        b.Assign(&a);
        custom.DrawOnto(a, TRect{1, 0, 8, 7});
        opaque.DrawOnto(b, TRect{1, 0, 8, 7});
        EXPECT_EQ(Pixels(a), Pixels(b)) << resampler;
    }
}

TEST(TransferDrawModes, CustomCallsTheHandlerPerPixelWithTheMasterAlpha) {
    TBitmap32 src, dst;
    Fill(src, 2, 2, {1, 2, 3, 4});
    src.SetDrawMode(TDrawMode::dmCustom);
    src.SetMasterAlpha(99);
    std::vector<TColor32> seen;
    src.OnPixelCombine = [&](TColor32 f, TColor32& b, TColor32 m) {
        EXPECT_EQ(m, 99u);
        seen.push_back(f);
        b = f * 10 + b;
    };
    Fill(dst, 2, 2, {100, 200, 300, 400});
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(seen, (std::vector<TColor32>{1, 2, 3, 4}));
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{110, 220, 330, 440}));
}

TEST(TransferDrawModes, BlendFollowsCombineModeAndMasterAlphaThroughTheRowOperations) {
    std::mt19937 rng(11);
    for (TCombineMode mode : {TCombineMode::cmBlend, TCombineMode::cmMerge})
        for (uint32_t master : {255u, 128u, 1u}) {
            TBitmap32 src, dst;
            FillRandom(src, 13, 3, rng);
            FillRandom(dst, 13, 3, rng);
            src.SetDrawMode(TDrawMode::dmBlend);
            src.SetCombineMode(mode);
            src.SetMasterAlpha(master);
            std::vector<TColor32> expected = Pixels(dst);
            const CombineOps& ops = CombineModeDispatch(mode);
            if (master < 255)
                ops.RowMaster(src.PixelData(), expected.data(), 39, master);
            else
                ops.Row(src.PixelData(), expected.data(), 39);
            src.DrawOnto(dst, dst.FullRect());
            EXPECT_EQ(Pixels(dst), expected) << int(mode) << " " << master;
        }
}

TEST(TransferDrawModes, ResampledBlendTakesTheMasterInPlaceFormEvenAtFullMasterAlpha) {
    BlendVariantScope scope(BlendVariant::Vector);
    TBitmap32 src, dst;
    src.SetResamplerClassName("TDraftResampler");
    src.SetDrawMode(TDrawMode::dmBlend);
    src.SetDimensions(2, 2);
    src.FillAll(0xFF000000u);
    dst.SetDimensions(1, 1);
    dst.FillAll(0xFFFFFFFFu);
    src.DrawOnto(dst, dst.FullRect());
    // ((0 - 255) * 255 + 255 * 256 + 128) >> 8 = 1, where a plain blend would copy the opaque black.
    EXPECT_EQ(dst.PixelData()[0], 0xFF010101u);

    // With M = 16 and Fa = 250 the in-place weight (17 * 250) >> 8 = 16 differs from the vector row
    // weight (251 * 16) >> 8 = 15: only the former is right for resampled pixels.
    const TColor32 f = 0xFAFFFFFFu, b = 0xFF000000u;
    src.SetMasterAlpha(16);
    src.FillAll(f);
    dst.FillAll(b);
    src.DrawOnto(dst, dst.FullRect());
    TColor32 expected = b, rowForm = b;
    BlendOpsFor(BlendVariant::Vector).Blend.IntoMaster(f, expected, 16);
    BlendOpsFor(BlendVariant::Vector).Blend.RowMaster(&f, &rowForm, 1, 16);
    ASSERT_NE(expected, rowForm);
    EXPECT_EQ(dst.PixelData()[0], expected);
}

TEST(NearestStretchTest, TwoPixelRowStretchedToFourAndShrunkToOne) {
    const TColor32 A = 0xFFAA0000u, B = 0xFF00BB00u;
    TBitmap32 src, dst;
    Fill(src, 2, 1, {A, B});
    dst.SetDimensions(4, 1);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{A, A, B, B}));
    dst.SetDimensions(1, 1);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{A}));
}

TEST(NearestStretchTest, RepeatedRowsAndOtherModesMatchAPlainPick) {
    std::mt19937 rng(5);
    TBitmap32 src, dst, reference;
    FillRandom(src, 5, 3, rng, true);
    FillRandom(dst, 11, 8, rng);
    reference.Assign(&dst);
    src.SetDrawMode(TDrawMode::dmTransparent);
    src.SetOuterColor(src.PixelData()[0]);
    src.DrawOnto(dst, TRect{1, 1, 11, 8});
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 11; ++x) {
            const int sx = (x - 1) * 5 / 10, sy = (y - 1) * 3 / 7;
            const TColor32 s = src.PixelData()[sy * 5 + sx];
            const TColor32 expected = s == src.OuterColor() ? reference.PixelData()[y * 11 + x] : s;
            ASSERT_EQ(dst.PixelData()[y * 11 + x], expected) << x << "," << y;
        }
}

TEST(BoxShrinkTest, AveragesBoxesAndNeverExceedsTheMean) {
    TBitmap32 src, dst;
    src.SetResamplerClassName("TDraftResampler");
    Fill(src, 4, 4,
         {0xFF000000u, 0xFF000004u, 0xFF101010u, 0xFF303030u,  //
          0xFF000008u, 0xFF00000Cu, 0xFF202020u, 0xFF404040u,  //
          0x00000000u, 0x00000000u, 0xFFFFFFFFu, 0xFFFFFFFFu,  //
          0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    dst.SetDimensions(2, 2);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{0xFF000006u, 0xFF282828u, 0x7F7F7F7Fu, 0xFFFFFFFFu}));

    Fill(src, 3, 1, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    dst.SetDimensions(1, 1);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(dst.PixelData()[0], 0xFEFEFEFEu);

    // 5 -> 2 steps by 2.5: boxes [0, 2) and [2, 5).
    Fill(src, 5, 1, {0xFF000002u, 0xFF000004u, 0xFF000030u, 0xFF000030u, 0xFF000030u});
    dst.SetDimensions(2, 1);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{0xFF000003u, 0xFE00002Fu}));
}

TEST(BoxShrinkTest, VectorAndPortableAveragesAgreeOnEveryWidthUpTo257) {
    std::mt19937 rng(2024);
    SCOPED_TRACE("seed 2024");
    std::vector<TColor32> data(260 * 6);
    for (TColor32& c : data) c = rng();
    for (int w = 1; w <= 257; w += (w < 40 ? 1 : 17))
        for (int h = 1; h <= 6; ++h) {
            const TColor32 p = AverageBoxPortable(data.data() + 1, w, h, 260);
            ASSERT_EQ(AverageBoxVector(data.data() + 1, w, h, 260), p) << w << " x " << h;
            // Every channel is at most the true mean and less than one below it after the reciprocal.
            for (int shift = 0; shift < 32; shift += 8) {
                uint64_t sum = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) sum += (data[size_t(y) * 260 + 1 + x] >> shift) & 0xFF;
                const double mean = double(sum) / (w * h);
                const double got = (p >> shift) & 0xFF;
                ASSERT_LE(got, mean);
                ASSERT_GT(got, mean - 2.0);
            }
        }
    // Full white rows at the lane limit stay exact in both.
    std::vector<TColor32> white(257 * 2, 0xFFFFFFFFu);
    EXPECT_EQ(AverageBoxVector(white.data(), 257, 2, 257), AverageBoxPortable(white.data(), 257, 2, 257));
}

TEST(BoxShrinkTest, BothVariantsDrawTheSamePixels) {
    std::mt19937 rng(31);
    SCOPED_TRACE("seed 31");
    const std::pair<int, int> sizes[] = {{1600, 1200}, {37, 5}, {300, 2}, {11, 11}, {600, 7}};
    for (auto [w, h] : sizes) {
        TBitmap32 src;
        FillRandom(src, w, h, rng);
        src.SetResamplerClassName("TDraftResampler");
        for (TRect target : {TRect{0, 0, 788, 591}, TRect{0, 0, 7, 3}, TRect{2, 1, 3, 2}, TRect{-5, -4, 9, 5}}) {
            if (target.Width() > w || target.Height() > h) continue;
            std::vector<TColor32> results[2];
            for (BlendVariant variant : {BlendVariant::Vector, BlendVariant::Portable}) {
                BlendVariantScope scope(variant);
                TBitmap32 dst;
                dst.SetDimensions(std::max(target.Right, 1), std::max(target.Bottom, 1));
                dst.FillAll(0);
                src.DrawOnto(dst, target);
                results[int(variant)] = Pixels(dst);
            }
            ASSERT_EQ(results[0], results[1]) << w << "x" << h << " -> " << target.Width() << "x" << target.Height();
        }
    }
}

TEST(BilinearStretchTest, GoldenRampInBothVariants) {
    // Columns of a 2 x 2 source stretched to 4 take the left pixel with weights 256, 192, 64, 0.
    TBitmap32 src, dst;
    src.SetResamplerClassName("TLinearResampler");
    Fill(src, 2, 2, {0xFF000000u, 0xFF0000FFu, 0xFF000000u, 0xFF0000FFu});
    for (BlendVariant variant : {BlendVariant::Vector, BlendVariant::Portable}) {
        BlendVariantScope scope(variant);
        dst.SetDimensions(4, 4);
        src.DrawOnto(dst, dst.FullRect());
        const BlendOps& ops = BlendOpsFor(variant);
        const uint32_t weights[4] = {256, 192, 64, 0};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const TColor32 expected = ops.InterpolateWeighted(weights[x], weights[y], src.PixelData(),
                                                                  src.PixelData() + 2);
                ASSERT_EQ(dst.PixelData()[y * 4 + x], expected) << x << "," << y;
            }
        if (variant == BlendVariant::Vector) {
            // ((0 - 255) * w + 255 * 256) >> 8 per column, rows identical.
            EXPECT_EQ(dst.PixelData()[0] & 0xFF, 0u);
            EXPECT_EQ(dst.PixelData()[1] & 0xFF, 63u);
            EXPECT_EQ(dst.PixelData()[2] & 0xFF, 191u);
            EXPECT_EQ(dst.PixelData()[3] & 0xFF, 255u);
        }
    }
}

TEST(KernelStretchTest, ContributionsAddUpTo256AndStayInsideTheSource) {
    TLinearKernel kernel;
    EXPECT_TRUE(BuildContributions(0, 10, 0, 10, 3, 3, kernel).empty());
    for (const TCluster& c : BuildContributions(0, 7, 2, 5, 4, 5, kernel)) {
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(c[0].Pos, 4);
        EXPECT_EQ(c[0].Weight, 256);
    }
    for (auto [dstLen, srcLen] : {std::pair{10, 3}, std::pair{3, 10}, std::pair{7, 7}, std::pair{2, 1000},
                                  std::pair{1000, 2}, std::pair{13, 17}, std::pair{1, 5}}) {
        const TMappingTable table = BuildContributions(5, 5 + dstLen, 5, 5 + dstLen, 20, 20 + srcLen, kernel);
        ASSERT_EQ(table.size(), size_t(dstLen));
        for (const TCluster& cluster : table) {
            int sum = 0;
            ASSERT_FALSE(cluster.empty());
            for (const TClusterEntry& e : cluster) {
                sum += e.Weight;
                EXPECT_NE(e.Weight, 0);
                EXPECT_GE(e.Pos, 20);
                EXPECT_LT(e.Pos, 20 + srcLen);
            }
            EXPECT_EQ(sum, 256) << dstLen << " from " << srcLen;
        }
    }
}

TEST(KernelStretchTest, DraftEnlargementOfASingleColumnStretchesIt) {
    TBitmap32 src, dst;
    src.SetResamplerClassName("TDraftResampler");
    Fill(src, 1, 3, {0xFF102030u, 0xFF405060u, 0xFF708090u});
    dst.SetDimensions(5, 3);
    src.DrawOnto(dst, dst.FullRect());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) ASSERT_EQ(dst.PixelData()[y * 5 + x], src.PixelData()[y]) << x << "," << y;
}

TEST(KernelStretchTest, UniformSourceStaysUniformWhenShrunkLinearly) {
    TBitmap32 src, dst;
    src.SetResamplerClassName("TLinearResampler");
    src.SetDimensions(17, 9);
    src.FillAll(0x80C0E0F0u);
    dst.SetDimensions(5, 4);
    src.DrawOnto(dst, dst.FullRect());
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(20, 0x80C0E0F0u));
}

// Drawing through a clip rectangle must give exactly the clipped part of the unclipped drawing and
// leave everything outside it alone.
TEST(TransferClipping, ClippedDrawEqualsThePartOfAnUnclippedOne) {
    struct Case {
        const char* Resampler;
        int SrcW, SrcH;
        TRect DstRect;
    };
    const Case cases[] = {
        {"TNearestResampler", 7, 5, {-3, 2, 20, 15}},  {"TNearestResampler", 30, 20, {1, 1, 12, 9}},
        {"TLinearResampler", 5, 4, {0, -2, 19, 14}},   {"TLinearResampler", 31, 23, {2, 3, 13, 11}},
        {"TDraftResampler", 40, 33, {-1, 0, 15, 13}},  {"TDraftResampler", 4, 3, {1, 1, 17, 16}},
        {"TDraftResampler", 1, 4, {0, 0, 9, 12}},      {"TLinearResampler", 17, 3, {0, 0, 6, 11}},
    };
    const TDrawMode modes[] = {TDrawMode::dmOpaque, TDrawMode::dmBlend, TDrawMode::dmTransparent};
    std::mt19937 rng(99);
    SCOPED_TRACE("seed 99");
    for (const Case& c : cases)
        for (TDrawMode mode : modes)
            for (BlendVariant variant : {BlendVariant::Vector, BlendVariant::Portable}) {
                BlendVariantScope scope(variant);
                TBitmap32 src, whole, clipped;
                FillRandom(src, c.SrcW, c.SrcH, rng);
                src.SetResamplerClassName(c.Resampler);
                src.SetDrawMode(mode);
                src.SetMasterAlpha(200);
                src.SetOuterColor(src.PixelData()[1]);
                FillRandom(whole, 16, 14, rng);
                clipped.Assign(&whole);
                const TRect clip{3, 4, 11, 9};
                clipped.SetClipBounds(clip);
                src.DrawOnto(whole, c.DstRect);
                const std::vector<TColor32> before = Pixels(clipped);
                src.DrawOnto(clipped, c.DstRect);
                for (int y = 0; y < 14; ++y)
                    for (int x = 0; x < 16; ++x) {
                        const TColor32 expected = clip.Contains(x, y) ? whole.PixelData()[y * 16 + x] : before[y * 16 + x];
                        ASSERT_EQ(clipped.PixelData()[y * 16 + x], expected)
                            << c.Resampler << " " << c.SrcW << "x" << c.SrcH << " mode " << int(mode) << " variant " << int(variant) << " at " << x
                            << "," << y;
                    }
            }
}

}  // namespace
}  // namespace velmora

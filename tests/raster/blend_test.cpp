// Blend, merge, mix and interpolation in both variants against plain per-channel references.
#include <gtest/gtest.h>

#include <cmath>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "raster/blend.h"
#include "raster/blend_kernels.h"
#include "raster/color32.h"
#include "raster/color_tables.h"
#include "raster/cpu_features.h"

namespace velmora {
namespace {

// ---- references, one channel at a time -------------------------------------------------------

uint32_t Chan(TColor32 c, int i) { return (c >> (8 * i)) & 0xFF; }

template <typename F>
TColor32 PerChannel(F f) {
    TColor32 r = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t v = f(i);
        if (v > 255) ADD_FAILURE() << "channel overflow: " << v;
        r |= (v & 0xFF) << (8 * i);
    }
    return r;
}

// round(n / d) with halves to even, in integers.
uint32_t RoundDiv(uint32_t n, uint32_t d) {
    uint32_t q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1))) ++q;
    return q;
}

TColor32 RefVector(TColor32 x, TColor32 y, uint32_t w) {
    return PerChannel([&](int i) { return (Chan(x, i) * w + Chan(y, i) * (256 - w) + 128) >> 8; });
}
TColor32 RefPortable(TColor32 x, TColor32 y, uint32_t w) {
    return PerChannel([&](int i) { return ((Chan(x, i) * w + 128) >> 8) + ((Chan(y, i) * (255 - w) + 128) >> 8); });
}

// What the in-place and row blend forms produce in each variant.
TColor32 RefBlendInto(BlendVariant v, TColor32 f, TColor32 b) {
    uint32_t fa = f >> 24;
    if (fa == 0) return b;
    if (fa == 255) return f;
    return v == BlendVariant::Vector ? RefVector(f, b, fa) : RefPortable(f, b, fa);
}
TColor32 RefBlendPixel(BlendVariant v, TColor32 f, TColor32 b) {
    return v == BlendVariant::Vector ? RefVector(f, b, f >> 24) : RefBlendInto(v, f, b);
}
TColor32 RefBlendMaster(BlendVariant v, TColor32 f, TColor32 b, uint32_t m, bool rowForm) {
    uint32_t fa = f >> 24;
    uint32_t w = (rowForm && v == BlendVariant::Vector) ? ((fa + 1) * m) >> 8 : ((m + 1) * fa) >> 8;
    if (fa == 0 || w == 0) return b;
    if (v == BlendVariant::Vector) return RefVector(f, b, w);
    return RefPortable(f, b, w) & 0x00FFFFFF;
}
TColor32 RefMix(BlendVariant v, TColor32 x, TColor32 y, uint32_t w) {
    if (v == BlendVariant::Vector) return RefVector(x, y, w);
    if (w == 0) return y;
    if (w == 255) return x;
    return RefPortable(x, y, w);
}
TColor32 RefMixInto(BlendVariant v, TColor32 x, TColor32 y, uint32_t w) {
    if (w == 0) return y;
    if (w == 255) return x;
    return RefMix(v, x, y, w);
}

uint32_t RefProduct(uint32_t a, uint32_t b) { return RoundDiv(a * b, 255); }

TColor32 RefMerge(BlendVariant v, TColor32 f, TColor32 b) {
    uint32_t fa = f >> 24, ba = b >> 24;
    if (fa == 0) return b;
    if (ba == 255) return RefBlendPixel(v, f, b) | 0xFF000000;
    if (fa == 255 || ba == 0) return f;
    uint32_t ra = fa + ba - RefProduct(ba, fa);
    TColor32 r = ra << 24;
    for (int i = 0; i < 3; ++i) {
        int32_t xb = int32_t(RefProduct(ba, Chan(b, i)));
        int32_t d = int32_t(Chan(f, i)) - xb;
        int32_t p = d >= 0 ? xb + int32_t(RefProduct(fa, uint32_t(d))) : xb - int32_t(RefProduct(fa, uint32_t(-d)));
        if (p > int32_t(ra)) ADD_FAILURE() << "merge numerator " << p << " above the result alpha " << ra;
        uint32_t c = RoundDiv(uint32_t(p) * 255, ra);
        r |= c << (8 * i);
    }
    return r;
}
TColor32 RefMergeMaster(BlendVariant v, TColor32 f, TColor32 b, uint32_t m) {
    return RefMerge(v, (f & 0x00FFFFFF) | (RefProduct(m, f >> 24) << 24), b);
}

TColor32 RefInterpolate(BlendVariant v, uint32_t wx, uint32_t wy, const TColor32* r0, const TColor32* r1) {
    if (v == BlendVariant::Portable) {
        wx = std::min(wx, 255u);
        wy = std::min(wy, 255u);
        return RefMix(v, RefMix(v, r0[0], r0[1], wx), RefMix(v, r1[0], r1[1], wx), wy);
    }
    return PerChannel([&](int i) {
        uint32_t top = (Chan(r0[0], i) * wx + Chan(r0[1], i) * (256 - wx)) >> 8;
        uint32_t bottom = (Chan(r1[0], i) * wx + Chan(r1[1], i) * (256 - wx)) >> 8;
        return (top * wy + bottom * (256 - wy)) >> 8;
    });
}

// ---- sample colours ------------------------------------------------------------------------

const uint32_t kEdgeValues[] = {0, 1, 127, 128, 254, 255};
const uint32_t kSampleAlphas[] = {0, 1, 2, 64, 127, 128, 129, 200, 254, 255};

// Colour channels (alpha left 0) from the edge values and a few ordinary ones.
std::vector<TColor32> SampleRgb() {
    std::vector<TColor32> out;
    for (uint32_t r : kEdgeValues)
        for (uint32_t g : {0u, 128u, 255u})
            for (uint32_t b : {1u, 127u, 254u}) out.push_back(Color32(uint8_t(r), uint8_t(g), uint8_t(b), 0));
    out.push_back(0x00123456);
    out.push_back(0x00FEDCBA);
    return out;
}

// Background colours with a spread of alphas.
std::vector<TColor32> SampleBackgrounds() {
    std::vector<TColor32> out;
    const auto rgb = SampleRgb();
    for (size_t i = 0; i < rgb.size(); ++i) {
        for (uint32_t a : kSampleAlphas) {
            if ((i + a) % 3 == 0) out.push_back(rgb[i] | (a << 24));
        }
    }
    out.push_back(0xFFFFFFFF);
    out.push_back(0x00000000);
    return out;
}

const BlendVariant kVariants[] = {BlendVariant::Portable, BlendVariant::Vector};
const char* Name(BlendVariant v) { return v == BlendVariant::Vector ? "vector" : "portable"; }

// Each implementation of the pixel arithmetic: the portable variant and both instruction sets of
// the vector variant, whichever one the start-up would pick.
struct Kernels {
    const char* name;
    BlendVariant variant;
    const BlendOps& (*ops)();
    bool needsAvx2;
};
const Kernels kKernels[] = {
    {"portable", BlendVariant::Portable, [] () -> const BlendOps& { return detail::kPortableBlendOps; }, false},
    {"vector_sse2", BlendVariant::Vector, [] () -> const BlendOps& { return detail::kVectorSse2BlendOps; }, false},
    {"vector_avx2", BlendVariant::Vector, detail::VectorAvx2BlendOps, true},
};

void PrintTo(const Kernels& k, std::ostream* os) { *os << k.name; }

class BlendVariants : public ::testing::TestWithParam<Kernels> {
protected:
    void SetUp() override {
        BlendOpsFor(BlendVariant::Portable);  // start-up: tables filled
        if (GetParam().needsAvx2 && !ProcessorHasAVX2()) GTEST_SKIP() << "no AVX2 on this processor";
    }
    BlendVariant V() const { return GetParam().variant; }
    const BlendOps& Ops() const { return GetParam().ops(); }
};

// ---- tables --------------------------------------------------------------------------------

TEST(ColorTables, MatchIntegerRoundingEverywhere) {
    const TColorTable& product = ProductTable();
    const TColorTable& quotient = QuotientTable();
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            ASSERT_EQ(product[a][b], RefProduct(a, b)) << a << "," << b;
            ASSERT_EQ(product[a][b], product[b][a]);
            uint32_t q = a == 0 ? 0 : RoundDiv(b * 255, a) & 0xFF;
            ASSERT_EQ(quotient[a][b], q) << a << "," << b;
        }
    }
    EXPECT_EQ(quotient[6][1], 42);  // 42.5 goes to the even neighbour
    EXPECT_EQ(quotient[2][1], 128);  // 127.5 likewise
    EXPECT_EQ(product[255][255], 255);
    EXPECT_EQ(product[128][128], 64);
}

TEST(ColorTables, EqualExtendedPrecisionRounding) {
    // The tables' definition: the quotients taken in extended precision, rounded halves to even.
    const TColorTable& product = ProductTable();
    const TColorTable& quotient = QuotientTable();
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(product[a][b], uint8_t(std::nearbyint(static_cast<long double>(a) * b / 255.0L)));
            if (a > 0) {
                ASSERT_EQ(quotient[a][b], uint8_t(int64_t(std::nearbyint(static_cast<long double>(b) * 255.0L / a)) & 0xFF));
            }
        }
    }
}

// ---- blend ---------------------------------------------------------------------------------

TEST_P(BlendVariants, BlendAllAlphasAgainstReference) {
    const auto rgb = SampleRgb();
    const auto backgrounds = SampleBackgrounds();
    for (uint32_t fa = 0; fa < 256; ++fa) {
        for (TColor32 c : rgb) {
            TColor32 f = c | (fa << 24);
            for (TColor32 b : backgrounds) {
                ASSERT_EQ(Ops().Blend.Pixel(f, b), RefBlendPixel(V(), f, b)) << std::hex << f << " over " << b;
                TColor32 d = b;
                Ops().Blend.Into(f, d);
                ASSERT_EQ(d, RefBlendInto(V(), f, b)) << std::hex << f << " into " << b;
            }
        }
    }
}

TEST_P(BlendVariants, BlendMasterAllAlphasOnSampledMasters) {
    const auto rgb = SampleRgb();
    const auto backgrounds = SampleBackgrounds();
    const uint32_t masters[] = {0, 1, 2, 63, 127, 128, 200, 254, 255};
    for (uint32_t m : masters) {
        for (uint32_t fa = 0; fa < 256; ++fa) {
            for (size_t i = 0; i < rgb.size(); i += 3) {
                TColor32 f = rgb[i] | (fa << 24);
                for (TColor32 b : backgrounds) {
                    TColor32 want = RefBlendMaster(V(), f, b, m, false);
                    ASSERT_EQ(Ops().Blend.PixelMaster(f, b, m), want) << std::hex << f << " " << b << " M=" << std::dec << m;
                    TColor32 d = b;
                    Ops().Blend.IntoMaster(f, d, m);
                    ASSERT_EQ(d, want);
                    d = b;
                    Ops().Blend.RowMaster(&f, &d, 1, m);
                    ASSERT_EQ(d, RefBlendMaster(V(), f, b, m, true)) << std::hex << f << " " << b << " M=" << std::dec << m;
                }
            }
        }
    }
}

TEST_P(BlendVariants, BlendOpaqueAndClearSourcesAreExactInPlace) {
    const BlendOps& ops = Ops();
    for (TColor32 b : SampleBackgrounds()) {
        TColor32 d = b;
        ops.Blend.Into(0x00ABCDEF, d);
        EXPECT_EQ(d, b);
        ops.Blend.Into(0xFF000000, d);
        EXPECT_EQ(d, 0xFF000000u);
        EXPECT_EQ(ops.Blend.Pixel(0x00ABCDEF, b), b);
    }
}

TEST(BlendEdges, VectorOpaqueValueFormIsOneLevelOffButInPlaceCopies) {
    const BlendOps& v = BlendOpsFor(BlendVariant::Vector);
    EXPECT_EQ(v.Blend.Pixel(0xFF000000, 0xFFFFFFFF), 0xFF010101u);
    TColor32 b = 0xFFFFFFFF;
    v.Blend.Into(0xFF000000, b);
    EXPECT_EQ(b, 0xFF000000u);
    TColor32 row = 0xFFFFFFFF, src = 0xFF000000;
    v.Blend.Row(&src, &row, 1);
    EXPECT_EQ(row, 0xFF000000u);
}

TEST(BlendEdges, PortableValueFormHonoursClearAndOpaque) {
    const BlendOps& p = BlendOpsFor(BlendVariant::Portable);
    EXPECT_EQ(p.Blend.Pixel(0x00FFFFFF, 0x12345678), 0x12345678u);
    EXPECT_EQ(p.Blend.Pixel(0xFF000000, 0xFFFFFFFF), 0xFF000000u);
}

TEST(BlendEdges, MasterAlphaByteDiffersBetweenVariants) {
    const TColor32 f = 0x80C0C0C0, b = 0x40102030;
    TColor32 dp = b, dv = b;
    BlendOpsFor(BlendVariant::Portable).Blend.IntoMaster(f, dp, 255);
    BlendOpsFor(BlendVariant::Vector).Blend.IntoMaster(f, dv, 255);
    EXPECT_EQ(dp >> 24, 0u);
    EXPECT_EQ(dv >> 24, ((0x80u - 0x40u) * 0x80u + 0x40u * 256 + 128) >> 8);
    // With M = 255 the vector master forms agree with the plain vector blend.
    EXPECT_EQ(dv, BlendOpsFor(BlendVariant::Vector).Blend.Pixel(f, b));
}

TEST(BlendEdges, VectorRowMasterWeighsDifferentlyFromValueForm) {
    // Fa = 1, M = 254: the value form weighs (255 * 1) >> 8 = 0 and keeps B, the row form
    // (2 * 254) >> 8 = 1 and moves every channel by the formula.
    const BlendOps& v = BlendOpsFor(BlendVariant::Vector);
    const TColor32 f = 0x01FFFFFF, b = 0x00000000;
    EXPECT_EQ(v.Blend.PixelMaster(f, b, 254), b);
    TColor32 row = b;
    v.Blend.RowMaster(&f, &row, 1, 254);
    EXPECT_EQ(row, 0x00010101u);  // colour (255 * 1 + 128) >> 8 = 1, alpha (1 * 1 + 128) >> 8 = 0
    // The portable row form keeps the value form's weight.
    row = b;
    BlendOpsFor(BlendVariant::Portable).Blend.RowMaster(&f, &row, 1, 254);
    EXPECT_EQ(row, b);
}

// ---- mix -----------------------------------------------------------------------------------

TEST_P(BlendVariants, MixAllWeightsAgainstReference) {
    const auto rgb = SampleRgb();
    const auto backgrounds = SampleBackgrounds();
    for (uint32_t w = 0; w < 256; ++w) {
        for (size_t i = 0; i < rgb.size(); ++i) {
            TColor32 x = rgb[i] | (kSampleAlphas[i % 10] << 24);
            for (TColor32 y : backgrounds) {
                ASSERT_EQ(Ops().MixColors(x, y, w), RefMix(V(), x, y, w)) << std::hex << x << " " << y << " W=" << std::dec << w;
                TColor32 d = y;
                Ops().MixInto(x, d, w);
                ASSERT_EQ(d, RefMixInto(V(), x, y, w));
            }
        }
    }
}

TEST(MixEdges, FullWeightCopiesAndZeroWeightLeaves) {
    for (BlendVariant v : kVariants) {
        const BlendOps& ops = BlendOpsFor(v);
        TColor32 y = 0xFFFFFFFF;
        ops.MixInto(0x00000000, y, 255);
        EXPECT_EQ(y, 0u) << Name(v);
        ops.MixInto(0x12345678, y, 0);
        EXPECT_EQ(y, 0u) << Name(v);

        std::vector<TColor32> src = {0x01020304, 0x80808080, 0xFFFFFFFF}, dst = {5, 6, 7};
        ops.MixRow(src.data(), dst.data(), 3, 0);
        EXPECT_EQ(dst, (std::vector<TColor32>{5, 6, 7})) << Name(v);
        ops.MixRow(src.data(), dst.data(), 0, 128);
        ops.MixRow(src.data(), dst.data(), -4, 128);
        EXPECT_EQ(dst, (std::vector<TColor32>{5, 6, 7})) << Name(v);
        ops.MixRow(src.data(), dst.data(), 3, 255);
        EXPECT_EQ(dst, src) << Name(v);
    }
    // The vector value form has no special case: X = 0 against Y = 255 at W = 255 leaves 1.
    EXPECT_EQ(BlendOpsFor(BlendVariant::Vector).MixColors(0x00000000, 0xFFFFFFFF, 255), 0x01010101u);
    EXPECT_EQ(BlendOpsFor(BlendVariant::Portable).MixColors(0x00000000, 0xFFFFFFFF, 255), 0u);
}

// ---- merge ---------------------------------------------------------------------------------

TEST_P(BlendVariants, MergeAllAlphaPairsAgainstReference) {
    const TColor32 fColours[] = {0x00000000, 0x00FFFFFF, 0x0001FE80, 0x007F8001, 0x00FF0000};
    const TColor32 bColours[] = {0x00000000, 0x00FFFFFF, 0x00FE017F, 0x00808080, 0x000000FF};
    for (uint32_t fa = 0; fa < 256; ++fa) {
        for (uint32_t ba = 0; ba < 256; ++ba) {
            for (TColor32 fc : fColours) {
                for (TColor32 bc : bColours) {
                    TColor32 f = fc | (fa << 24), b = bc | (ba << 24);
                    TColor32 want = RefMerge(V(), f, b);
                    ASSERT_EQ(Ops().Merge.Pixel(f, b), want) << std::hex << f << " over " << b;
                    TColor32 d = b;
                    Ops().Merge.Into(f, d);
                    ASSERT_EQ(d, want);
                }
            }
        }
    }
    // The row form over every alpha pair at once, so vector rows meet every mix of cases.
    for (TColor32 fc : fColours) {
        for (TColor32 bc : bColours) {
            std::vector<TColor32> src, dst;
            for (uint32_t fa = 0; fa < 256; ++fa)
                for (uint32_t ba = 0; ba < 256; ++ba) {
                    src.push_back(fc | (fa << 24));
                    dst.push_back(bc | (ba << 24));
                }
            std::vector<TColor32> out = dst;
            Ops().Merge.Row(src.data(), out.data(), int32_t(out.size()));
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(out[i], Ops().Merge.Pixel(src[i], dst[i])) << std::hex << src[i] << " over " << dst[i];
        }
    }
}

TEST_P(BlendVariants, MergeRowAllChannelPairsOnSampledAlphas) {
    for (uint32_t fa : kSampleAlphas) {
        for (uint32_t ba : kSampleAlphas) {
            std::vector<TColor32> src, dst;
            for (uint32_t x = 0; x < 256; ++x)
                for (uint32_t y = 0; y < 256; ++y) {
                    src.push_back((fa << 24) | (x << 16) | (y << 8) | (x ^ 0x5A));
                    dst.push_back((ba << 24) | (y << 16) | (x << 8) | (255 - y));
                }
            std::vector<TColor32> out = dst;
            Ops().Merge.Row(src.data(), out.data(), int32_t(out.size()));
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(out[i], RefMerge(V(), src[i], dst[i])) << std::hex << src[i] << " over " << dst[i];
        }
    }
}

// The quotient round(255 P / Ra) for every numerator P <= Ra and every result alpha the general merge
// can produce: one alpha pair per Ra, under every pair of channel values, in the blue channel (green
// and red take the channels swapped and inverted).
TEST_P(BlendVariants, MergeRowEveryQuotientOfTheGeneralCase) {
    std::vector<std::pair<uint32_t, uint32_t>> pairOfRa(256, {0u, 0u});
    for (uint32_t fa = 1; fa < 255; ++fa)
        for (uint32_t ba = 1; ba < 255; ++ba) {
            uint32_t ra = fa + ba - RefProduct(ba, fa);
            if (pairOfRa[ra].first == 0) pairOfRa[ra] = {fa, ba};
        }
    std::vector<std::vector<bool>> covered(256, std::vector<bool>(256, false));
    std::vector<TColor32> src, dst, out;
    for (uint32_t ra = 0; ra < 256; ++ra) {
        const auto [fa, ba] = pairOfRa[ra];
        if (fa == 0) continue;
        src.clear();
        dst.clear();
        for (uint32_t x = 0; x < 256; ++x)
            for (uint32_t y = 0; y < 256; ++y) {
                src.push_back((fa << 24) | ((255 - x) << 16) | (y << 8) | x);
                dst.push_back((ba << 24) | (y << 16) | (x << 8) | y);
                int32_t xb = int32_t(RefProduct(ba, y)), d = int32_t(x) - xb;
                int32_t step = int32_t(RefProduct(fa, uint32_t(d < 0 ? -d : d)));
                covered[ra][uint32_t(d < 0 ? xb - step : xb + step)] = true;
            }
        out = dst;
        Ops().Merge.Row(src.data(), out.data(), int32_t(out.size()));
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], RefMerge(V(), src[i], dst[i])) << std::hex << src[i] << " over " << dst[i];
    }
    for (uint32_t ra = 2; ra < 256; ++ra)
        for (uint32_t p = 0; p <= ra; ++p) ASSERT_TRUE(covered[ra][p]) << "P " << p << " of Ra " << ra << " never met";
}

TEST_P(BlendVariants, MergeMasterScalesSourceAlphaOnly) {
    const auto backgrounds = SampleBackgrounds();
    for (uint32_t m : {0u, 1u, 127u, 128u, 254u, 255u}) {
        for (uint32_t fa = 0; fa < 256; ++fa) {
            TColor32 f = (fa << 24) | 0x00C08040;
            for (TColor32 b : backgrounds) {
                TColor32 want = RefMergeMaster(V(), f, b, m);
                ASSERT_EQ(Ops().Merge.PixelMaster(f, b, m), want);
                TColor32 d = b;
                Ops().Merge.IntoMaster(f, d, m);
                ASSERT_EQ(d, want);
                d = b;
                Ops().Merge.RowMaster(&f, &d, 1, m);
                ASSERT_EQ(d, want);
            }
        }
    }
}

TEST(MergeEdges, NamedCases) {
    for (BlendVariant v : kVariants) {
        const BlendOps& ops = BlendOpsFor(v);
        // Clear background: a half-transparent F comes through unchanged; clear F leaves any B.
        EXPECT_EQ(ops.Merge.Pixel(0x80123456, 0x00FFFFFF), 0x80123456u) << Name(v);
        EXPECT_EQ(ops.Merge.Pixel(0x00123456, 0x00FFFFFF), 0x00FFFFFFu) << Name(v);
        EXPECT_EQ(ops.Merge.Pixel(0x00123456, 0x7F654321), 0x7F654321u) << Name(v);
        // Two half-transparent colours give alpha 128 + 128 - 64.
        EXPECT_EQ(ops.Merge.Pixel(0x80FFFFFF, 0x80000000) >> 24, 192u) << Name(v);
        // Same colour on both sides stays that colour.
        EXPECT_EQ(ops.Merge.Pixel(0x80FF8000, 0x80FF8000), 0xC0FF8000u) << Name(v);
        // Opaque background goes through the variant's blend, alpha forced opaque.
        EXPECT_EQ(ops.Merge.Pixel(0xFF000000, 0xFFFFFFFF), 0xFF000000u | ops.Blend.Pixel(0xFF000000, 0xFFFFFFFF)) << Name(v);
        EXPECT_EQ(ops.Merge.Pixel(0x80000000, 0x00FFFFFF | 0xFF000000) >> 24, 255u) << Name(v);
    }
    EXPECT_EQ(BlendOpsFor(BlendVariant::Vector).Merge.Pixel(0xFF000000, 0xFFFFFFFF), 0xFF010101u);
    EXPECT_EQ(BlendOpsFor(BlendVariant::Portable).Merge.Pixel(0xFF000000, 0xFFFFFFFF), 0xFF000000u);
}

// ---- interpolation -------------------------------------------------------------------------

TEST_P(BlendVariants, InterpolateAllWeightsAgainstReference) {
    const TColor32 quads[][4] = {
        {0xFF000000, 0xFFFFFFFF, 0x00FFFFFF, 0x80808080},
        {0x01FE7F80, 0xFE017F80, 0x807F01FE, 0x7F80FE01},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
        {0x00000000, 0xFFFFFFFF, 0xFFFFFFFF, 0x00000000},
    };
    for (const auto& q : quads) {
        const TColor32 r0[2] = {q[0], q[1]}, r1[2] = {q[2], q[3]};
        for (uint32_t wx = 0; wx <= 256; ++wx) {
            for (uint32_t wy = 0; wy <= 256; wy += (wy < 4 || wy > 250) ? 1 : 7) {
                ASSERT_EQ(Ops().InterpolateWeighted(wx, wy, r0, r1), RefInterpolate(V(), wx, wy, r0, r1))
                    << "wx=" << wx << " wy=" << wy << std::hex << " " << q[0];
            }
        }
    }
}

TEST(InterpolateEdges, FullWeightsPickTheUpperLeftPixelInTheVectorVariant) {
    const TColor32 r0[2] = {0x12345678, 0xFFFFFFFF}, r1[2] = {0, 0x80808080};
    EXPECT_EQ(BlendOpsFor(BlendVariant::Vector).InterpolateWeighted(256, 256, r0, r1), 0x12345678u);
    EXPECT_EQ(BlendOpsFor(BlendVariant::Vector).InterpolateWeighted(0, 0, r0, r1), 0x80808080u);
    // Portable caps both weights at 255 and mixes with 255 - W, whose W = 255 returns X exactly.
    EXPECT_EQ(BlendOpsFor(BlendVariant::Portable).InterpolateWeighted(256, 256, r0, r1), 0x12345678u);
}

// ---- rows ----------------------------------------------------------------------------------

uint32_t TestSeed() {
    static const uint32_t seed = [] {
        const char* env = std::getenv("VELMORA_TEST_SEED");
        uint32_t s = env ? uint32_t(std::strtoul(env, nullptr, 0)) : std::random_device{}();
        std::printf("blend row tests: seed %u (replay with VELMORA_TEST_SEED=%u)\n", s, s);
        return s;
    }();
    return seed;
}

// Alphas cluster on 0 and 255 in runs, so the four-pixel fast exits and the per-lane select both run.
std::vector<TColor32> RandomRow(std::mt19937& rng, int n) {
    std::vector<TColor32> row(static_cast<size_t>(n));
    uint32_t mode = rng() % 4;
    for (auto& p : row) {
        if (rng() % 5 == 0) mode = rng() % 4;
        uint32_t a = mode == 0 ? 0 : mode == 1 ? 255 : rng() & 0xFF;
        p = (rng() & 0x00FFFFFF) | (a << 24);
    }
    return row;
}

TEST_P(BlendVariants, RowFormsMatchPerPixelReferenceOnOddLengths) {
    std::mt19937 rng(TestSeed());
    SCOPED_TRACE("seed " + std::to_string(TestSeed()));
    for (int round = 0; round < 40; ++round) {
        for (int n = 1; n <= 33; ++n) {
            const auto src = RandomRow(rng, n);
            const auto dst = RandomRow(rng, n);
            const uint32_t m = rng() % 4 == 0 ? 255 : rng() & 0xFF;
            const uint32_t w = rng() % 8 == 0 ? 255 : rng() & 0xFF;
            // One extra pixel past the end must stay untouched.
            auto run = [&](auto op, auto ref, const char* what) {
                std::vector<TColor32> d = dst;
                d.push_back(0xDEADBEEF);
                op(d.data());
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ(d[size_t(i)], ref(src[size_t(i)], dst[size_t(i)])) << what << " n=" << n << " i=" << i;
                ASSERT_EQ(d.back(), 0xDEADBEEFu) << what << " wrote past the row";
            };
            const BlendOps& o = Ops();
            const BlendVariant v = V();
            run([&](TColor32* d) { o.Blend.Row(src.data(), d, n); },
                [&](TColor32 f, TColor32 b) { return RefBlendInto(v, f, b); }, "BlendRow");
            run([&](TColor32* d) { o.Blend.RowMaster(src.data(), d, n, m); },
                [&](TColor32 f, TColor32 b) { return RefBlendMaster(v, f, b, m, true); }, "BlendRowMaster");
            run([&](TColor32* d) { o.Merge.Row(src.data(), d, n); },
                [&](TColor32 f, TColor32 b) { return RefMerge(v, f, b); }, "MergeRow");
            run([&](TColor32* d) { o.Merge.RowMaster(src.data(), d, n, m); },
                [&](TColor32 f, TColor32 b) { return RefMergeMaster(v, f, b, m); }, "MergeRowMaster");
            run([&](TColor32* d) { o.MixRow(src.data(), d, n, w); },
                [&](TColor32 x, TColor32 y) { return RefMixInto(v, x, y, w); }, "MixRow");
        }
    }
}

TEST_P(BlendVariants, RowFormsIgnoreNonPositiveCounts) {
    TColor32 src[1] = {0x80FFFFFF}, dst[1] = {0x80000000};
    for (int32_t n : {0, -1}) {
        Ops().Blend.Row(src, dst, n);
        Ops().Blend.RowMaster(src, dst, n, 200);
        Ops().Merge.Row(src, dst, n);
        Ops().Merge.RowMaster(src, dst, n, 200);
        Ops().MixRow(src, dst, n, 255);
        Ops().MixRow(src, dst, n, 100);
    }
    EXPECT_EQ(dst[0], 0x80000000u);
}

INSTANTIATE_TEST_SUITE_P(AllKernels, BlendVariants, ::testing::ValuesIn(kKernels),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- dispatch and start-up -----------------------------------------------------------------

TEST(BlendDispatch, FreeFunctionsFollowTheForcedVariant) {
    for (BlendVariant v : kVariants) {
        BlendVariantScope scope(v);
        EXPECT_EQ(ActiveBlendVariant(), v);
        EXPECT_EQ(BlendPixel(0xFF000000, 0xFFFFFFFF), RefBlendPixel(v, 0xFF000000, 0xFFFFFFFF));
        EXPECT_EQ(MixColors(0x00000000, 0xFFFFFFFF, 255), RefMix(v, 0, 0xFFFFFFFF, 255));
        const TColor32 r0[2] = {0x00000000, 0xFFFFFFFF}, r1[2] = {0xFFFFFFFF, 0x00000000};
        EXPECT_EQ(InterpolateWeighted(100, 200, r0, r1), RefInterpolate(v, 100, 200, r0, r1));
        EXPECT_EQ(BlendPixelMaster(0x80FFFFFF, 0x80000000, 255), RefBlendMaster(v, 0x80FFFFFF, 0x80000000, 255, false));

        const CombineOps& blend = CombineModeDispatch(TCombineMode::cmBlend);
        const CombineOps& merge = CombineModeDispatch(TCombineMode::cmMerge);
        EXPECT_EQ(blend.Pixel, BlendOpsFor(v).Blend.Pixel);
        EXPECT_EQ(blend.RowMaster, BlendOpsFor(v).Blend.RowMaster);
        EXPECT_EQ(merge.Into, BlendOpsFor(v).Merge.Into);
        // Merge over an opaque background follows the active blend.
        EXPECT_EQ(MergePixel(0xFF000000, 0xFFFFFFFF), RefMerge(v, 0xFF000000, 0xFFFFFFFF));
    }
}

TEST(BlendDispatch, ScopeRestoresThePreviousVariant) {
    const BlendVariant before = ActiveBlendVariant();
    {
        BlendVariantScope outer(BlendVariant::Portable);
        {
            BlendVariantScope inner(BlendVariant::Vector);
            EXPECT_EQ(ActiveBlendVariant(), BlendVariant::Vector);
        }
        EXPECT_EQ(ActiveBlendVariant(), BlendVariant::Portable);
    }
    EXPECT_EQ(ActiveBlendVariant(), before);
}

#if defined(__x86_64__)
TEST(ProcessorQueries, EveryX86_64HasMmxAndStartsOnTheVectorVariant) {
    EXPECT_TRUE(ProcessorHasMMX());
    EXPECT_EQ(ActiveBlendVariant(), BlendVariant::Vector);
}
#endif

// ---- window-system colours -----------------------------------------------------------------

TEST(WinColorToColor32, ReversesBytesAndForcesOpaque) {
    EXPECT_EQ(WinColorToColor32(0x000000FF), 0xFFFF0000u);
    EXPECT_EQ(WinColorToColor32(0x00FF0000), 0xFF0000FFu);
    EXPECT_EQ(WinColorToColor32(0x00123456), 0xFF563412u);
    EXPECT_EQ(WinColorToColor32(0), 0xFF000000u);
}

TEST(WinColorToColor32, NegativeValuesNameSystemColours) {
    ResetSystemColors();
    SetSystemColor(COLOR_WINDOW, 0x00332211);
    EXPECT_EQ(WinColorToColor32(static_cast<TColor>(0xFF000005)), 0xFF112233u);
    EXPECT_EQ(WinColorToColor32(clWindow), 0xFF112233u);
    SetSystemColor(COLOR_BTNFACE, 0x00C8D0D4);
    EXPECT_EQ(WinColorToColor32(clBtnFace), 0xFFD4D0C8u);
    ResetSystemColors();
}

}  // namespace
}  // namespace velmora

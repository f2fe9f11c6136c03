#pragma once
// Colour arithmetic on straight-alpha TColor32: blend (F over B weighted by F's alpha), merge (two
// translucent colours composed into one whose alpha is their union), mix (two colours weighted by an
// explicit W for the first) and the bilinear combination of four neighbours.
//
// Every operation has two bit-exact variants that round differently:
//   Vector:   c = (Fc*Fa + Bc*(256 - Fa) + 128) >> 8 on all four channels, mix weight 256 - W for Y.
//   Portable: c = ((Fc*Fa + 128) >> 8) + ((Bc*(255 - Fa) + 128) >> 8), mix weight 255 - W for Y.
// The variant is chosen once, on first use, from the processor query (vector when MMX is present) and
// can be forced with SetBlendVariant. Merge exists once and calls the blend of its variant.
//
// Row forms walk src and dst together, left to right; src and dst are either the same row or do not
// overlap. A count below 1 does nothing. Master alpha and weights are 0..255 (interpolation 0..256).
#include <atomic>
#include <cstdint>

#include "core/scope_exit.h"
#include "raster/color32.h"

namespace velmora {

enum class TCombineMode : uint8_t { cmBlend, cmMerge };
enum class BlendVariant : uint8_t { Portable, Vector };

using TPixelOp = TColor32 (*)(TColor32 f, TColor32 b);
using TIntoOp = void (*)(TColor32 f, TColor32& b);
using TRowOp = void (*)(const TColor32* src, TColor32* dst, int32_t count);
using TPixelMasterOp = TColor32 (*)(TColor32 f, TColor32 b, uint32_t master);
using TIntoMasterOp = void (*)(TColor32 f, TColor32& b, uint32_t master);
using TRowMasterOp = void (*)(const TColor32* src, TColor32* dst, int32_t count, uint32_t master);
using TMixOp = TColor32 (*)(TColor32 x, TColor32 y, uint32_t w);
using TMixIntoOp = void (*)(TColor32 x, TColor32& y, uint32_t w);
using TMixRowOp = void (*)(const TColor32* src, TColor32* dst, int32_t count, uint32_t w);
// wx, wy (0..256) weigh the left column and the top row: row0[0], row0[1] above row1[0], row1[1].
using TInterpolateOp = TColor32 (*)(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1);

// The six blend-or-merge operations that a combine mode selects.
struct CombineOps {
    TPixelOp Pixel;
    TIntoOp Into;
    TRowOp Row;
    TPixelMasterOp PixelMaster;
    TIntoMasterOp IntoMaster;
    TRowMasterOp RowMaster;
};

// Every pixel operation of one variant.
struct BlendOps {
    CombineOps Blend;
    CombineOps Merge;
    TMixOp MixColors;
    TMixIntoOp MixInto;
    TMixRowOp MixRow;
    TInterpolateOp InterpolateWeighted;
};

// The operations of a variant, whatever the processor (both are plain integer code underneath).
const BlendOps& BlendOpsFor(BlendVariant variant);

// Forces the variant of blend, merge, mix and interpolation; meant for tests and benchmarks, which
// must not run it while other threads blend.
void SetBlendVariant(BlendVariant variant);
BlendVariant ActiveBlendVariant();

// Scoped SetBlendVariant: restores the variant that was active before.
class BlendVariantScope {
public:
    explicit BlendVariantScope(BlendVariant variant) : FSaved(ActiveBlendVariant()) { SetBlendVariant(variant); }
    ~BlendVariantScope() { SetBlendVariant(FSaved); }
    BlendVariantScope(const BlendVariantScope&) = delete;
    BlendVariantScope& operator=(const BlendVariantScope&) = delete;

private:
    BlendVariant FSaved;
};

namespace detail {
// Set once by the start-up choice (or SetBlendVariant); null until then.
extern std::atomic<const BlendOps*> gActiveBlendOps;
extern std::atomic<TInterpolateOp> gActiveInterpolate;
// Answers the processor queries, fills the tables and chooses the variants, exactly once.
const BlendOps& StartBlending();
}  // namespace detail

inline const BlendOps& ActiveBlendOps() {
    const BlendOps* ops = detail::gActiveBlendOps.load(std::memory_order_acquire);
    return ops ? *ops : detail::StartBlending();
}

// cmBlend gives the blend operations, cmMerge the merge operations, of the active variant.
inline const CombineOps& CombineModeDispatch(TCombineMode mode) {
    const BlendOps& ops = ActiveBlendOps();
    return mode == TCombineMode::cmMerge ? ops.Merge : ops.Blend;
}

inline TColor32 BlendPixel(TColor32 f, TColor32 b) { return ActiveBlendOps().Blend.Pixel(f, b); }
inline void BlendInto(TColor32 f, TColor32& b) { ActiveBlendOps().Blend.Into(f, b); }
inline void BlendRow(const TColor32* src, TColor32* dst, int32_t count) { ActiveBlendOps().Blend.Row(src, dst, count); }
inline TColor32 BlendPixelMaster(TColor32 f, TColor32 b, uint32_t m) { return ActiveBlendOps().Blend.PixelMaster(f, b, m); }
inline void BlendIntoMaster(TColor32 f, TColor32& b, uint32_t m) { ActiveBlendOps().Blend.IntoMaster(f, b, m); }
inline void BlendRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    ActiveBlendOps().Blend.RowMaster(src, dst, count, m);
}

inline TColor32 MergePixel(TColor32 f, TColor32 b) { return ActiveBlendOps().Merge.Pixel(f, b); }
inline void MergeInto(TColor32 f, TColor32& b) { ActiveBlendOps().Merge.Into(f, b); }
inline void MergeRow(const TColor32* src, TColor32* dst, int32_t count) { ActiveBlendOps().Merge.Row(src, dst, count); }
inline TColor32 MergePixelMaster(TColor32 f, TColor32 b, uint32_t m) { return ActiveBlendOps().Merge.PixelMaster(f, b, m); }
inline void MergeIntoMaster(TColor32 f, TColor32& b, uint32_t m) { ActiveBlendOps().Merge.IntoMaster(f, b, m); }
inline void MergeRowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    ActiveBlendOps().Merge.RowMaster(src, dst, count, m);
}

inline TColor32 MixColors(TColor32 x, TColor32 y, uint32_t w) { return ActiveBlendOps().MixColors(x, y, w); }
inline void MixInto(TColor32 x, TColor32& y, uint32_t w) { ActiveBlendOps().MixInto(x, y, w); }
inline void MixRow(const TColor32* src, TColor32* dst, int32_t count, uint32_t w) { ActiveBlendOps().MixRow(src, dst, count, w); }

// The bilinear four-pixel combination; its variant follows ProcessorHas3DNow or ProcessorHasMMX.
inline TColor32 InterpolateWeighted(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1) {
    TInterpolateOp op = detail::gActiveInterpolate.load(std::memory_order_acquire);
    if (!op) op = (detail::StartBlending(), detail::gActiveInterpolate.load(std::memory_order_acquire));
    return op(wx, wy, row0, row1);
}

// Ends a run of pixel operations. The vector variant works in SSE registers, which share no state
// with floating point, so there is nothing to reset; callers still bracket their loops with it.
void EndBlendRun();

// Calls EndBlendRun on every way out of the caller's scope: `const auto run = BlendRunGuard();`.
[[nodiscard]] inline TScopeExit<void (*)()> BlendRunGuard() { return TScopeExit<void (*)()>(EndBlendRun); }

}  // namespace velmora

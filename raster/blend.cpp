#include "raster/blend.h"

#include "raster/blend_kernels.h"
#include "raster/color_tables.h"
#include "raster/cpu_features.h"

namespace velmora {

namespace detail {

constinit std::atomic<const BlendOps*> gActiveBlendOps{nullptr};
constinit std::atomic<TInterpolateOp> gActiveInterpolate{nullptr};

const BlendOps& VectorBlendOps() {
    static const BlendOps& ops = ProcessorHasAVX2() ? VectorAvx2BlendOps() : kVectorSse2BlendOps;
    return ops;
}

const BlendOps& StartBlending() {
    // Function-local static: the first caller on any thread runs the start-up, the others wait.
    static const bool started = [] {
        bool mmx = ProcessorHasMMX();
        bool amd3dnow = ProcessorHas3DNow();
        const BlendOps& blend = mmx ? VectorBlendOps() : kPortableBlendOps;
        const BlendOps& interpolate = (amd3dnow || mmx) ? VectorBlendOps() : kPortableBlendOps;
        gActiveInterpolate.store(interpolate.InterpolateWeighted, std::memory_order_release);
        gActiveBlendOps.store(&blend, std::memory_order_release);
        return true;
    }();
    (void)started;
    return *gActiveBlendOps.load(std::memory_order_acquire);
}

namespace {
// Make the choice during static initialisation, before the program creates any bitmap.
const BlendOps& gStartUp = StartBlending();
}  // namespace

}  // namespace detail

const BlendOps& BlendOpsFor(BlendVariant variant) {
    detail::StartBlending();
    return variant == BlendVariant::Vector ? detail::VectorBlendOps() : detail::kPortableBlendOps;
}

void SetBlendVariant(BlendVariant variant) {
    const BlendOps& ops = BlendOpsFor(variant);
    detail::gActiveInterpolate.store(ops.InterpolateWeighted, std::memory_order_release);
    detail::gActiveBlendOps.store(&ops, std::memory_order_release);
}

BlendVariant ActiveBlendVariant() {
    return &ActiveBlendOps() == &detail::kPortableBlendOps ? BlendVariant::Portable : BlendVariant::Vector;
}

void EndBlendRun() {}

}  // namespace velmora

#include "raster/resampler.h"

#include <cmath>

#include "raster/transfer.h"

namespace velmora {

TCustomKernel::~TCustomKernel() = default;

// Kernels of this system have no settings of their own to copy.
void TCustomKernel::Assign(const TCustomKernel&) {}

float TLinearKernel::Weight(float x) const {
    const float a = std::fabs(x);
    return a < 1.0f ? 1.0f - a : 0.0f;
}

// The resamplers' settings are their kernels, which carry no state; nothing else is copied.
void TCustomResampler::Assign(const TCustomResampler&) {}

void TLinearResampler::Assign(const TCustomResampler& source) {
    TBitmap32Resampler::Assign(source);
    if (auto* linear = dynamic_cast<const TLinearResampler*>(&source)) FKernel.Assign(linear->FKernel);
}

void TBitmap32Resampler::AttachTo(TBitmap32* owner) {
    FOwner = owner;
    if (FOwner) FOwner->SetResampler(this);
}

void TBitmap32Resampler::NotifyChanged() {
    if (FOwner) FOwner->NotifyChanged();
}

void TNearestResampler::ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                                     const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    NearestStretch(dst, dstRect, dstClip, src, srcRect, drawMode, pixelCombine);
}

void TLinearResampler::ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                                    const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    const int32_t srcW = srcRect.Width(), srcH = srcRect.Height();
    const int32_t dstW = dstRect.Width(), dstH = dstRect.Height();
    if (dstW > srcW && dstH > srcH && srcW > 1 && srcH > 1)
        BilinearStretch(dst, dstRect, dstClip, src, srcRect, drawMode, pixelCombine);
    else
        KernelStretch(dst, dstRect, dstClip, src, srcRect, FKernel, drawMode, pixelCombine);
}

void TDraftResampler::ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                                   const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    const int32_t srcW = srcRect.Width(), srcH = srcRect.Height();
    const int32_t dstW = dstRect.Width(), dstH = dstRect.Height();
    if (srcW < dstW || srcH < dstH) {
        if (srcW < 2 || srcH < 2)
            KernelStretch(dst, dstRect, dstClip, src, srcRect, Kernel(), drawMode, pixelCombine);
        else
            BilinearStretch(dst, dstRect, dstClip, src, srcRect, drawMode, pixelCombine);
    } else {
        BoxShrink(dst, dstRect, dstClip, src, srcRect, drawMode, pixelCombine);
    }
}

const TResamplerClassList& ResamplerClasses() {
    static const TResamplerClassList classes{
        {"TNearestResampler", [](TBitmap32* owner) -> TBitmap32Resampler* { return new TNearestResampler(owner); }},
        {"TLinearResampler", [](TBitmap32* owner) -> TBitmap32Resampler* { return new TLinearResampler(owner); }},
        {"TDraftResampler", [](TBitmap32* owner) -> TBitmap32Resampler* { return new TDraftResampler(owner); }},
    };
    return classes;
}

const TResamplerClass* FindClassByName(const TResamplerClassList& list, const std::string& name) {
    for (const TResamplerClass& cls : list)
        if (cls.Name == name) return &cls;
    return nullptr;
}

}  // namespace velmora

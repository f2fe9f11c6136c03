#pragma once
// Resamplers scale a rectangle of one bitmap into a rectangle of another. Every bitmap owns one,
// chosen by class name through ResamplerClasses: TNearestResampler (the source pixel under each
// destination pixel's left/top edge), TLinearResampler (bilinear when enlarging, linear-kernel
// convolution otherwise) and TDraftResampler (box averages when shrinking, linear when enlarging).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "raster/bitmap32.h"
#include "raster/notifiable_persistent.h"

namespace velmora {

class TCustomKernel {
public:
    virtual ~TCustomKernel();
    virtual const char* ClassName() const { return "TCustomKernel"; }
    // Whether the convolution sums must be clamped to 0..255 before use.
    virtual bool NeedsClamp() const { return false; }
    virtual float Weight(float x) const = 0;
    virtual float Radius() const = 0;
    virtual void Assign(const TCustomKernel& source);
};

// The tent: 1 - |x| inside (-1, 1).
class TLinearKernel : public TCustomKernel {
public:
    const char* ClassName() const override { return "TLinearKernel"; }
    float Weight(float x) const override;
    float Radius() const override { return 1.0f; }
};

class TCustomSampler : public TNotifiablePersistent {
public:
    const char* ClassName() const override { return "TCustomSampler"; }
};

class TCustomResampler : public TCustomSampler {
public:
    const char* ClassName() const override { return "TCustomResampler"; }
    // How many source pixels one sample spans.
    virtual float Footprint() const = 0;
    // Draws srcRect of src into dstRect of dst, touching only dstClip (already within dst and
    // dstRect). dmCustom without a handler must already have been turned into dmOpaque.
    virtual void ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                              const TRect& srcRect, TDrawMode drawMode,
                              const TPixelCombineEvent& pixelCombine) = 0;
    // Copies the settings of source into this resampler.
    virtual void Assign(const TCustomResampler& source);
};

class TBitmap32Resampler : public TCustomResampler {
public:
    TBitmap32Resampler() = default;
    const char* ClassName() const override { return "TBitmap32Resampler"; }
    TBitmap32* Owner() const { return FOwner; }
    // Changes of a resampler are changes of its bitmap.
    void NotifyChanged() override;

protected:
    // Makes this owner's resampler (owner takes it over and frees the previous one). Called by the
    // constructors taking an owner, so that the owner sees the finished object.
    void AttachTo(TBitmap32* owner);

private:
    TBitmap32* FOwner = nullptr;
};

class TNearestResampler : public TBitmap32Resampler {
public:
    TNearestResampler() = default;
    explicit TNearestResampler(TBitmap32* owner) { AttachTo(owner); }
    const char* ClassName() const override { return "TNearestResampler"; }
    float Footprint() const override { return 1.0f; }
    void ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                      const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) override;
};

class TLinearResampler : public TBitmap32Resampler {
public:
    TLinearResampler() = default;
    explicit TLinearResampler(TBitmap32* owner) { AttachTo(owner); }
    const char* ClassName() const override { return "TLinearResampler"; }
    float Footprint() const override { return 1.0f; }
    void ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                      const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) override;
    void Assign(const TCustomResampler& source) override;
    TLinearKernel& Kernel() { return FKernel; }
    const TLinearKernel& Kernel() const { return FKernel; }

private:
    TLinearKernel FKernel;
};

class TDraftResampler : public TLinearResampler {
public:
    TDraftResampler() = default;
    // The base part is built without an owner so that the draft object attaches only once complete.
    explicit TDraftResampler(TBitmap32* owner) { AttachTo(owner); }
    const char* ClassName() const override { return "TDraftResampler"; }
    void ResampleRect(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                      const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) override;
};

// A registered resampler class: its name and how to make one for an owning bitmap.
struct TResamplerClass {
    std::string Name;
    std::function<TBitmap32Resampler*(TBitmap32* owner)> CreateFor;
};
using TResamplerClassList = std::vector<TResamplerClass>;

// Nearest, Linear and Draft, in that order.
const TResamplerClassList& ResamplerClasses();
// The first class whose name equals name exactly, or null.
const TResamplerClass* FindClassByName(const TResamplerClassList& list, const std::string& name);

}  // namespace velmora

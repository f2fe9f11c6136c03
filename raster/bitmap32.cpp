#include "raster/bitmap32.h"

#include <immintrin.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/exception.h"
#include "raster/resampler.h"
#include "raster/transfer.h"

namespace velmora {

namespace {

constexpr size_t StorageAlignment = 64;

// Stores color into count pixels, 32 bytes per store where the processor has AVX2.
__attribute__((target("avx2"))) void FillLongwordAvx2(TColor32* dst, size_t count, TColor32 color) {
    size_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(dst + i) & 31) != 0) dst[i++] = color;
    const __m256i v = _mm256_set1_epi32(static_cast<int>(color));
    for (; i + 32 <= count; i += 32) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i + 8), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i + 16), v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i + 24), v);
    }
    for (; i + 8 <= count; i += 8) _mm256_store_si256(reinterpret_cast<__m256i*>(dst + i), v);
    for (; i < count; ++i) dst[i] = color;
}

bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

// Stores color into count pixels with aligned 16-byte stores after a scalar head.
void FillLongword(TColor32* dst, size_t count, TColor32 color) {
    if (HasAvx2()) {
        FillLongwordAvx2(dst, count, color);
        return;
    }
    size_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(dst + i) & 15) != 0) dst[i++] = color;
    const __m128i v = _mm_set1_epi32(static_cast<int>(color));
    for (; i + 16 <= count; i += 16) {
        _mm_store_si128(reinterpret_cast<__m128i*>(dst + i), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 4), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 8), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(dst + i + 12), v);
    }
    for (; i + 4 <= count; i += 4) _mm_store_si128(reinterpret_cast<__m128i*>(dst + i), v);
    for (; i < count; ++i) dst[i] = color;
}

void SetAlphaOpaque(TColor32* p, size_t count) {
    size_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(p + i) & 15) != 0) p[i++] |= 0xFF000000u;
    const __m128i a = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 8 <= count; i += 8) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_store_si128(q, _mm_or_si128(_mm_load_si128(q), a));
        _mm_store_si128(q + 1, _mm_or_si128(_mm_load_si128(q + 1), a));
    }
    for (; i < count; ++i) p[i] |= 0xFF000000u;
}

}  // namespace

void TBitmap32::FreeAligned::operator()(TColor32* p) const { std::free(p); }

TBitmap32::TBitmap32() {
    // The resampler hands itself to this bitmap as it is made.
    new TNearestResampler(this);
}

TBitmap32::~TBitmap32() {
    // Handlers are not raised from here: their owners may already be half gone.
    BeginChanges();
    TLockGuard lock(*this);
    ReleaseStorage();
    FWidth = 0;
    FHeight = 0;
    FResampler.reset();
}

bool TBitmap32::IsEmpty() const { return FBits == nullptr || FWidth == 0 || FHeight == 0; }

void TBitmap32::Discard() { SetDimensions(0, 0); }

void TBitmap32::TakePixelsFrom(TBitmap32& source) {
    if (&source == this) return;
    const auto bracket = ChangeBracket(*this);
    if (source.IsEmpty()) {
        SetDimensions(0, 0);
        return;
    }
    const int32_t width = source.FWidth;
    const int32_t height = source.FHeight;
    std::swap(FStorage, source.FStorage);
    std::swap(FCapacity, source.FCapacity);
    source.FBits = nullptr;
    source.FWidth = 0;
    source.FHeight = 0;
    source.SetClipBounds(TRect{});
    // The memory under this bitmap moved either way; a new size reports that itself.
    FBits = FStorage.get();
    if (!SetDimensions(width, height)) NotifyHandleChanged();
    NotifyChanged();
}

void TBitmap32::ReleaseStorage() {
    FBits = nullptr;
    FStorage.reset();
    FCapacity = 0;
}

void TBitmap32::ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight) {
    try {
        FBits = nullptr;
        width = 0;
        height = 0;
        // A failed resize must not leave clip bounds that reach past an empty bitmap.
        SetClipBounds(TRect{});
        if (newWidth > 0 && newHeight > 0) {
            const int64_t pixels = int64_t(newWidth) * newHeight;
            if (pixels > MaxBitmapPixels) {
                ReleaseStorage();
                throw Exception("Can't allocate the DIB handle");
            }
            // Memory that already holds the new size is kept: fresh pages are slow on first touch.
            if (static_cast<size_t>(pixels) > FCapacity) {
                ReleaseStorage();
                size_t bytes = static_cast<size_t>(pixels) * sizeof(TColor32);
                bytes = (bytes + StorageAlignment - 1) / StorageAlignment * StorageAlignment;
                auto* p = static_cast<TColor32*>(std::aligned_alloc(StorageAlignment, bytes));
                if (!p) throw Exception("Can't allocate the DIB handle");
                FStorage.reset(p);
                FCapacity = static_cast<size_t>(pixels);
            }
            FBits = FStorage.get();
        } else {
            ReleaseStorage();
        }
        width = newWidth;
        height = newHeight;
        ResetClipBounds();
    } catch (...) {
        NotifyHandleChanged();
        throw;
    }
    NotifyHandleChanged();
}

void TBitmap32::NotifyHandleChanged() {
    if (OnHandleChanged) {
        TNotifyEvent handler = OnHandleChanged;
        handler(this);
    }
}

void TBitmap32::NotifyChanged() { NotifyAreaChanged(FullRect(), AreaInfoRectangle); }

void TBitmap32::NotifyAreaChanged(const TRect& area, uint32_t info) {
    if ((ChangeDepth() == 0 || FMeasureOnly) && OnAreaChanged) {
        TAreaChangedEvent handler = OnAreaChanged;
        handler(this, area, info);
    }
    if (!FMeasureOnly) TCustomMap::NotifyChanged();
}

void TBitmap32::BeginMeasure(TAreaChangedEvent handler) {
    FMeasureOnly = true;
    FSavedOnAreaChanged = std::move(OnAreaChanged);
    OnAreaChanged = std::move(handler);
}

void TBitmap32::EndMeasure() {
    FMeasureOnly = false;
    OnAreaChanged = std::move(FSavedOnAreaChanged);
    FSavedOnAreaChanged = nullptr;
}

void TBitmap32::FillAll(TColor32 color) {
    if (IsEmpty()) return;
    if (!FMeasureOnly) {
        if (FIsClipped) {
            // The plain rectangle fill, which reports its own area.
            const TRect r = FClipBounds;
            FillBlock(r.Left, r.Top, r.Right, r.Bottom, color);
        } else {
            FillLongword(FBits, size_t(FWidth) * size_t(FHeight), color);
        }
    }
    NotifyChanged();
}

void TBitmap32::MakeOpaque() {
    if (!FMeasureOnly && !IsEmpty()) SetAlphaOpaque(FBits, size_t(FWidth) * size_t(FHeight));
    NotifyChanged();
}

void TBitmap32::Assign(std::nullptr_t) {
    const auto bracket = ChangeBracket(*this);
    SetDimensions(0, 0);
}

void TBitmap32::Assign(const TBitmap32* source) {
    if (!source) {
        Assign(nullptr);
        return;
    }
    const auto bracket = ChangeBracket(*this);
    if (source == this) return;
    source->CopyPixelsTo(*this);
    source->CopySettingsTo(*this);
}

void TBitmap32::Assign(const TNotifiablePersistent* source) {
    if (!source) {
        Assign(nullptr);
        return;
    }
    if (auto* bitmap = dynamic_cast<const TBitmap32*>(source)) {
        Assign(bitmap);
        return;
    }
    const auto bracket = ChangeBracket(*this);
    throw Exception(std::string("Cannot assign a ") + source->ClassName() + " to a " + ClassName());
}

void TBitmap32::CopyPixelsTo(TBitmap32& dest) const {
    if (&dest == this) return;
    dest.SetDimensions(FWidth, FHeight);
    if (!IsEmpty() && !dest.IsEmpty())
        std::memcpy(dest.FBits, FBits, size_t(FWidth) * size_t(FHeight) * sizeof(TColor32));
}

void TBitmap32::CopySettingsTo(TBitmap32& dest) const {
    dest.SetDrawMode(FDrawMode);
    dest.SetCombineMode(FCombineMode);
    dest.SetWrapMode(FWrapMode);
    dest.SetMasterAlpha(FMasterAlpha);
    dest.FOuterColor = FOuterColor;
    dest.SetResamplerClassName(ResamplerClassName());
    if (dest.FResampler && FResampler) dest.FResampler->Assign(*FResampler);
}

void TBitmap32::DrawOnto(TBitmap32& dest, const TRect& destRect) const {
    TransferScaled(&dest, destRect, dest.ClipBounds(), this, FullRect(), FResampler.get(), FDrawMode, OnPixelCombine);
}

void TBitmap32::SetClipBounds(const TRect& rect) {
    const TRect full = FullRect();
    TRect r{std::max(rect.Left, full.Left), std::max(rect.Top, full.Top), std::min(rect.Right, full.Right),
            std::min(rect.Bottom, full.Bottom)};
    if (r.Right < r.Left || r.Bottom < r.Top) r = TRect{};
    FClipBounds = r;
    FFixedClipBounds = TRect{int32_t(uint32_t(r.Left) << 16), int32_t(uint32_t(r.Top) << 16),
                             int32_t(uint32_t(r.Right) << 16), int32_t(uint32_t(r.Bottom) << 16)};
    FClipBounds256 = TRect{int32_t(uint32_t(r.Left) << 8), int32_t(uint32_t(r.Top) << 8),
                           int32_t(uint32_t(r.Right) << 8), int32_t(uint32_t(r.Bottom) << 8)};
    FIsClipped = !(r == full);
}

void TBitmap32::SetDrawMode(TDrawMode value) {
    if (value == FDrawMode) return;
    FDrawMode = value;
    NotifyChanged();
}

void TBitmap32::SetCombineMode(TCombineMode value) {
    if (value == FCombineMode) return;
    FCombineMode = value;
    NotifyChanged();
}

void TBitmap32::SetWrapMode(TWrapMode value) {
    if (value == FWrapMode) return;
    FWrapMode = value;
    NotifyChanged();
}

void TBitmap32::SetMasterAlpha(uint32_t value) {
    if (value == FMasterAlpha) return;
    FMasterAlpha = value;
    NotifyChanged();
}

void TBitmap32::SetResampler(TCustomResampler* value) {
    if (!value || value == FResampler.get()) return;
    FResampler.reset(value);
    NotifyChanged();
}

std::string TBitmap32::ResamplerClassName() const { return FResampler ? FResampler->ClassName() : std::string(); }

void TBitmap32::SetResamplerClassName(const std::string& value) {
    if (value.empty() || value == ResamplerClassName()) return;
    if (const TResamplerClass* cls = FindClassByName(ResamplerClasses(), value)) cls->CreateFor(this);
}

}  // namespace velmora

#pragma once
// Arithmetic of the range bars, kept apart from the widgets so that it can be checked without a
// window. Lengths run along the bar; "nearest" rounds halves to even (std::nearbyint).
#include <cstdint>

#include "raster/color32.h"

namespace velmora {

// Arrow button length for a client of `along` x `thick` pixels: buttonSize, or min(thick, 32) when
// it is 0; at most half the bar; one less in the flat style; below 2 no buttons at all.
int32_t BarButtonLength(int32_t along, int32_t thick, int32_t buttonSize, bool showArrows, bool flatStyle);

// The handle along a track of trackLen pixels: Start is relative to the track's start. No handle
// (Length 0) on a track shorter than 18; the whole track while nothing needs scrolling; otherwise
// never shorter than 17 pixels, the position spread over the rest of the track below that.
struct THandleSpan {
    int32_t Start = 0;
    int32_t Length = 0;
    friend bool operator==(const THandleSpan&, const THandleSpan&) = default;
};
constexpr int32_t MinHandleLength = 17;
THandleSpan BarHandleSpan(int32_t trackLen, int32_t visible, int32_t content, float pos);

// Content units that a handle drag of `delta` pixels stands for on a track of trackLen pixels:
// fractional while the handle shows its true size, whole units once it is held at its minimum.
long double BarDragDistance(int32_t trackLen, int32_t visible, int32_t content, int32_t delta);

// pos kept within 0 .. content - visible (0 when nothing needs scrolling).
float ClampBarPos(float pos, int32_t content, int32_t visible);

// The position that keeps the middle of the visible part at the same fraction of the content after
// the sizes changed from (oldVisible, oldContent); a content that newly needs scrolling starts centred.
float RecenteredBarPos(float pos, int32_t oldVisible, int32_t oldContent, int32_t visible, int32_t content);

// Colour helpers of the flat style, on opaque 0xAARRGGBB colours.
// shade: d added to each channel, clamped to 0..255.
TColor32 ShadeColor(TColor32 c, int d);
// mix: (a*w + b*(255 - w)) div 256 per channel.
TColor32 MixBarColors(TColor32 a, TColor32 b, int w);

}  // namespace velmora

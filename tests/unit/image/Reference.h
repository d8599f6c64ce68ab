// Plain, slow implementations of every conversion rule, one loop per rule, written from
// the rules themselves; the randomized tests hold the real routines to them bit for bit.
#pragma once
#include "image/Conversions.h"

namespace ref {

// The same names as the routines of conv::.
// clang-format off
#define REF_CONVERSIONS(X) \
    X(WidenRows8) X(WidenRows16) X(Reduce16To8Bits10) X(Reduce16To8Display) X(Reduce16To8) X(Widen16x16) \
    X(Widen16x64) X(CopyColor) X(Reduce48To24Display) X(Widen48x16) X(Widen48x16Rgb) X(Widen48x64) \
    X(Widen48x64Rgb) X(Reduce48To24) X(Widen64x16) X(Widen64x16Rgb) X(Widen64x64) X(Widen64x64Rgb) \
    X(CopyColorReversed) X(CopyPlain) X(SwapRgb) X(FillAlpha) X(ColorToGray) X(CopyPixels) X(ExpandPalette8) \
    X(RegionMean8) X(RegionMean16) X(MeasureGray) X(MeasureWhiteBalance8) X(MeasureWhiteBalance16) X(GrayGain8) \
    X(GrayGain16) X(DemosaicInterior8) X(DemosaicBorder8) X(DemosaicInterior16) X(DemosaicBorder16) X(Hue24) \
    X(Hue32) X(Hue48) X(Hue64) X(Gamma8) X(Gamma16) X(Gamma24_32) X(Gamma48_64) X(Contrast8) X(Contrast16) \
    X(Contrast24_32) X(Contrast48_64) X(Sharpen8) X(Sharpen16) X(Sharpen24_32) X(Sharpen48_64) X(Brightness8) \
    X(Brightness16) X(Brightness24_32) X(Brightness48_64)
// clang-format on
#define REF_DECLARE(name) VONKEL_CONVERSION_ROUTINE(name);
REF_CONVERSIONS(REF_DECLARE)
#undef REF_DECLARE
VONKEL_STRETCH_ROUTINE(Stretch24);
VONKEL_STRETCH_ROUTINE(Stretch8);

} // namespace ref

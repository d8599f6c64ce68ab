// The conversion routines: all pixel work of the system. Each has the signature of
// ConversionRoutine (or StretchRoutine) and is meant to run through
// CImageBuffer::ApplyConversion (ApplyStretch), which clips the rectangle to both
// buffers. Called directly, a routine trusts the rectangle and strides it is given.
//
// Conventions of every routine:
// - Rectangle row i, column j is source memory row top + i, column left + j, and goes
//   to destination memory row dstRow + i, column dstX + j. Routines marked "rows
//   reversed" read source row bottom - 1 - i instead.
// - 16-bit samples are little-endian; colour pixels are blue, green, red (and a fourth
//   sample). Integer division truncates toward zero, reals convert to integers by
//   truncation, "limited to a..b" clamps.
// - A routine checks the depths it is given (bytes per pixel) and returns 0 without
//   touching a pixel when they are not its own, or when it needs a parameter block and
//   param1 is null. Otherwise it returns 1, except the region means.
// - Parameter blocks (ConversionBlocks.h) are passed as plain pointers in param1.
#pragma once
#include "image/ConversionBlocks.h"
#include "image/ImageTypes.h"

#define VONKEL_CONVERSION_PARAMS                                                                                       \
    [[maybe_unused]] uint8_t *dst, [[maybe_unused]] const uint8_t *src, [[maybe_unused]] const ImageRect &rect,        \
        [[maybe_unused]] int32_t dstX, [[maybe_unused]] int32_t dstRow, [[maybe_unused]] int dstBpp,                   \
        [[maybe_unused]] int srcBpp, [[maybe_unused]] int32_t dstStride, [[maybe_unused]] int32_t srcStride,           \
        [[maybe_unused]] void *param1, [[maybe_unused]] void *param2
#define VONKEL_CONVERSION_ARGS dst, src, rect, dstX, dstRow, dstBpp, srcBpp, dstStride, srcStride, param1, param2
#define VONKEL_CONVERSION_ROUTINE(name) int name(VONKEL_CONVERSION_PARAMS)

#define VONKEL_STRETCH_ROUTINE(name)                                                                                   \
    int name(uint8_t *dst, const uint8_t *src, const ImageRect &dstRect, const ImageRect &srcRect, int32_t dstWidth,   \
             int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, [[maybe_unused]] int dstBpp,                      \
             [[maybe_unused]] int srcBpp, int32_t dstStride, int32_t srcStride, [[maybe_unused]] void *param1,         \
             [[maybe_unused]] void *param2)

namespace conv {

// ---- Row widening (in place on the raw buffer) ------------------------------------
// The camera frame lies packed (rect width x bytes per pixel per row) at the start of
// the store; each row moves out to its place at the stride, last row first.
VONKEL_CONVERSION_ROUTINE(WidenRows8);  // 8-bit
VONKEL_CONVERSION_ROUTINE(WidenRows16); // 16-bit

// ---- Depth and layout conversions (v: the 16-bit source sample) --------------------
VONKEL_CONVERSION_ROUTINE(Reduce16To8Bits10);   // 16 -> 8, rows reversed: (v >> 2) & 255
VONKEL_CONVERSION_ROUTINE(Reduce16To8Display);  // 16 -> 8: (v >> 4) & 255
VONKEL_CONVERSION_ROUTINE(Reduce16To8);         // 16 -> 8, rows reversed: (v >> 4) & 255
VONKEL_CONVERSION_ROUTINE(Widen16x16);          // 16 -> 16: v << 4, kept to 16 bits
VONKEL_CONVERSION_ROUTINE(Widen16x64);          // 16 -> 16: v << 6, kept to 16 bits
VONKEL_CONVERSION_ROUTINE(CopyColor);           // 24/32 -> 24/32: blue, green, red copied
VONKEL_CONVERSION_ROUTINE(Reduce48To24Display); // 48/64 -> 24: each colour (v >> 4) & 255
VONKEL_CONVERSION_ROUTINE(Widen48x16);          // 48 -> 48: each sample << 4
VONKEL_CONVERSION_ROUTINE(Widen48x16Rgb);       // 48 -> 48: << 4, blue and red exchanged
VONKEL_CONVERSION_ROUTINE(Widen48x64);          // 48 -> 48: each sample << 6
VONKEL_CONVERSION_ROUTINE(Widen48x64Rgb);       // 48 -> 48: << 6, blue and red exchanged
VONKEL_CONVERSION_ROUTINE(Reduce48To24);        // 48/64 -> 24, rows reversed: each colour (v >> 2) & 255
VONKEL_CONVERSION_ROUTINE(Widen64x16);          // 64 -> 64: colours << 4, fourth sample 65535
VONKEL_CONVERSION_ROUTINE(Widen64x16Rgb);       // the same, blue and red exchanged
VONKEL_CONVERSION_ROUTINE(Widen64x64);          // 64 -> 64: colours << 6, fourth sample 65535
VONKEL_CONVERSION_ROUTINE(Widen64x64Rgb);       // the same, blue and red exchanged
VONKEL_CONVERSION_ROUTINE(CopyColorReversed);   // 24/32 -> 24, rows reversed
VONKEL_CONVERSION_ROUTINE(CopyPlain);           // same depth, rows reversed: min(strides) bytes from each row start
VONKEL_CONVERSION_ROUTINE(SwapRgb);             // 24/32 -> 24/32: blue and red exchanged
VONKEL_CONVERSION_ROUTINE(FillAlpha);           // 32 -> 32: colours copied, fourth byte 255 - source's
VONKEL_CONVERSION_ROUTINE(ColorToGray);         // 24 -> 8: (30 red + 59 green + 11 blue) / 100
// Bit-block transfers (CImageBuffer::BlitTo): same-depth pixels of the rectangle as they
// are; 8-bit pixels into 24/32 bits through the colour table in param1 (RgbQuad[256]),
// a fourth byte 0.
VONKEL_CONVERSION_ROUTINE(CopyPixels);
VONKEL_CONVERSION_ROUTINE(ExpandPalette8);

// ---- Stretch (whole pictures, for the preview) -------------------------------------
// Destination row i, column j of dstRect takes source row srcRect.bottom - 1 -
// trunc(i * sy) and column srcRect.left + trunc(j * sx), with sy, sx the single-precision
// ratios of the rectangle sizes, every index limited to the buffers: the picture turns
// over on the way.
VONKEL_STRETCH_ROUTINE(Stretch24);
VONKEL_STRETCH_ROUTINE(Stretch8);

// ---- Measurements (nothing is written to the pixels) -------------------------------
VONKEL_CONVERSION_ROUTINE(RegionMean8);  // returns sum / count of the rectangle
VONKEL_CONVERSION_ROUTINE(RegionMean16); // the same on v >> 4: 12-bit levels on the 8-bit scale
// 8- or 16-bit raw, GrayBlock: per grey site the mean of the samples strictly between 0
// and the top (the sum includes every sample but the top itself); gain = trunc(largest
// mean / site mean x 128) into the block's four gains. Nothing changes when a site has
// no such sample.
VONKEL_CONVERSION_ROUTINE(MeasureGray);
// WhiteBalanceBlock: blue and red gains (percent) that bring the colour means to the
// green mean; green gain 100. The gains stay as they were when the red, blue or green
// mean is 0, since no ratio can be taken.
VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance8);
VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance16);

// ---- Mosaic and colour --------------------------------------------------------------
// In place, GrayBlock: out = offset(site) + gain(site) x v / 128, limited to 0..top.
VONKEL_CONVERSION_ROUTINE(GrayGain8);
VONKEL_CONVERSION_ROUTINE(GrayGain16);
// DemosaicBlock; 8-bit raw -> 24/32, 16-bit raw -> 48/64. Interior: rectangle rows and
// columns 2 .. size - 3; border: the two outermost rows and columns on each side. Both
// together fill every pixel; the fourth sample is not written. The 8-bit forms take an
// optional HueBlock in param2: each pixel they write then is what Hue24 / Hue32 make of
// it (the fourth sample becomes 0), in the same pass.
VONKEL_CONVERSION_ROUTINE(DemosaicInterior8);
VONKEL_CONVERSION_ROUTINE(DemosaicBorder8);
VONKEL_CONVERSION_ROUTINE(DemosaicInterior16);
VONKEL_CONVERSION_ROUTINE(DemosaicBorder16);
// In place, HueBlock. 48/64 work on samples reduced to 8 bits and widened back; 32/64
// write 0 into the fourth sample. No state is kept between calls, so any number of
// cameras may run them at once with their own hue and saturation.
VONKEL_CONVERSION_ROUTINE(Hue24);
VONKEL_CONVERSION_ROUTINE(Hue32);
VONKEL_CONVERSION_ROUTINE(Hue48);
VONKEL_CONVERSION_ROUTINE(Hue64);

// ---- Filters, ValueBlock: 8 grey, 16 grey, 24/32 and 48/64 colour --------------------
// Colour forms apply the grey rule to blue, green and red and keep the fourth sample.
// 16-bit forms take samples above the top value as the top value.
// Gamma, in place: table t(i) = trunc((i / 255)^e x 255), or (i / 2^n)^e x (2^n - 1).
VONKEL_CONVERSION_ROUTINE(Gamma8);
VONKEL_CONVERSION_ROUTINE(Gamma16);
VONKEL_CONVERSION_ROUTINE(Gamma24_32);
VONKEL_CONVERSION_ROUTINE(Gamma48_64);
// Contrast, in place (16-bit samples at or above 2^n give 2^n - 1).
VONKEL_CONVERSION_ROUTINE(Contrast8);
VONKEL_CONVERSION_ROUTINE(Contrast16);
VONKEL_CONVERSION_ROUTINE(Contrast24_32);
VONKEL_CONVERSION_ROUTINE(Contrast48_64);
// Gamma (param1) and then contrast (param2), in place, in one pass: the same bits as
// the two routines one after the other.
VONKEL_CONVERSION_ROUTINE(GammaContrast8);
VONKEL_CONVERSION_ROUTINE(GammaContrast16);
VONKEL_CONVERSION_ROUTINE(GammaContrast24_32);
VONKEL_CONVERSION_ROUTINE(GammaContrast48_64);
// Sharpness (unsharp mask over 4 x 4): source = a copy of the picture, destination = the
// picture; the two outermost rows and columns keep the destination's values. An optional
// ValueBlock of brightness in param2 then brightens the whole rectangle of the
// destination, as the brightness routine of the same depth would (in the same pass where
// it can).
VONKEL_CONVERSION_ROUTINE(Sharpen8);
VONKEL_CONVERSION_ROUTINE(Sharpen16);
VONKEL_CONVERSION_ROUTINE(Sharpen24_32);
VONKEL_CONVERSION_ROUTINE(Sharpen48_64);
// Brightness, in place: out = trunc(v x factor) limited to 0..top.
VONKEL_CONVERSION_ROUTINE(Brightness8);
VONKEL_CONVERSION_ROUTINE(Brightness16);
VONKEL_CONVERSION_ROUTINE(Brightness24_32);
VONKEL_CONVERSION_ROUTINE(Brightness48_64);

} // namespace conv

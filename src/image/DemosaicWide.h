// The 8-bit demosaic's column runs written out for AVX2 (and for SSE2, DemosaicBase.cpp). Left to itself the compiler
// widens the gain multiplication to 32 bits and pays for the phase selection with
// shuffles, which costs the demosaic half its speed. Here a row read as 16-bit lanes
// falls apart into its even and odd columns for free (low and high byte), so each phase
// gets its own formula without any selection. Internal to image/.
#pragma once
#include "image/HueCore.h"
#include "image/VectorDispatch.h"
#include <cstdint>

namespace conv::detail {

// The rows of one output row (see Demosaic.cpp): red and blue near and far rows, and the
// cell rows p, q with greens at p[c-1] + q[c] (column phase 0) and p[c] + q[c-1] (phase 1).
template <class T> struct DemosaicRowsOf { const T *redNear, *redFar, *blueNear, *blueFar, *p, *q; };
using DemosaicRows8 = DemosaicRowsOf<uint8_t>;
using DemosaicRows16 = DemosaicRowsOf<uint16_t>;

// Output pixels c0 .. c0 + n - 1, c0 of column phase 0, 32 at a time as long as the rows
// can be read up to column c0 + n + 1 (the caller guarantees n + 2 more columns exist
// from c0); blue, green and red into the planes, or into pixels of three bytes at out24
// or of four bytes at out32 (fourth bytes kept) when one of them is given. Gains as
// factor x 2 (factor < 2^15). Returns how many pixels it did, an even number, so that
// the rest starts on phase 0; the caller does the rest. With `hue` the pixels go through
// the hue rule (HueCore.h) before they are stored, and a fourth byte becomes 0.
VONKEL_WIDE_TARGET int32_t DemosaicRunWide(const DemosaicRows8 &rows, int32_t c0, int32_t n, uint16_t redFactor2,
                                           uint16_t blueFactor2, uint8_t *outB, uint8_t *outG, uint8_t *outR,
                                           uint8_t *out24, uint8_t *out32, const HueSettings *hue = nullptr);

// The 16-bit form of DemosaicRunWide, 16 pixels a step in 32-bit lanes (a 16-fold sum
// of 16-bit samples needs 20 bits), into pixels of three samples at out48 or of four at
// out64 (fourth samples kept). Factors below 4096, so that sum x factor fits 32 bits.
VONKEL_WIDE_TARGET int32_t DemosaicRunWide16(const DemosaicRows16 &rows, int32_t c0, int32_t n, uint32_t redFactor,
                                             uint32_t blueFactor, uint16_t *out48, uint16_t *out64);

// What the baseline (SSE2) runs do: one output row (rows, into first) or two at once
// (second given), which share three of their five source rows: src holds the rows from
// two above the first output row to two below it, with red on src[0], src[2], src[4]
// when redMiddle and blue there otherwise.
template <class T> struct DemosaicPass {
    DemosaicRowsOf<T> rows;
    const T *src[5];
    bool redMiddle;
    T *first, *second;
};

// The runs for the baseline (SSE2), 16 pixels a step for 8-bit samples and 8 for 16-bit
// ones, as the AVX2 runs, into pixels of three or four (spp) samples, fourth samples kept.
int32_t DemosaicRunBase(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, uint16_t redFactor2,
                        uint16_t blueFactor2, int spp);
int32_t DemosaicRunBase16(const DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n, uint32_t redFactor,
                          uint32_t blueFactor, int spp);

} // namespace conv::detail

// The demosaic's column runs written out, for AVX2 (DemosaicWide.cpp) and for SSE2
// (DemosaicBase.cpp), their steps shared (DemosaicSteps.h). Left to itself the compiler
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

// What the runs do: one output row (rows, into first) or two at once
// (second given), which share three of their five source rows: src holds the rows from
// two above the first output row to two below it, with red on src[0], src[2], src[4]
// when redMiddle and blue there otherwise.
template <class T> struct DemosaicPass {
    DemosaicRowsOf<T> rows;
    const T *src[5];
    bool redMiddle;
    T *first, *second;
};

// Output pixels c0 .. c0 + n - 1 of a pass, c0 of column phase 0, into pixels of three or
// four (spp) samples, fourth samples kept, as long as the rows can be read up to column
// c0 + n + 1 (the caller guarantees n + 2 more columns exist from c0). Gains as factor x
// 2 below 2^15 for 8-bit samples, as the factor below 4096 for 16-bit ones (sum x factor
// then fits 32 bits). Returns how many pixels it did, an even number, so that the rest
// starts on phase 0; the caller does the rest. With `hue` the AVX2 run puts the pixels
// through the hue rule (HueCore.h) before it stores them, and a fourth byte becomes 0.
// AVX2: 32 pixels a step for 8-bit samples, 16 for 16-bit ones (in 32-bit lanes: a
// 16-fold sum of 16-bit samples needs 20 bits); the baseline (SSE2) runs half as many.
VONKEL_WIDE_TARGET int32_t DemosaicRunWide(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n,
                                           uint16_t redFactor2, uint16_t blueFactor2, int spp, const HueSettings *hue);
VONKEL_WIDE_TARGET int32_t DemosaicRunWide16(const DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n,
                                             uint32_t redFactor, uint32_t blueFactor, int spp);
int32_t DemosaicRunBase(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, uint16_t redFactor2,
                        uint16_t blueFactor2, int spp);
int32_t DemosaicRunBase16(const DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n, uint32_t redFactor,
                          uint32_t blueFactor, int spp);

} // namespace conv::detail

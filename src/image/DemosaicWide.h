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
struct DemosaicRows8 {
    const uint8_t *redNear, *redFar, *blueNear, *blueFar, *p, *q;
};

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

// The rows of one output row of 16-bit samples, as DemosaicRows8.
struct DemosaicRows16 {
    const uint16_t *redNear, *redFar, *blueNear, *blueFar, *p, *q;
};

// The 16-bit form of DemosaicRunWide, 16 pixels a step in 32-bit lanes (a 16-fold sum
// of 16-bit samples needs 20 bits), into pixels of three samples at out48 or of four at
// out64 (fourth samples kept). Factors below 4096, so that sum x factor fits 32 bits.
VONKEL_WIDE_TARGET int32_t DemosaicRunWide16(const DemosaicRows16 &rows, int32_t c0, int32_t n, uint32_t redFactor,
                                             uint32_t blueFactor, uint16_t *out48, uint16_t *out64);

// The same for the baseline (SSE2), 16 at a time, into pixels of three bytes at out24 or
// of four bytes at out32 (one of them given).
int32_t DemosaicRunBase(const DemosaicRows8 &rows, int32_t c0, int32_t n, uint16_t redFactor2, uint16_t blueFactor2,
                        uint8_t *out24, uint8_t *out32);

// The 16-bit run for the baseline (SSE2), 8 pixels a step.
int32_t DemosaicRunBase16(const DemosaicRows16 &rows, int32_t c0, int32_t n, uint32_t redFactor, uint32_t blueFactor,
                          uint16_t *out48, uint16_t *out64);

} // namespace conv::detail

// The one loop of the demosaic written out for AVX2: the compiler widens the gain
// multiplication to 32 bits and shuffles the phase selection, which costs the 8-bit
// demosaic half its speed. Internal to image/.
#pragma once
#include "image/VectorDispatch.h"
#include <cstdint>

namespace conv::detail {

// Red, green and blue of output pixels m = 0 .. n - 1 of a row whose pixel 0 has column
// phase 0, from the vertical sums (vr[k], vb[k] for pixel k - 2) and the two cell rows
// p, q (pixel 0 at index 0): the same arithmetic as the portable loop, 32 pixels a step.
// Returns how many pixels it did (a multiple of 32); the caller does the rest.
VONKEL_WIDE_TARGET int32_t DemosaicCombineWide(uint8_t *outB, uint8_t *outG, uint8_t *outR, const uint16_t *vr,
                                               const uint16_t *vb, const uint8_t *p, const uint8_t *q, int32_t n,
                                               uint16_t redFactor2, uint16_t blueFactor2);

} // namespace conv::detail

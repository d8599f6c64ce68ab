// Sharpening of 8-bit samples with a usual strength (|S| <= 128) written out for AVX2, for
// Sharpen.cpp: the compiler's own loop widens bytes with lane-crossing conversions and
// spends a pass on its column sums. Internal to image/.
#pragma once
#include "image/VectorDispatch.h"
#include <cstdint>

namespace conv::detail {

// Samples k0 .. k0 + n - 1 of an output row (Spp samples a pixel) from rows r0..r3 (rows
// r-2 .. r+1 of the source), the column sums kept in `vertical` (n + 3 Spp entries);
// brightened by v x whole + (v x fraction) >> 16, limited to 255, when `brighten`. The
// fourth sample of four-sample pixels keeps out's value (k0 a multiple of 4 then). False,
// and nothing done, for a block under 32 samples.
VONKEL_WIDE_TARGET bool SharpenBlockWide(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3,
                                         uint8_t *out, int32_t k0, int32_t n, int spp, int16_t strength, bool brighten,
                                         uint16_t whole, uint16_t fraction, uint16_t *vertical);

// The same with AVX-512, for a block of at least 64 samples; called by SharpenBlockWide
// where the processor has it.
bool SharpenBlockWidest(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3, uint8_t *out,
                        int32_t k0, int32_t n, int spp, int16_t strength, bool brighten, uint16_t whole,
                        uint16_t fraction, uint16_t *vertical);

} // namespace conv::detail

// Sample access for the reference routines: addresses spelled out from the routine's
// arguments, 16-bit samples assembled byte by byte.
#pragma once
#include "image/Conversions.h"
#include <cstdint>

namespace ref {

struct Io {
    uint8_t *dst;
    const uint8_t *src;
    ImageRect r;
    int32_t x, y;
    int dbpp, sbpp;
    int32_t dstride, sstride;

    int32_t Rows() const { return r.bottom - r.top; }
    int32_t Cols() const { return r.right - r.left; }
    // Source pixel (i, j) of the rectangle; `reversed` reads row bottom - 1 - i.
    const uint8_t *S(int32_t i, int32_t j, bool reversed = false) const {
        int64_t row = reversed ? r.bottom - 1 - i : r.top + i;
        return src + row * sstride + int64_t{r.left + j} * sbpp;
    }
    uint8_t *D(int32_t i, int32_t j) const { return dst + int64_t{y + i} * dstride + int64_t{x + j} * dbpp; }

    static int32_t Get16(const uint8_t *p, int k) { return p[2 * k] | (p[2 * k + 1] << 8); }
    static void Put16(uint8_t *p, int k, int64_t v) {
        p[2 * k] = static_cast<uint8_t>(v & 255);
        p[2 * k + 1] = static_cast<uint8_t>((v >> 8) & 255);
    }
};

#define REF_IO                                                                                                         \
    Io io { dst, src, rect, dstX, dstRow, dstBpp, srcBpp, dstStride, srcStride }

inline int64_t Limit(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

} // namespace ref

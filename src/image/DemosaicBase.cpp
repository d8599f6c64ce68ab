// The demosaic's column runs for the x86-64 baseline (SSE2), the same formulas as the
// AVX2 runs (DemosaicWide.cpp): 8-bit samples 16 pixels a step, 16-bit ones 8. SSE2 has no byte shuffle and no
// unsigned 16-bit minimum: pixels of three bytes are packed from four-byte ones with
// shifts, and min(x, 255) is x minus its saturated excess over 255.
#include "image/DemosaicWide.h"
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace conv::detail {

#if defined(__SSE2__)
namespace {

struct Pairs {
    __m128i even, odd;
};

// 16 bytes of a row from column c: lane j holds columns c + 2j (even) and c + 2j + 1 (odd).
inline Pairs Load(const uint8_t *row, int32_t c) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + c));
    return Pairs{_mm_and_si128(v, _mm_set1_epi16(255)), _mm_srli_epi16(v, 8)};
}

inline __m128i Weighted(__m128i near, __m128i far) {
    return _mm_add_epi16(_mm_add_epi16(near, _mm_slli_epi16(near, 1)), far);
}

inline __m128i Scale(__m128i sum, __m128i factor2) {
    const __m128i x = _mm_mulhi_epu16(_mm_slli_epi16(sum, 4), factor2);
    return _mm_sub_epi16(x, _mm_subs_epu16(x, _mm_set1_epi16(255)));
}

inline __m128i Interleave(__m128i even, __m128i odd) { return _mm_or_si128(even, _mm_slli_epi16(odd, 8)); }

// 16 pixels as four vectors of four pixels blue, green, red, 0.
inline void Quads(__m128i quad[4], __m128i blue, __m128i green, __m128i red) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLow = _mm_unpacklo_epi8(blue, green), bgHigh = _mm_unpackhi_epi8(blue, green);
    const __m128i rLow = _mm_unpacklo_epi8(red, zero), rHigh = _mm_unpackhi_epi8(red, zero);
    quad[0] = _mm_unpacklo_epi16(bgLow, rLow);
    quad[1] = _mm_unpackhi_epi16(bgLow, rLow);
    quad[2] = _mm_unpacklo_epi16(bgHigh, rHigh);
    quad[3] = _mm_unpackhi_epi16(bgHigh, rHigh);
}

inline void StorePixels32(uint8_t *out, __m128i blue, __m128i green, __m128i red) {
    __m128i quad[4];
    Quads(quad, blue, green, red);
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    __m128i *at = reinterpret_cast<__m128i *>(out);
    for (int k = 0; k < 4; ++k)
        _mm_storeu_si128(at + k, _mm_or_si128(quad[k], _mm_and_si128(_mm_loadu_si128(at + k), fourth)));
}

// 16 pixels into 48 bytes. In each 64-bit lane the second pixel moves down a byte next
// to the first; the upper lane's six bytes then follow the lower lane's. Each store of
// 16 bytes but the last writes 4 bytes that the next one writes again.
inline void StorePixels24(uint8_t *out, __m128i blue, __m128i green, __m128i red) {
    __m128i quad[4];
    Quads(quad, blue, green, red);
    const __m128i first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF),
                  second = _mm_set_epi32(0xFFFF, 0xFF000000, 0xFFFF, static_cast<int>(0xFF000000u));
    for (int k = 0; k < 4; ++k) {
        const __m128i lanes =
            _mm_or_si128(_mm_and_si128(quad[k], first), _mm_and_si128(_mm_srli_epi64(quad[k], 8), second));
        const __m128i packed =
            _mm_or_si128(_mm_move_epi64(lanes), _mm_slli_si128(_mm_unpackhi_epi64(lanes, _mm_setzero_si128()), 6));
        if (k < 3) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 12 * k), packed);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 36), packed);
            const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
            std::memcpy(out + 44, &last, 4);
        }
    }
}

// ---- 16-bit samples ----

// 8 samples of a row from column c as 32-bit lanes: lane j holds columns c + 2j (even)
// and c + 2j + 1 (odd).
inline Pairs Load16(const uint16_t *row, int32_t c) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + c));
    return Pairs{_mm_and_si128(v, _mm_set1_epi32(0xFFFF)), _mm_srli_epi32(v, 16)};
}

inline __m128i Weighted32(__m128i near, __m128i far) {
    return _mm_add_epi32(_mm_add_epi32(near, _mm_slli_epi32(near, 1)), far);
}

// min((sum x factor) >> 11, 65535) in the low halves of the lanes (the high halves are
// left undefined). SSE2 has no 32-bit multiplication: with sum = h x 2^16 + l (h <= 15)
// and the factor below 4096, h x factor fits 16 bits, so the product is the 16-bit
// product of the high halves shifted up plus the full 32-bit product of the low halves.
inline __m128i Scale32(__m128i sum, __m128i factorBoth, __m128i factorLow) {
    const __m128i product =
        _mm_add_epi32(_mm_mullo_epi16(sum, factorBoth), _mm_slli_epi32(_mm_mulhi_epu16(sum, factorLow), 16));
    const __m128i x = _mm_srli_epi32(product, 11);
    return _mm_or_si128(x, _mm_cmpgt_epi32(x, _mm_set1_epi32(65535)));
}

inline __m128i Interleave32(__m128i even, __m128i odd) {
    return _mm_or_si128(_mm_and_si128(even, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(odd, 16));
}

// 8 pixels as four vectors of two pixels blue, green, red, 0.
inline void Quads16(__m128i quad[4], __m128i blue, __m128i green, __m128i red) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLow = _mm_unpacklo_epi16(blue, green), bgHigh = _mm_unpackhi_epi16(blue, green);
    const __m128i rLow = _mm_unpacklo_epi16(red, zero), rHigh = _mm_unpackhi_epi16(red, zero);
    quad[0] = _mm_unpacklo_epi32(bgLow, rLow);
    quad[1] = _mm_unpackhi_epi32(bgLow, rLow);
    quad[2] = _mm_unpacklo_epi32(bgHigh, rHigh);
    quad[3] = _mm_unpackhi_epi32(bgHigh, rHigh);
}

inline void StorePixels64(uint16_t *out, __m128i blue, __m128i green, __m128i red) {
    __m128i quad[4];
    Quads16(quad, blue, green, red);
    const __m128i fourth = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    __m128i *at = reinterpret_cast<__m128i *>(out);
    for (int k = 0; k < 4; ++k)
        _mm_storeu_si128(at + k, _mm_or_si128(quad[k], _mm_and_si128(_mm_loadu_si128(at + k), fourth)));
}

// 8 pixels into 48 bytes: in each vector the second pixel moves down two bytes next to
// the first; each store of 16 bytes but the last writes 4 bytes that the next one
// writes again.
inline void StorePixels48(uint16_t *out16, __m128i blue, __m128i green, __m128i red) {
    __m128i quad[4];
    Quads16(quad, blue, green, red);
    uint8_t *out = reinterpret_cast<uint8_t *>(out16);
    const __m128i first = _mm_set_epi32(0, 0, 0xFFFF, -1),
                  second = _mm_set_epi32(0, -1, static_cast<int>(0xFFFF0000u), 0);
    for (int k = 0; k < 4; ++k) {
        const __m128i packed =
            _mm_or_si128(_mm_and_si128(quad[k], first), _mm_and_si128(_mm_srli_si128(quad[k], 2), second));
        if (k < 3) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 12 * k), packed);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 36), packed);
            const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
            std::memcpy(out + 44, &last, 4);
        }
    }
}

} // namespace

int32_t DemosaicRunBase16(const DemosaicRows16 &rows, int32_t c0, int32_t n, uint32_t redFactor, uint32_t blueFactor,
                          uint16_t *out48, uint16_t *out64) {
    const __m128i frBoth = _mm_set1_epi16(static_cast<short>(redFactor)),
                  fbBoth = _mm_set1_epi16(static_cast<short>(blueFactor));
    const __m128i frLow = _mm_set1_epi32(static_cast<int>(redFactor)),
                  fbLow = _mm_set1_epi32(static_cast<int>(blueFactor));
    int32_t m = 0;
    // 8 pixels a step; the reads reach from column c0 + m - 2 to c0 + m + 9.
    for (;; m += 8) {
        if (m + 8 > n) {
            const int32_t back = (n - 8) & ~1;
            if (n < 8 || back + 8 <= m)
                break;
            m = back;
        }
        const int32_t c = c0 + m;
        const __m128i redLeft = Weighted32(Load16(rows.redNear, c - 2).even, Load16(rows.redFar, c - 2).even);
        const __m128i redHere = Weighted32(Load16(rows.redNear, c).even, Load16(rows.redFar, c).even);
        const __m128i redRight = Weighted32(Load16(rows.redNear, c + 2).even, Load16(rows.redFar, c + 2).even);
        const __m128i blueLeft = Weighted32(Load16(rows.blueNear, c - 2).odd, Load16(rows.blueFar, c - 2).odd);
        const __m128i blueRight = Weighted32(Load16(rows.blueNear, c).odd, Load16(rows.blueFar, c).odd);
        const __m128i redHere3 = _mm_add_epi32(redHere, _mm_slli_epi32(redHere, 1));
        const __m128i red = Interleave32(Scale32(_mm_add_epi32(redHere3, redLeft), frBoth, frLow),
                                         Scale32(_mm_add_epi32(redHere3, redRight), frBoth, frLow));
        const __m128i blue = Interleave32(Scale32(Weighted32(blueLeft, blueRight), fbBoth, fbLow),
                                          Scale32(Weighted32(blueRight, blueLeft), fbBoth, fbLow));
        const __m128i q = Load16(rows.q, c).even;
        const __m128i green = Interleave32(_mm_srli_epi32(_mm_add_epi32(Load16(rows.p, c - 2).odd, q), 1),
                                           _mm_srli_epi32(_mm_add_epi32(Load16(rows.p, c).odd, q), 1));
        if (out64)
            StorePixels64(out64 + 4 * m, blue, green, red);
        else
            StorePixels48(out48 + 3 * m, blue, green, red);
    }
    return m;
}

int32_t DemosaicRunBase(const DemosaicRows8 &rows, int32_t c0, int32_t n, uint16_t redFactor2, uint16_t blueFactor2,
                        uint8_t *out24, uint8_t *out32) {
    const __m128i fr = _mm_set1_epi16(static_cast<short>(redFactor2));
    const __m128i fb = _mm_set1_epi16(static_cast<short>(blueFactor2));
    int32_t m = 0;
    // As the AVX2 run, 16 pixels a step; the reads reach from column c0 + m - 2 to c0 + m + 17.
    for (;; m += 16) {
        if (m + 16 > n) {
            const int32_t back = (n - 16) & ~1;
            if (n < 16 || back + 16 <= m)
                break;
            m = back;
        }
        const int32_t c = c0 + m;
        const __m128i redLeft = Weighted(Load(rows.redNear, c - 2).even, Load(rows.redFar, c - 2).even);
        const __m128i redHere = Weighted(Load(rows.redNear, c).even, Load(rows.redFar, c).even);
        const __m128i redRight = Weighted(Load(rows.redNear, c + 2).even, Load(rows.redFar, c + 2).even);
        const __m128i blueLeft = Weighted(Load(rows.blueNear, c - 2).odd, Load(rows.blueFar, c - 2).odd);
        const __m128i blueRight = Weighted(Load(rows.blueNear, c).odd, Load(rows.blueFar, c).odd);
        const __m128i redHere3 = _mm_add_epi16(redHere, _mm_slli_epi16(redHere, 1));
        const __m128i red =
            Interleave(Scale(_mm_add_epi16(redHere3, redLeft), fr), Scale(_mm_add_epi16(redHere3, redRight), fr));
        const __m128i blue =
            Interleave(Scale(Weighted(blueLeft, blueRight), fb), Scale(Weighted(blueRight, blueLeft), fb));
        const __m128i q = Load(rows.q, c).even;
        const __m128i green = Interleave(_mm_srli_epi16(_mm_add_epi16(Load(rows.p, c - 2).odd, q), 1),
                                         _mm_srli_epi16(_mm_add_epi16(Load(rows.p, c).odd, q), 1));
        if (out32)
            StorePixels32(out32 + 4 * m, blue, green, red);
        else
            StorePixels24(out24 + 3 * m, blue, green, red);
    }
    return m;
}

#else

int32_t DemosaicRunBase(const DemosaicRows8 &, int32_t, int32_t, uint16_t, uint16_t, uint8_t *, uint8_t *) { return 0; }
int32_t DemosaicRunBase16(const DemosaicRows16 &, int32_t, int32_t, uint32_t, uint32_t, uint16_t *, uint16_t *) {
    return 0;
}

#endif

} // namespace conv::detail

// The 8-bit demosaic's column runs for the x86-64 baseline (SSE2), the same formulas as
// the AVX2 runs (DemosaicWide.cpp) on 16 pixels a step. SSE2 has no byte shuffle and no
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

inline __m128i Weighted(__m128i near, __m128i far) { return _mm_add_epi16(_mm_add_epi16(near, _mm_slli_epi16(near, 1)), far); }

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
    const __m128i first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF), second = _mm_set_epi32(0xFFFF, 0xFF000000, 0xFFFF,
                                                                                           static_cast<int>(0xFF000000u));
    for (int k = 0; k < 4; ++k) {
        const __m128i lanes =
            _mm_or_si128(_mm_and_si128(quad[k], first), _mm_and_si128(_mm_srli_epi64(quad[k], 8), second));
        const __m128i packed = _mm_or_si128(_mm_move_epi64(lanes),
                                            _mm_slli_si128(_mm_unpackhi_epi64(lanes, _mm_setzero_si128()), 6));
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
        const __m128i blue = Interleave(Scale(Weighted(blueLeft, blueRight), fb), Scale(Weighted(blueRight, blueLeft), fb));
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

#endif

} // namespace conv::detail

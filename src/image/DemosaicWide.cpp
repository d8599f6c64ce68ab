#include "image/DemosaicWide.h"
#if VONKEL_WIDE_VECTORS
#include <immintrin.h>
#endif

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
namespace {

// 16 pixels from lane offset m: returns blue, green and red as 16-bit lanes.
struct Lanes {
    __m256i blue, green, red;
};

VONKEL_WIDE_TARGET inline __m256i Load16(const uint16_t *at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
}
VONKEL_WIDE_TARGET inline __m256i Widen(const uint8_t *at) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)));
}
// 3 x near + far.
VONKEL_WIDE_TARGET inline __m256i Weighted(__m256i near, __m256i far) {
    return _mm256_add_epi16(_mm256_add_epi16(near, _mm256_slli_epi16(near, 1)), far);
}
// min(((sum << 4) x factor2) >> 16, 255) = min((sum x factor) >> 11, 255).
VONKEL_WIDE_TARGET inline __m256i Scale(__m256i sum, __m256i factor2) {
    return _mm256_min_epu16(_mm256_mulhi_epu16(_mm256_slli_epi16(sum, 4), factor2), _mm256_set1_epi16(255));
}

VONKEL_WIDE_TARGET inline Lanes Combine(const uint16_t *vr, const uint16_t *vb, const uint8_t *p, const uint8_t *q,
                                        __m256i redFactor2, __m256i blueFactor2) {
    // Lanes alternate phase 0 (even, blend bit 0) and phase 1 (odd, blend bit 1).
    const __m256i redOwn = Weighted(Load16(vr + 2), Load16(vr)), redAcross = Weighted(Load16(vr + 1), Load16(vr + 3));
    const __m256i blueOwn = Weighted(Load16(vb + 2), Load16(vb)), blueAcross = Weighted(Load16(vb + 1), Load16(vb + 3));
    const __m256i greenEven = _mm256_add_epi16(Widen(p - 1), Widen(q));
    const __m256i greenOdd = _mm256_add_epi16(Widen(p), Widen(q - 1));
    Lanes out;
    out.red = Scale(_mm256_blend_epi16(redOwn, redAcross, 0xAA), redFactor2);
    out.blue = Scale(_mm256_blend_epi16(blueAcross, blueOwn, 0xAA), blueFactor2);
    out.green = _mm256_srli_epi16(_mm256_blend_epi16(greenEven, greenOdd, 0xAA), 1);
    return out;
}

// Two runs of 16 lanes into 32 bytes, in order.
VONKEL_WIDE_TARGET inline void Store32(uint8_t *at, __m256i low, __m256i high) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(at),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8));
}

} // namespace

VONKEL_WIDE_TARGET int32_t DemosaicCombineWide(uint8_t *outB, uint8_t *outG, uint8_t *outR, const uint16_t *vr,
                                               const uint16_t *vb, const uint8_t *p, const uint8_t *q, int32_t n,
                                               uint16_t redFactor2, uint16_t blueFactor2) {
    const __m256i fr = _mm256_set1_epi16(static_cast<short>(redFactor2));
    const __m256i fb = _mm256_set1_epi16(static_cast<short>(blueFactor2));
    int32_t m = 0;
    for (; m + 32 <= n; m += 32) {
        const Lanes a = Combine(vr + m, vb + m, p + m, q + m, fr, fb);
        const Lanes b = Combine(vr + m + 16, vb + m + 16, p + m + 16, q + m + 16, fr, fb);
        Store32(outB + m, a.blue, b.blue);
        Store32(outG + m, a.green, b.green);
        Store32(outR + m, a.red, b.red);
    }
    return m;
}

#else

int32_t DemosaicCombineWide(uint8_t *, uint8_t *, uint8_t *, const uint16_t *, const uint16_t *, const uint8_t *,
                            const uint8_t *, int32_t, uint16_t, uint16_t) {
    return 0;
}

#endif

} // namespace conv::detail

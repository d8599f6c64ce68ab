// The 8-bit sharpening block with AVX2 (SharpenWide.h): the rule of Sharpen.cpp in 16-bit
// lanes, 32 samples a step; the last step overlaps the one before.
#include "image/SharpenWide.h"
#if VONKEL_WIDE_VECTORS
#include <algorithm>
#include <immintrin.h>
#endif

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
namespace {

VONKEL_WIDE_TARGET inline __m256i Widen(const uint8_t *at) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)));
}

VONKEL_WIDE_TARGET inline __m256i LoadSums(const uint16_t *at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
}

} // namespace

VONKEL_WIDE_TARGET bool SharpenBlockWide(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3,
                                         uint8_t *out, int32_t k0, int32_t n, int spp, int16_t strength, bool brighten,
                                         uint16_t whole, uint16_t fraction, uint16_t *vertical) {
    if (n < 32)
        return false;
    // Column sums of samples k0 - 2 Spp .. k0 + n + Spp - 1.
    const int32_t base = k0 - 2 * spp, count = n + 3 * spp;
    for (int32_t j = 0; j < count; j += 16) {
        const int32_t at = std::min(j, count - 16);
        const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(Widen(r0 + base + at), Widen(r1 + base + at)),
                                             _mm256_add_epi16(Widen(r2 + base + at), Widen(r3 + base + at)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(vertical + at), sum);
    }
    const __m256i s = _mm256_set1_epi16(strength), tenth = _mm256_set1_epi16(26215);
    const __m256i top = _mm256_set1_epi16(255), zero = _mm256_setzero_si256();
    const __m256i w = _mm256_set1_epi16(static_cast<short>(whole)), f = _mm256_set1_epi16(static_cast<short>(fraction));
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    for (int32_t m = 0; m < n; m += 32) {
        const int32_t at = std::min(m, n - 32);
        __m256i value[2];
        for (int h = 0; h < 2; ++h) {
            const uint16_t *v = vertical + at + 16 * h;
            const __m256i box = _mm256_add_epi16(_mm256_add_epi16(LoadSums(v), LoadSums(v + spp)),
                                                 _mm256_add_epi16(LoadSums(v + 2 * spp), LoadSums(v + 3 * spp)));
            const __m256i orig = Widen(r2 + k0 + at + 16 * h);
            // (orig - blur) x S / 10, truncated toward 0: the high half of x 26215, shifted
            // down 2, plus 1 for a negative product.
            const __m256i product = _mm256_mullo_epi16(_mm256_sub_epi16(orig, _mm256_srli_epi16(box, 4)), s);
            const __m256i change = _mm256_sub_epi16(_mm256_srai_epi16(_mm256_mulhi_epi16(product, tenth), 2),
                                                    _mm256_srai_epi16(product, 15));
            __m256i x = _mm256_min_epi16(_mm256_max_epi16(_mm256_add_epi16(orig, change), zero), top);
            if (brighten)
                x = _mm256_min_epu16(_mm256_add_epi16(_mm256_mullo_epi16(x, w), _mm256_mulhi_epu16(x, f)), top);
            value[h] = x;
        }
        uint8_t *to = out + k0 + at;
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(value[0], value[1]), 0xD8);
        if (spp == 4)
            packed =
                _mm256_or_si256(_mm256_andnot_si256(fourth, packed),
                                _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(to)), fourth));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), packed);
    }
    return true;
}
#else
bool SharpenBlockWide(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int32_t, int32_t,
                      int, int16_t, bool, uint16_t, uint16_t, uint16_t *) {
    return false;
}
#endif

} // namespace conv::detail

// The 8-bit sharpening block with AVX2 (SharpenWide.h): the rule of Sharpen.cpp in 16-bit
// lanes, 32 samples a step (64 with AVX-512); the last step overlaps the one before.
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

VONKEL_WIDEST_TARGET inline __m512i Widen64(const uint8_t *at) {
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(at)));
}

VONKEL_WIDEST_TARGET inline __m512i LoadSums64(const uint16_t *at) { return _mm512_loadu_si512(at); }

// The same block with AVX-512, 64 samples a step; false for a block under 64 samples.
VONKEL_WIDEST_TARGET bool SharpenBlockWidest(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2,
                                             const uint8_t *r3, uint8_t *out, int32_t k0, int32_t n, int spp,
                                             int16_t strength, bool brighten, uint16_t whole, uint16_t fraction,
                                             uint16_t *vertical) {
    if (n < 64)
        return false;
    const int32_t base = k0 - 2 * spp, count = n + 3 * spp;
    for (int32_t j = 0; j < count; j += 32) {
        const int32_t at = std::min(j, count - 32);
        const __m512i sum = _mm512_add_epi16(_mm512_add_epi16(Widen64(r0 + base + at), Widen64(r1 + base + at)),
                                             _mm512_add_epi16(Widen64(r2 + base + at), Widen64(r3 + base + at)));
        _mm512_storeu_si512(vertical + at, sum);
    }
    const __m512i s = _mm512_set1_epi16(strength), tenth = _mm512_set1_epi16(26215);
    const __m512i top = _mm512_set1_epi16(255), zero = _mm512_setzero_si512();
    const __m512i w = _mm512_set1_epi16(static_cast<short>(whole)), f = _mm512_set1_epi16(static_cast<short>(fraction));
    // The pack works within 128-bit lanes; this puts its eight-byte groups back in order.
    const __m512i order = _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7);
    constexpr __mmask64 kFourth = 0x8888888888888888ull;
    for (int32_t m = 0; m < n; m += 64) {
        const int32_t at = std::min(m, n - 64);
        __m512i value[2];
        for (int h = 0; h < 2; ++h) {
            const uint16_t *v = vertical + at + 32 * h;
            const __m512i box = _mm512_add_epi16(_mm512_add_epi16(LoadSums64(v), LoadSums64(v + spp)),
                                                 _mm512_add_epi16(LoadSums64(v + 2 * spp), LoadSums64(v + 3 * spp)));
            const __m512i orig = Widen64(r2 + k0 + at + 32 * h);
            const __m512i product = _mm512_mullo_epi16(_mm512_sub_epi16(orig, _mm512_srli_epi16(box, 4)), s);
            const __m512i change = _mm512_sub_epi16(_mm512_srai_epi16(_mm512_mulhi_epi16(product, tenth), 2),
                                                    _mm512_srai_epi16(product, 15));
            __m512i x = _mm512_min_epi16(_mm512_max_epi16(_mm512_add_epi16(orig, change), zero), top);
            if (brighten)
                x = _mm512_min_epu16(_mm512_add_epi16(_mm512_mullo_epi16(x, w), _mm512_mulhi_epu16(x, f)), top);
            value[h] = x;
        }
        uint8_t *to = out + k0 + at;
        __m512i packed = _mm512_maskz_permutexvar_epi64(0xFF, order, _mm512_packus_epi16(value[0], value[1]));
        if (spp == 4)
            packed = _mm512_mask_blend_epi8(kFourth, packed, _mm512_loadu_si512(to));
        _mm512_storeu_si512(to, packed);
    }
    return true;
}

} // namespace

VONKEL_WIDE_TARGET bool SharpenBlockWide(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3,
                                         uint8_t *out, int32_t k0, int32_t n, int spp, int16_t strength, bool brighten,
                                         uint16_t whole, uint16_t fraction, uint16_t *vertical) {
    if (WidestVectors() && SharpenBlockWidest(r0, r1, r2, r3, out, k0, n, spp, strength, brighten, whole, fraction,
                                              vertical))
        return true;
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

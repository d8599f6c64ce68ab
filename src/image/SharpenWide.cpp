// The 8-bit sharpening block with AVX2 (SharpenWide.h): the rule of Sharpen.cpp in 16-bit
// lanes (SharpenSteps.h), 32 samples a step; the AVX-512 copy (SharpenWidest.cpp) takes
// the block first where the processor has it.
#include "image/SharpenWide.h"
#if VONKEL_WIDE_VECTORS
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")
#include "image/SharpenSteps.h"

namespace conv::detail {
namespace {

struct Lanes256 {
    using Vec = __m256i;
    static constexpr int32_t kLanes = 16;
    static Vec Widen(const uint8_t *at) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)));
    }
    static Vec LoadSums(const uint16_t *at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at)); }
    static void StoreSums(uint16_t *at, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(at), v); }
    static Vec Set(int16_t v) { return _mm256_set1_epi16(v); }
    static Vec Add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec MulLow(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
    static Vec MulHigh(Vec a, Vec b) { return _mm256_mulhi_epi16(a, b); }
    static Vec MulHighUnsigned(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm256_max_epi16(a, b); }
    static Vec MinUnsigned(Vec a, Vec b) { return _mm256_min_epu16(a, b); }
    static Vec Blur(Vec v) { return _mm256_srli_epi16(v, 4); }
    static Vec Quarter(Vec v) { return _mm256_srai_epi16(v, 2); }
    static Vec Sign(Vec v) { return _mm256_srai_epi16(v, 15); }
    // The pack works within 128-bit halves; the permute puts its 8-byte groups in order.
    static Vec Pack(Vec a, Vec b) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8); }
    static void StoreBytes(uint8_t *to, Vec bytes, bool keepFourth) {
        if (keepFourth) {
            const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
            bytes = _mm256_or_si256(_mm256_andnot_si256(fourth, bytes),
                                    _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(to)), fourth));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), bytes);
    }
};

} // namespace

bool SharpenBlockWide(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3, uint8_t *out,
                      int32_t k0, int32_t n, int spp, int16_t strength, bool brighten, uint16_t whole,
                      uint16_t fraction, uint16_t *vertical) {
    if (WidestVectors() && SharpenBlockWidest(r0, r1, r2, r3, out, k0, n, spp, strength, brighten, whole, fraction,
                                              vertical))
        return true;
    return SharpenBlock<Lanes256>(r0, r1, r2, r3, out, k0, n, spp, strength, brighten, whole, fraction, vertical);
}

} // namespace conv::detail
#pragma GCC pop_options

#else
namespace conv::detail {

bool SharpenBlockWide(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int32_t, int32_t,
                      int, int16_t, bool, uint16_t, uint16_t, uint16_t *) {
    return false;
}

} // namespace conv::detail
#endif

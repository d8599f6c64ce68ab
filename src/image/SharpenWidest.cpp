// The 8-bit sharpening block with AVX-512 (SharpenWide.h): the rule of Sharpen.cpp in
// 16-bit lanes (SharpenSteps.h), 64 samples a step.
#include "image/SharpenWide.h"
#if VONKEL_WIDE_VECTORS
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,avx512vbmi")
#include "image/SharpenSteps.h"

namespace conv::detail {
namespace {

struct Lanes512 {
    using Vec = __m512i;
    static constexpr int32_t kLanes = 32;
    static Vec Widen(const uint8_t *at) {
        return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(at)));
    }
    static Vec LoadSums(const uint16_t *at) { return _mm512_loadu_si512(at); }
    static void StoreSums(uint16_t *at, Vec v) { _mm512_storeu_si512(at, v); }
    static Vec Set(int16_t v) { return _mm512_set1_epi16(v); }
    static Vec Add(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
    static Vec MulLow(Vec a, Vec b) { return _mm512_mullo_epi16(a, b); }
    static Vec MulHigh(Vec a, Vec b) { return _mm512_mulhi_epi16(a, b); }
    static Vec MulHighUnsigned(Vec a, Vec b) { return _mm512_mulhi_epu16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm512_min_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm512_max_epi16(a, b); }
    static Vec MinUnsigned(Vec a, Vec b) { return _mm512_min_epu16(a, b); }
    static Vec Blur(Vec v) { return _mm512_srli_epi16(v, 4); }
    static Vec Quarter(Vec v) { return _mm512_srai_epi16(v, 2); }
    static Vec Sign(Vec v) { return _mm512_srai_epi16(v, 15); }
    // The pack works within 128-bit lanes; the permute puts its 8-byte groups in order.
    // (The zero-masking form: GCC 12 warns on the plain one's undefined source.)
    static Vec Pack(Vec a, Vec b) {
        return _mm512_maskz_permutexvar_epi64(0xFF, _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7),
                                              _mm512_packus_epi16(a, b));
    }
    static void StoreBytes(uint8_t *to, Vec bytes, bool keepFourth) {
        if (keepFourth)
            bytes = _mm512_mask_blend_epi8(0x8888888888888888ull, bytes, _mm512_loadu_si512(to));
        _mm512_storeu_si512(to, bytes);
    }
};

} // namespace

bool SharpenBlockWidest(const uint8_t *r0, const uint8_t *r1, const uint8_t *r2, const uint8_t *r3, uint8_t *out,
                        int32_t k0, int32_t n, int spp, int16_t strength, bool brighten, uint16_t whole,
                        uint16_t fraction, uint16_t *vertical) {
    return SharpenBlock<Lanes512>(r0, r1, r2, r3, out, k0, n, spp, strength, brighten, whole, fraction, vertical);
}

} // namespace conv::detail
#pragma GCC pop_options

#else
namespace conv::detail {

bool SharpenBlockWidest(const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, uint8_t *, int32_t,
                        int32_t, int, int16_t, bool, uint16_t, uint16_t, uint16_t *) {
    return false;
}

} // namespace conv::detail
#endif
